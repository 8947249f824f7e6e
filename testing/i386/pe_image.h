// Reading a PE32 (i386) image file into what the loader needs from it: the
// headers' fields, the sections with their protections, the imported
// functions with their IAT slots, the exports, the base relocations and the
// TLS directory.
//
// Every offset and size taken from the file is checked against the file (or
// against the image) before it is used, so a truncated or corrupt file gives
// an error string rather than a bad read. Every limit is applied while
// reading, and what the reader keeps is proportional to the file, never to a
// size the file declares: section contents are views into the file, and the
// zero-filled rest of the image exists only as a size.
#pragma once

#include "common/coff_format.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vyn::i386 {

// Limits of the loader. Images beyond them are refused with a message.
constexpr std::uint32_t kMaxImageSize = 256u << 20;  // larger ones are taken for corrupt headers
constexpr std::uint32_t kMaxSections = 96;            // as many as the system's own loader maps
constexpr std::uint32_t kMaxImports = 0x4000;         // one stub each in the machine's stub page
constexpr std::uint32_t kMaxStackReserve = 1u << 30;
constexpr std::size_t kMaxDllNameLength = 260;
constexpr std::size_t kMaxImportNameLength = 4096;
constexpr std::uint32_t kMaxExports = 0x10000;  // ordinals are 16-bit

struct ImportedFunction {
    std::string dll;             // as the import directory spells it
    std::string name;            // the function's name, or "#ordinal"
    std::uint32_t slot_rva = 0;  // where the loader stores the function's address
};

// A function or variable a DLL exports. forwarder is empty for one the DLL
// holds itself (at rva); else it names where the export really lies,
// "DLL.name" or "DLL.#ordinal".
struct Export {
    std::uint32_t ordinal = 0;
    std::string name;  // empty for an export by ordinal only
    std::uint32_t rva = 0;
    std::string forwarder;
};

// Page protection bits, as the section characteristics ask for them.
constexpr std::uint32_t kRead = 1;
constexpr std::uint32_t kWrite = 2;
constexpr std::uint32_t kExecute = 4;

struct Section {
    std::string name;
    std::uint32_t rva = 0;
    std::uint32_t virtual_size = 0;     // at least data.size(); the rest is zero
    std::span<const std::uint8_t> data;  // the raw bytes, a view into the file
    std::uint32_t protection = 0;        // Protection bits
};

// One base relocation: where it applies and its coff::base_reloc type
// (kHighLow for a 32-bit address, kHigh and kLow for its halves).
struct Relocation {
    std::uint32_t rva = 0;
    std::uint8_t type = 0;
};
// The number of bytes a base relocation of that type patches.
constexpr std::uint32_t relocation_width(std::uint8_t type)
{
    return type == coff::base_reloc::kHighLow ? 4 : 2;
}

// The TLS directory's fields, as virtual addresses at the preferred base.
struct TlsDirectory {
    bool present = false;
    std::uint32_t template_start = 0;
    std::uint32_t template_end = 0;
    std::uint32_t index_address = 0;
    std::uint32_t callbacks_address = 0;  // a null-terminated array of function addresses, or 0
    std::uint32_t zero_fill = 0;
};

struct PeImage {
    std::uint32_t image_base = 0;  // the preferred base
    std::uint32_t entry_rva = 0;
    std::uint32_t size_of_image = 0;  // rounded up to whole pages
    std::uint32_t section_alignment = 0;
    std::uint32_t stack_reserve = 0;  // rounded up to 64 KB
    bool relocations_stripped = false;
    bool nx_compatible = false;  // data pages are not executable
    bool dll = false;            // the file header marks the image a DLL
    std::span<const std::uint8_t> headers;  // a view into the file
    std::vector<Section> sections;          // ascending, not overlapping
    std::vector<ImportedFunction> imports;
    std::vector<Export> exports;  // by ordinal, then the names in their table's order
    std::vector<Relocation> relocations;
    TlsDirectory tls;

    // Copies the image's bytes at [rva, rva + out.size()) as they are once
    // mapped (zero where no file data lies); false when that range leaves the
    // image.
    bool read(std::uint32_t rva, std::span<std::uint8_t> out) const;
};

// Parses file into image; false with a message in error when the file is not
// a well-formed PE32 image for the i386. The image refers to file's bytes,
// which must outlive it.
bool read_pe_image(std::span<const std::uint8_t> file, PeImage& image, std::string& error);

}  // namespace vyn::i386
