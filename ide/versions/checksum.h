// The file checksum carried in patch-script trailers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vyn::versions {

// The checksum of bytes read as text: a carriage return followed by a newline
// counts as one newline.
std::uint32_t text_checksum(std::string_view bytes);

// The checksum of a file; 0 when the file cannot be read.
std::uint32_t file_checksum(const std::string& path);

}  // namespace vyn::versions
