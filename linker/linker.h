// The state of one link and the phases that work on it. Each phase lives in a
// file of its own; this header is the table of contents, and run_link
// (driver.cpp) calls the phases in order.
//
// Function names: the names the program's own documentation gives to its
// phases and steps (ProcessDirectives, FinalLink, LinkTableLookup,
// CodeViewAddLineNumber, ...) keep that spelling so that the documentation
// and the code can be read side by side; every other function is
// snake_case.
#pragma once

#include "common/coff_format.h"
#include "linker/codeview.h"
#include "linker/link_types.h"

#include <array>
#include <cstdarg>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace vyn::lnk {

constexpr std::size_t kHashBuckets = 4051;

// The image's fixed headers: the DOS stub, the "PE\0\0" signature, the file
// header and the PE32 optional header; the section headers follow them.
constexpr std::size_t kDosStubSize = 128;
constexpr std::size_t kPeSignatureSize = 4;
constexpr std::size_t kImageHeadersSize =
    kDosStubSize + kPeSignatureSize + coff::kFileHeaderSize + coff::kOptionalHeaderSize32;
// The image's COFF debug information starts with a header of eight words.
constexpr std::uint32_t kCoffDebugHeaderSize = 32;

// The link hash table: 4051 buckets, new entries at the front of their bucket,
// plus the undefined list (entries in the order they first became undefined or
// common; head and tail kept here).
struct LinkHashTable {
    std::vector<LinkSymbol*> buckets = std::vector<LinkSymbol*>(kHashBuckets, nullptr);
    std::deque<LinkSymbol> storage;
    // The same entries in an open-addressed index, for lookups that do not
    // walk a bucket chain: a lookup hashes its name once and compares names
    // only where the whole 64-bit hash matches. (The link hash, which fixes
    // the buckets and so the order in which the table is traversed, gives
    // many names the same value and is no key for an index.) Never more
    // than half full; its size is a power of two.
    std::vector<LinkSymbol*> index = std::vector<LinkSymbol*>(std::size_t(1) << 14, nullptr);
    std::size_t entry_count = 0;
    LinkSymbol* undefined_head = nullptr;
    LinkSymbol* undefined_tail = nullptr;
};

struct DefaultLibrary {
    const char* name;
    bool named = false;
};

struct Settings {
    std::string output_name;
    bool output_name_given = false;
    bool dll = false;
    bool base_relocations = false;
    bool exports_present = false;
    bool no_startup = false;
    bool verbose = false;
    bool report_unused = false;
    unsigned debug_flags = 3;  // bit 0, bit 1; "-s" clears bit 1 and sets bit 2
    std::string entry_symbol = "_mainCRTStartup";
    std::string dll_init_symbol = "_LibMain@12";
    std::uint32_t image_base = 0x400000;
    std::uint16_t subsystem = 3;
    std::uint16_t version_major = 0;
    std::uint16_t version_minor = 0;
    std::uint32_t stack_reserve = 0x100000;
    std::uint32_t stack_commit = 0x1000;
    std::optional<std::string> library_directory;
    std::string map_name;
    // The map is written under a temporary name beside it and renamed over
    // it once the link succeeds, like the image.
    std::FILE* map_file = nullptr;
    std::string map_temp_path;
    std::string resource_source;
    std::string resource_object;
    std::string def_file;
    bool have_input = false;
    std::time_t start_time = 0;

    bool stripped() const { return (debug_flags & 4) != 0; }
};

struct Linker {
    Settings settings;
    std::FILE* error_stream = stderr;
    bool error_stream_is_file = false;
    // Called first by xexit when set; the fuzz target throws from it so that
    // a link ends without ending the process.
    void (*end_hook)(int status) = nullptr;

    // Inputs in command-line order: (list name, host path).
    struct ListedFile {
        std::string name;
        std::string host_path;
    };
    std::vector<ListedFile> input_list;
    // Every list name and its base name, for the "named twice" test.
    std::unordered_set<std::string> listed_names;
    std::array<DefaultLibrary, 8> default_libraries{{{"libc.lib"},
                                                     {"kernel32.lib"},
                                                     {"user32.lib"},
                                                     {"gdi32.lib"},
                                                     {"advapi32.lib"},
                                                     {"comctl32.lib"},
                                                     {"comdlg32.lib"},
                                                     {"crtdll.lib"}}};
    bool startup_added = false;

    std::vector<ExportDirective> exports;
    int ordinal_counter = 1;

    // Resolution.
    std::deque<std::unique_ptr<InputFile>> command_files;  // one per input list entry
    std::vector<InputFile*> linked_files;                   // objects in link order
    LinkHashTable table;
    std::vector<std::string> entry_names;
    InputSection und_section, com_section, abs_section;
    std::unordered_set<std::string> reported_undefined;  // each undefined symbol is reported once
    int error_count = 0;
    bool weak_cycle = false;  // a chain of weak externals came back on itself

    // Layout and writing.
    std::vector<SectionGroup> groups;
    std::vector<std::unique_ptr<OutputSection>> sections;  // list order
    OutputSection* common_output = nullptr;
    std::vector<std::uint32_t> base_relocs;
    std::uint32_t entry_address = 0;
    LinkSymbol* dll_init = nullptr;
    bool any_input_relocations = false;
    std::string map_lines_prefix;  // line-number listing gathered while copying
    std::vector<std::uint8_t> coff_debug;  // header, line numbers, symbols, strings
    std::uint32_t coff_symbol_count = 0;
    std::uint32_t coff_line_count = 0;
    std::uint32_t coff_strings_size = 0;
    bool debug_directory = false;
    CodeViewInfo codeview;
    std::uint32_t end_of_sections = 0;
    struct EdataLayout {
        std::uint32_t dll_name_at, addresses_at, pointers_at, ordinals_at, names_at;
    } edata_layout{};  // file position after the last section's data

