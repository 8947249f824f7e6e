// Resource files hold UTF-16 texts; the model holds UTF-8. Unpaired
// surrogates are kept in the 3-byte form, so every text converts back to
// the same code units.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/byte_reader.h"
#include "common/byte_writer.h"

namespace vyn::resedit {

std::string utf16_to_utf8(const std::vector<std::uint16_t>& units);
std::vector<std::uint16_t> utf8_to_utf16(std::string_view text);

// A NUL-terminated UTF-16 text; fails the reader when no terminator follows.
std::string read_utf16z(ByteReader& r);
void write_utf16z(ByteWriter& w, std::string_view text);

}  // namespace vyn::resedit
