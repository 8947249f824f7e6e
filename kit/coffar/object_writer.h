// A small i386 COFF object writer: sections with data and relocations, and
// symbols (section symbols, definitions, references). Enough for the objects
// an import library is made of.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/coff_format.h"

namespace vyn::coffar {

class ObjectWriter {
public:
    // Adds a section and its static section symbol; returns the 1-based section number.
    int add_section(const std::string& name, std::vector<std::uint8_t> data, std::uint32_t characteristics);
    // The symbol index of a section's own symbol.
    std::uint32_t section_symbol(int section) const { return section_symbols_.at(section - 1); }
    std::uint32_t define(const std::string& name, int section, std::uint32_t value = 0);
    std::uint32_t reference(const std::string& name);
    void relocate(int section, std::uint32_t offset, std::uint32_t symbol, std::uint16_t type);

    std::vector<std::uint8_t> build() const;

private:
    struct Section {
        std::string name;
        std::vector<std::uint8_t> data;
        std::uint32_t characteristics;
        std::vector<coff::Relocation> relocations;
    };
    struct Symbol {
        std::string name;
        std::uint32_t value;
        std::int16_t section;
        std::uint8_t storage_class;
    };
    std::uint32_t add_symbol(Symbol s);

    std::vector<Section> sections_;
    std::vector<Symbol> symbols_;
    std::vector<std::uint32_t> section_symbols_;
};

}  // namespace vyn::coffar
