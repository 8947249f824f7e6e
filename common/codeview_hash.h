// The case-insensitive name hash of CodeView symbol tables. The linker puts
// it into the global symbol subsections it writes and the debugger buckets
// its own symbol tables with it, so both sides share this one definition.
#pragma once

#include <cstdint>
#include <string_view>

namespace vyn {

/* The hash of name (its characters, without the length byte the records
   store in front). The last length % 4 characters are folded into an
   accumulator from the last to the first, each ANDed with 0xDF and then
   shifted up a byte; every whole 4-byte group from the start, read as a
   little-endian word ANDed with 0xDFDFDFDF, is XORed into h, which is then
   rotated left by 4. The result is h XOR the accumulator. Clearing bit 5 of
   every byte makes letters hash alike in either case. */
std::uint32_t DWordXorLrl(std::string_view name);

}  // namespace vyn
