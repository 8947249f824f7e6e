// The conversion of a clang object into the object the linker reads:
// CodeView 4 symbols and types in place of C13, COFF line numbers in the
// code sections with the function symbols' ".bf", ".lf" and ".ef" records,
// a ".file" symbol naming the source, and the sections that only another
// debug format reads (".debug_frame", ".llvm_addrsig") left out.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vyn::cc {

struct ConversionInput {
    std::string source_name;  // for the ".file" symbol: the source's full path as the user knows it
    std::string clang_source; // the source's path as clang recorded it (absolute), to find its lines
};

struct ConversionResult {
    std::optional<std::vector<std::uint8_t>> object;
    std::string error;
    std::vector<std::string> warnings;
};

/* Converts object; every read is bounds-checked, so a malformed object gives
   an error, never a crash. An object without C13 debug information is
   rewritten without the foreign sections only. */
ConversionResult convert_object(std::span<const std::uint8_t> object, const ConversionInput& input);

}  // namespace vyn::cc