    Linker();
};

// Diagnostics and exit (diagnostics.cpp).
void err(Linker& l, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void out(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
[[noreturn]] void xexit(Linker& l, int status);
// Internal consistency checks. The number is what the message prints; a
// check above 9999 is survivable and the link goes on after it.
enum class InternalCheck : int {
    // Layout gave an input section less room in its output section than its
    // contents take, so copying them would write past the section's data.
    ContributionRoom = 3,
    // A code section gave more CodeView line entries than it has COFF
    // line-number records, so the module's line table would be overrun.
    LineTableOverflow = 11705,
};
void internal_error(Linker& l, InternalCheck check);
// Closes and removes the temporary map file of a link that will not finish.
void discard_map_file(Linker& l);

// Command line (driver.cpp, response_file.cpp, library_path.cpp, def_file.cpp).
int linker_main(int argc, char** argv);
bool ParseArgs(Linker& l, const std::vector<std::string>& args);
// named: the user named the file (on the command line or in a response
// file); only such a file counts as input and names the output.
void AddNewFile(Linker& l, const std::string& path, bool named = true);
std::vector<std::string> ExpandFileName(Linker& l, const std::string& name);
std::vector<std::string> ProcessAtFile(Linker& l, const std::string& name);
std::optional<std::vector<std::string>> split_words(std::string_view text);
std::optional<std::string> FindDefaultFile(Linker& l, const std::string& name);
std::optional<std::string> ReadLibPathFromRegistry();
bool WriteLibPathToRegistry(const std::string& directory);
bool ProcessDefFile(Linker& l, const std::string& path);
bool add_export(Linker& l, const std::string& decorated, const std::string& alias);

// Inputs (coff_reader.cpp, archive.cpp).
// The COFF line-number records of an input section, up to the first one
// that does not lie in its file.
std::vector<coff::LineNumber> section_line_numbers(const InputSection& s);
// Reads a whole input file; its bytes stay in memory for the whole link.
bool read_whole_file(const std::string& host_path, InputFile& file);
bool FindFileType(Linker& l, InputFile& file, FileKind wanted);
bool BuildFileDescriptor(Linker& l, InputFile& file);
bool ReadObjectSymbols(Linker& l, InputFile& file);
bool CheckIfDotLib(InputFile& file);
InputFile* open_archive_member(InputFile& archive, std::uint32_t header_offset);

// Symbols and resolution (symbol_table.cpp, resolve.cpp).
std::uint32_t link_hash(std::string_view name);
LinkSymbol* LinkTableLookup(Linker& l, std::string_view name, bool create);
void append_undefined(Linker& l, LinkSymbol* s);
bool AddSymbols(Linker& l, InputFile& file);
void BuildCommon(Linker& l);
void undefined_symbol(Linker& l, InputFile& file, InputSection* section, std::string_view name,
                      std::uint32_t offset_in_section);
void UsageSymbol(Linker& l);
// The resolution phase: every input entered, archives searched.
void ProcessDirectives(Linker& l);
// One input whose bytes are in memory, entered as ProcessDirectives enters
// each file of the list.
void enter_input(Linker& l, InputFile& file);
// Common symbols, output sections and addresses, once all inputs are in.
bool lay_out(Linker& l);
void process_embedded_commands(Linker& l, InputFile& file);
LinkSymbol* find_export_style(Linker& l, const std::string& wanted);
std::span<const std::uint8_t> section_contents(const InputSection& s);
// The source file an object names in its ".file" symbol.
std::optional<std::string> source_file_name(const InputFile& f);
// The first source line of the function symbol_index names; 0 when unknown.
int function_first_line(const InputFile& f, std::uint32_t symbol_index);

// Layout and writing (layout.cpp, relocate.cpp, exports.cpp, image_writer.cpp, map_file.cpp).
void declare_section_groups(Linker& l);
bool LinkInputSections(Linker& l);
void sort_sections(Linker& l);
// False (with a message) when the image does not fit a 32-bit process.
bool SetSectionSizes(Linker& l);
bool check_image_end(Linker& l);
void DetermineEntryPoint(Linker& l);
// Contents copied and relocated, ".reloc" and ".edata" appended, the COFF
// debug information built, file positions set: the stages below, in order.
bool FinalLink(Linker& l);
bool copy_and_relocate(Linker& l);
bool append_sections(Linker& l);
void build_debug_information(Linker& l);
void SetSectionPositions(Linker& l);
bool BuildRelocSection(Linker& l);
bool BuildEdataSection(Linker& l);
void relocate_edata(Linker& l);
bool WriteExeFile(Linker& l);
// The whole image file as WriteExeFile writes it.
std::vector<std::uint8_t> build_image(Linker& l);
void WriteMapFile(Linker& l);
void WriteImportLibrary(Linker& l);
bool ReadResourceFile(Linker& l, const std::string& res_path, const std::string& obj_path);
// The object made from a resource file's bytes; false when they are malformed.
bool convert_resource(std::span<const std::uint8_t> res, std::vector<std::uint8_t>& object);
std::optional<std::uint32_t> symbol_address(Linker& l, InputFile& file, std::uint32_t index,
                                            InputSection** section_out);
OutputSection* find_output(Linker& l, std::string_view name);
bool is_startup_name(std::string_view name);

}  // namespace vyn::lnk
