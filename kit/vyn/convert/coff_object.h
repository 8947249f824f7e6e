// A COFF object held as parts that can be changed and written back:
// sections with their contents, relocations and line numbers, symbols with
// their auxiliary records, the string table.
#pragma once

#include "common/coff_format.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vyn::cc {

using RawRecord = std::array<std::uint8_t, coff::kSymbolSize>;

struct ObjectSection {
    std::array<std::uint8_t, coff::kSectionNameSize> raw_name{};  // written back as read
    std::string name;                                             // long names resolved
    coff::SectionHeader header;
    std::vector<std::uint8_t> data;  // empty for uninitialised data
    std::vector<coff::Relocation> relocations;
    std::vector<coff::LineNumber> lines;
};

// A symbol with its auxiliary records. Invariant: symbol.aux_count equals
// aux.size() when the object is written.
struct ObjectSymbol {
    RawRecord raw{};  // the name field is taken from here
    coff::Symbol symbol;
    std::string name;
    std::vector<RawRecord> aux;
};

struct CoffObject {
    coff::FileHeader header;
    std::vector<ObjectSection> sections;
    std::vector<ObjectSymbol> symbols;
    std::vector<std::uint8_t> string_table;  // its size word included
};

/* Reads an i386 object. Nothing, with a message in error, when anything in
   it lies outside the file or contradicts itself. */
std::optional<CoffObject> read_coff_object(std::span<const std::uint8_t> bytes, std::string& error);

/* The object as a file: headers, then each section's contents, relocations
   and line numbers, then the symbol and string tables. Section positions
   and counts are computed here; the line numbers' symbol indices and the
   relocations' must already be the written ones. */
std::vector<std::uint8_t> write_coff_object(const CoffObject& object);

// The table index of each symbol (auxiliary records counted).
std::vector<std::uint32_t> symbol_table_indices(const std::vector<ObjectSymbol>& symbols);

}  // namespace vyn::cc
