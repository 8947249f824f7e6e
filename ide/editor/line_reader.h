// Cutting the raw bytes of a file into the lines of a document.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vyn::editor {

// Appends the lines of bytes to lines and returns how many times an
// over-long line had to be cut.
int split_into_lines(std::span<const std::uint8_t> bytes, std::vector<std::string>& lines);

}  // namespace vyn::editor
