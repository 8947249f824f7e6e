// CodeView debug information: what is gathered from each module while the
// objects are copied and relocated, and the global type list the modules'
// types are merged into. The block is written behind the image's other
// debug data and named by the third debug directory entry.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vyn::lnk {

struct Linker;
struct InputFile;
struct InputSection;

// One linked command-line object with code or data.
struct CvModule {
    std::string object_name;
    std::uint32_t text_offset = 0;  // of its code within ".text"
    std::uint32_t text_size = 0;
    std::string source_name;        // from ".file", else the object name with ".asm"

    // Line table: parallel arrays, code offsets within ".text".
    std::vector<std::uint32_t> line_offsets;
    std::vector<std::uint16_t> line_numbers;

    // The symbol block, 16-byte prefix included. has_symbols is set when the
    // object carried CodeView 4 symbols; otherwise the linker made the block.
    std::vector<std::uint8_t> symbols;
    bool has_symbols = false;
    // The object's type records (signature dropped), and the global index
    // each local index 0x1000 + i was given (0 while unmapped).
    std::vector<std::uint8_t> types;
    std::vector<std::uint16_t> type_map;

    // Offsets within the symbol block of its global procedures (0x205) and
    // global data (0x202), in block order.
    std::vector<std::uint32_t> global_procedures;
    std::vector<std::uint32_t> global_data;
};

// A record of the global type list and what the merge knows about it.
struct CvGlobalType {
    std::vector<std::uint8_t> record;  // length word included
};

struct CodeViewInfo {
    std::vector<CvModule> modules;
    std::vector<CvGlobalType> types;   // global index 0x1000 + position
    // Structures by name (the name's bytes), for merging declarations that
    // several modules share.
    std::unordered_map<std::string, std::uint16_t> structures;
    bool types_full = false;           // 16-bit indices are used up
    bool any_debug_section = false;    // some module had a ".debug…" section

    // The line table being collected for the current code section.
    std::uint32_t line_capacity = 0;
    std::uint32_t lines_in_section = 0;
    int function_first_line = 0;
};

// CodeView 4 record kinds and leaves.
namespace cv {
constexpr std::uint32_t kSignature = 1;
constexpr std::uint16_t kRegister = 2, kConstant = 3, kStartSearch = 5, kEnd = 6, kUdt = 8;
constexpr std::uint16_t kFrameRelative = 0x200, kLocalData = 0x201, kGlobalData = 0x202, kPublic = 0x203;
constexpr std::uint16_t kLocalProcedure = 0x204, kGlobalProcedure = 0x205;
constexpr std::uint16_t kProcedureReference = 0x400, kDataReference = 0x401, kAlign = 0x402;
constexpr std::uint16_t kFirstTypeIndex = 0x1000;
}  // namespace cv

// Gathering, per module (codeview_modules.cpp, codeview_lines.cpp).
void find_debug_sections(Linker& l);
void collect_codeview(Linker& l, InputFile& f);
void collect_line_numbers(Linker& l, CvModule& m, InputFile& f, InputSection& s);
std::optional<std::vector<std::uint8_t>> join_codeview_sections(
    const InputFile& f, std::string_view name,
    const std::function<std::span<const std::uint8_t>(const InputSection&)>& contents_of);
void merge_codeview_records(Linker& l, CvModule& m, int number, std::span<const std::uint8_t> symbols,
                            std::span<const std::uint8_t> types);
CvModule& AddTextModule(Linker& l, InputFile& f);
void CodeViewSetLineNumbersForSource(Linker& l, std::uint32_t line_count);
void CodeViewSetFnOffset(Linker& l, CvModule& m, std::uint32_t offset, int first_line);
void CodeViewAddLineNumber(Linker& l, CvModule& m, std::uint32_t offset, int relative_line);
void CodeViewFinishLineNumbers(Linker& l, CvModule& m);
void AddCodeViewSymbol(CvModule& m, std::uint16_t kind, std::uint32_t offset, std::uint16_t section,
                       std::string_view name);

// Symbol blocks (codeview_symbols.cpp).
void start_symbol_block(CvModule& m, int module_number, std::span<const std::uint8_t> object_symbols);
void finish_symbol_block(Linker& l, CvModule& m);

// Type merging (codeview_types.cpp).
void LinkTypes(Linker& l, CvModule& m);
std::uint16_t global_type_index(Linker& l, const CvModule& m, std::uint16_t local);

// Writing (codeview_writer.cpp, codeview_globals.cpp).
std::vector<std::uint8_t> WriteCVInfo(Linker& l);
// The global publics and global symbols subsections; nothing when no
// module with CodeView symbols has a global procedure or global datum.
struct CvGlobalSubsections {
    std::vector<std::uint8_t> publics, symbols;
};
std::optional<CvGlobalSubsections> build_global_subsections(Linker& l);
// The name hash of a global symbol: its name with "_" put in front.
std::uint32_t HashSymbol(std::string_view name);

}  // namespace vyn::lnk
