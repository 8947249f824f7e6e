// Converting the C13 symbol records of one ".debug$S" section into the
// CodeView 4 records the linker reads: procedures with their frame-relative
// and register locals and an end record each, then data, user-defined type
// and constant records. Records CodeView 4 has no form for (compiler and
// build information, frame descriptions, inline sites, lexical blocks) are
// left out; the locals of lexical blocks join their procedure's.
#pragma once

#include "common/coff_format.h"
#include "kit/vyn/convert/c13_reader.h"
#include "kit/vyn/convert/line_numbers.h"
#include "kit/vyn/convert/type_converter.h"

#include <cstdint>
#include <functional>
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

// The first bytes of a function's code: the function a procedure record's
// offset is relocated against (its input symbol index) plus the field's
// value. Empty when they cannot be found.
using CodeOf = std::function<std::span<const std::uint8_t>(std::uint32_t symbol, std::uint32_t addend)>;

// The body of the same function, from its line numbers, when it has one.
using BodyOf = std::function<std::optional<BodyBounds>(std::uint32_t symbol, std::uint32_t addend)>;

/* relocations are those of the input section (any order). The code of a
   function tells whether and how far its prologue realigns the stack. clang
   leaves a procedure's debug start and end at 0; body_of fills them in, so
   that a debugger knows where the prologue ends and the epilogue starts. */
SymbolConversion convert_symbols(const c13::DebugSymbols& symbols, std::span<const coff::Relocation> relocations,
                                 const TypeMap& types, const CodeOf& code_of, const BodyOf& body_of = {});

/* The alignment a function's prologue gives the stack ("push ebp; mov ebp,
   esp", pushes of saved registers, then "and esp, -n"): n, or 0 when it
   does not realign. */
std::uint32_t prologue_realignment(std::span<const std::uint8_t> code);

}  // namespace vyn::cc
