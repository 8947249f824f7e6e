// Builds i386 COFF object files byte by byte for tests that need exact
// inputs: sections (with or without raw data), relocations, line numbers,
// symbols with auxiliary entries, long names in the string table.
#pragma once

#include "common/coff_format.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vyn::testing {

// The characteristics, relocation types and storage classes tests use most,
// in the words of the shared vocabulary.
namespace coff {
namespace flags = ::vyn::coff::section_flags;
constexpr std::uint32_t kCode = flags::kCode | flags::kExecute | flags::kRead;
constexpr std::uint32_t kData = flags::kInitializedData | flags::kRead | flags::kWrite;
constexpr std::uint32_t kReadOnly = flags::kInitializedData | flags::kRead;
constexpr std::uint32_t kBss = flags::kUninitializedData | flags::kRead | flags::kWrite;
constexpr std::uint32_t kInfo = flags::kLinkInfo | flags::kLinkRemove;  // ".drectve"
constexpr std::uint32_t kComdat = flags::kComdat;
namespace reloc = ::vyn::coff::reloc_i386;
constexpr std::uint16_t kDir32 = reloc::kDir32, kDir32NB = reloc::kDir32NB, kSection = reloc::kSection,
                        kSecRel = reloc::kSecRel, kRel32 = reloc::kRel32;
namespace storage = ::vyn::coff::storage_class;
constexpr std::uint8_t kExternal = storage::kExternal, kStatic = storage::kStatic, kFunction = storage::kFunction,
                       kFile = storage::kFile;
}  // namespace coff

using AuxEntry = std::array<std::uint8_t, ::vyn::coff::kAuxSize>;

class CoffBuilder {
public:
    // A section with contents; returns its 1-based number.
    int add_section(const std::string& name, std::vector<std::uint8_t> data, std::uint32_t characteristics,
                    std::uint32_t virtual_address = 0);
    // A section without raw data (uninitialised) of the given size.
    int add_bss(const std::string& name, std::uint32_t size, std::uint32_t characteristics = coff::kBss);
    void add_relocation(int section, std::uint32_t offset, std::uint32_t symbol, std::uint16_t type);
    // A COFF line number: line 0 takes a symbol index, other lines an address.
    void add_line(int section, std::uint32_t address_or_symbol, std::uint16_t line);

    std::uint32_t add_symbol(const std::string& name, std::uint32_t value, std::int16_t section,
                             std::uint8_t storage_class = coff::kExternal, std::uint16_t type = 0,
                             std::vector<AuxEntry> aux = {});
    // External definition at value in section.
    std::uint32_t define(const std::string& name, int section, std::uint32_t value = 0);
    // Undefined external reference.
    std::uint32_t reference(const std::string& name) { return add_symbol(name, 0, 0); }
    // Common symbol of size bytes.
    std::uint32_t common(const std::string& name, std::uint32_t size) { return add_symbol(name, size, 0); }
    // A ".file" symbol naming the source file in its auxiliary entries.
    std::uint32_t file_symbol(const std::string& source);

    std::uint32_t symbol_count() const { return next_index_; }

    std::vector<std::uint8_t> build() const;
    bool write(const std::string& path) const;

private:
    struct Relocation {
        std::uint32_t offset, symbol;
        std::uint16_t type;
    };
    struct Line {
        std::uint32_t address;
        std::uint16_t line;
    };
    struct Section {
        std::string name;
        std::vector<std::uint8_t> data;
        std::uint32_t size = 0;
        bool has_data = true;
        std::uint32_t characteristics = 0;
        std::uint32_t virtual_address = 0;
        std::vector<Relocation> relocations;
        std::vector<Line> lines;
    };
    struct Symbol {
        std::string name;
        std::uint32_t value;
        std::int16_t section;
        std::uint16_t type;
        std::uint8_t storage_class;
        std::vector<AuxEntry> aux;
    };

    std::vector<Section> sections_;
    std::vector<Symbol> symbols_;
    std::uint32_t next_index_ = 0;
};

// Writes bytes to a file; false on failure.
bool write_bytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace vyn::testing
