// clang's line table turned into COFF line numbers: for each function with
// lines of the main source file, a start record naming the function symbol
// and one record per change of line, relative to the function's first line,
// which its ".bf" record carries.
#pragma once

#include "kit/vyn/convert/c13_reader.h"
#include "kit/vyn/convert/coff_object.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vyn::cc {

struct FunctionLines {
    std::uint32_t symbol = 0;     // the function symbol's index in the input table
    std::int16_t section = 0;     // its section number
    std::uint32_t start = 0;      // its address within the section
    std::uint32_t size = 0;       // its code size
    std::uint32_t first_line = 0; // the ".bf" line
    std::uint32_t last_line = 0;  // the ".ef" line
    // (address within the section, line relative to first_line); the first
    // pair is the function's start.
    std::vector<std::pair<std::uint32_t, std::uint16_t>> records;
};

/* The functions' lines of one ".debug$S" section, in the order of the
   line blocks. main_file is the checksum entry of the source itself (lines
   of included files are left out: a module has one source file here). The
   relocations name the function of each block. */
std::vector<FunctionLines> function_lines(const c13::DebugSymbols& d, std::span<const coff::Relocation> relocations,
                                          const std::vector<ObjectSymbol>& symbols, std::uint32_t main_file);

/* Where a function's body starts and ends, as offsets from its start: the
   first line after the opening one (the prologue runs up to it) and the
   last line, the closing brace that the epilogue carries. A function of one
   line has no body apart from its code: nothing. */
struct BodyBounds {
    std::uint32_t start = 0, end = 0;
};
std::optional<BodyBounds> body_bounds(const FunctionLines& f);

/* The checksum entry of the source file: the file whose name is source_path,
   else whose base name matches, else the file of the first line block. */
std::optional<std::uint32_t> main_file_id(const std::vector<const c13::DebugSymbols*>& sections,
                                          const std::string& source_path);

}  // namespace vyn::cc
