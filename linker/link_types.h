// The records one link works on: input files and their sections, the link
// hash table's entries, output sections and their contributions, export
// directives and the global settings. The linker owns all of them for one run
// and frees nothing before exit; records are held in deques or by unique_ptr so
// that pointers between them stay valid while the lists grow.
#pragma once

#include "common/coff_format.h"

#include <cstdint>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vyn::lnk {

struct InputFile;
struct OutputSection;
struct LinkSymbol;

// Internal section flags derived from the COFF characteristics.
enum SectionFlag : unsigned {
    kAllocated = 1,
    kLoaded = 2,
    kCode = 4,
    kData = 8,
    kKeep02 = 16,
    kLinkOnce = 32,
    kHasRelocs = 64,
    kHasContents = 128,
};

// Section characteristic 0x2, reserved in today's objects ("no load" in old
// ones): an input section's kKeep02 flag, passed on to its output section.
constexpr std::uint32_t kKeep02Characteristic = 0x00000002;

// One COFF section header of an input object, or a section the linker made
// for it (the "COMMON" section of a file, the pseudo-sections).
struct InputSection {
    std::string name;
    std::uint32_t virtual_address = 0;
    std::uint32_t size = 0;          // size of raw data (or the allocated length of COMMON)
    std::uint32_t raw_pos = 0;
    std::uint32_t reloc_pos = 0;
    std::uint32_t line_pos = 0;
    std::uint32_t reloc_count = 0;
    std::uint32_t line_count = 0;
    std::uint32_t characteristics = 0;
    unsigned flags = 0;
    std::uint32_t alignment = 1;     // bytes, a power of two
    int index = 0;                   // 1-based within its file; 0 for made sections
    InputFile* file = nullptr;
    OutputSection* output = nullptr;
    std::uint32_t out_offset = 0;    // from the start of the output section
    bool pseudo = false;             // *UND*, *COM*, *ABS*
};

// One 18-byte symbol table entry, decoded. Auxiliary entries keep only their
// raw bytes (is_aux set).
struct CoffSymbol {
    std::string_view name;  // into the file's bytes, which live for the whole run
    std::uint32_t value = 0;
    std::int16_t section = 0;
    std::uint16_t type = 0;
    std::uint8_t storage_class = 0;
    std::uint8_t aux_count = 0;
    bool is_aux = false;
    std::span<const std::uint8_t> raw;  // the 18 bytes
};

// External symbols (and section definitions the compiler marks external)
// are the ones that meet the link hash table.
inline bool is_external(const CoffSymbol& s)
{
    return !s.is_aux && (s.storage_class == coff::storage_class::kExternal ||
                         s.storage_class == coff::storage_class::kSection);
}

enum class FileKind { Unknown, Object, Archive, Neither };

struct ArchiveIndexEntry {
    std::string name;
    std::uint32_t member_offset = 0;
};

// An input file: an object or archive from the command line, or an archive
// member taken into the link.
struct InputFile {
    std::string name;        // as shown in messages (lower-cased list entry, or the member name)
    std::string host_path;   // what is opened
    std::shared_ptr<const std::uint8_t[]> data;  // the whole file (an archive for members)
    std::span<const std::uint8_t> bytes;         // this object's bytes
    FileKind kind = FileKind::Unknown;
    bool entered = false;

    // An archive member: its archive, its header offset and its name.
    InputFile* archive = nullptr;
    std::uint32_t member_offset = 0;
    std::string member_name;
    int member_mark = 0;

    // Object fields.
    std::uint16_t section_count = 0;
    std::uint32_t symtab_pos = 0;
    std::uint32_t symbol_count = 0;
    bool symbols_read = false;
    std::vector<CoffSymbol> symbols;
    std::span<const std::uint8_t> string_table;
    std::vector<LinkSymbol*> symbol_entries;  // parallel to symbols
    std::vector<std::unique_ptr<InputSection>> sections;
    InputSection* common_section = nullptr;

    // Archive fields.
    std::vector<ArchiveIndexEntry> index;
    std::string damage;  // what is wrong with the archive's headers or index; empty when sound
    std::string long_names;
    std::map<std::uint32_t, std::unique_ptr<InputFile>> members;
    int pass_mark = 0;

    bool from_archive() const { return archive != nullptr; }
};

// Where a name stands in the link: never seen, referenced but not defined,
// defined, or common (sized but not yet placed). The numbers are the ones
// the program's documentation gives the states.
enum class SymbolState : std::uint8_t { New = 0, Undefined = 1, Defined = 2, Common = 3 };

// An entry of the link hash table.
struct LinkSymbol {
    std::string name;
    std::uint32_t hash = 0;        // link_hash: picks the bucket
    std::uint64_t index_hash = 0;  // the name's hash in the table's index
    LinkSymbol* next_in_bucket = nullptr;
    LinkSymbol* next_undefined = nullptr;
    bool on_undefined_list = false;
    InputFile* first_reference = nullptr;
    InputSection* section = nullptr;
    std::uint32_t value = 0;          // offset within the section
    std::uint32_t common_size = 0;
    InputFile* defining_file = nullptr;
    bool referenced = false;
    SymbolState state = SymbolState::New;
};

// An input section placed into an output section.
struct Contribution {
    InputSection* section = nullptr;
    std::vector<std::uint8_t> synthetic;  // contents made by the linker (no input file)
    bool is_synthetic = false;
    std::uint32_t size = 0;
};

struct OutputSection {
    std::string name;
    std::uint32_t address = 0;        // absolute
    std::uint32_t virtual_size = 0;
    std::uint32_t raw_size = 0;       // rounded to 512 once file positions are set
    std::uint32_t file_pos = 0;
    std::uint32_t alignment = 4096;
    int index = 0;                    // 1-based among the written section headers
    unsigned flags = 0;
    std::uint32_t extra_characteristics = 0;
    std::vector<Contribution> contributions;
    std::vector<std::uint8_t> data;   // the relocated contents, virtual_size bytes
    bool in_image = true;             // false for ".debug"
};

struct SectionGroup {
    std::string name;
    std::vector<std::string> inputs;
};

struct ExportDirective {
    std::string name;                 // decorated: "_" + the name as written
    std::string alias;                // external name, when given
    int ordinal = 0;
    unsigned flags = 1;
    LinkSymbol* symbol = nullptr;
    std::uint32_t rva = 0;
};

}  // namespace vyn::lnk
