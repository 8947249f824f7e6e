// Converting the C13 symbol records of one ".debug$S" section into the
// CodeView 4 records the linker reads: procedures with their frame-relative
// and register locals and an end record each, then data, user-defined type
// and constant records. Records CodeView 4 has no form for (compiler and
// build information, frame descriptions, inline sites, lexical blocks) are
// left out; the locals of lexical blocks join their procedure's.
#pragma once

#include "common/coff_format.h"
#include "kit/vyn/convert/c13_reader.h"
#include "kit/vyn/convert/type_converter.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vyn::cc {

struct SymbolConversion {
    std::vector<std::uint8_t> section;  // signature 1 and the records
    // Relocations of the new section; symbol indices are still the input's.
    std::vector<coff::Relocation> relocations;
    std::vector<std::string> warnings;
};

/* relocations are those of the input section (any order). */
SymbolConversion convert_symbols(const c13::DebugSymbols& symbols, std::span<const coff::Relocation> relocations,
                                 const TypeMap& types);

}  // namespace vyn::cc
