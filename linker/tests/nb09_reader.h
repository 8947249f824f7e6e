// An independent reader of the CodeView NB09 block of a linked image, for the
// linker's tests. It finds the block twice, through the PE debug directory
// (the third 28-byte entry, of type 2) and through the "NB09" trailer at the
// end of the file, and parses the subsection directory and every subsection
// kind into plain structs.
//
// Every read is bounds-checked. Whatever does not fit the layout (a field out
// of range, a length that runs past its subsection, bytes left unexplained at
// the end of a subsection, the two ways to the block disagreeing) is recorded
// in `problems` and the reader goes on with what it can still read; it never
// throws and never reads outside the file.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vyn::lnk::test::nb09 {

// Subsection types.
constexpr std::uint16_t kModule = 0x120, kAlignedSymbols = 0x125, kSourceModule = 0x127, kGlobalSymbols = 0x129,
                        kGlobalPublics = 0x12A, kGlobalTypes = 0x12B, kSegmentMap = 0x12D, kFileIndex = 0x133;
constexpr std::uint16_t kGlobalModule = 0xFFFF;

struct Section {
    std::string name;
    std::uint32_t virtual_size = 0, rva = 0, raw_size = 0, file_position = 0;
};

struct DebugEntry {
    std::uint32_t characteristics = 0, time = 0, version = 0, type = 0, size = 0, address = 0, position = 0;
};

struct DirectoryEntry {
    std::uint16_t type = 0, module = 0;
    std::uint32_t offset = 0, size = 0;
};

struct SegmentDescriptor {
    std::uint16_t segment = 0, pad = 0;
    std::uint32_t offset = 0, size = 0;
};

struct ModuleSubsection {
    std::uint16_t overlay = 0, library = 0;
    std::string style;
    std::vector<SegmentDescriptor> segments;
    std::string name;
};

struct LineBlock {
    std::uint16_t segment = 0;
    std::vector<std::uint32_t> offsets;
    std::vector<std::uint16_t> lines;
};

struct SourceFile {
    std::vector<std::uint32_t> line_block_offsets;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> ranges;
    std::string name;
    std::vector<LineBlock> blocks;
};

struct SourceModule {
    std::vector<std::uint32_t> file_offsets;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> ranges;
    std::vector<std::uint16_t> segments;
    std::vector<SourceFile> files;
};

// A symbol record; offset counts from the start of its subsection for an
// aligned-symbols block and from the first record for the global tables.
struct SymbolRecord {
    std::uint32_t offset = 0;
    std::uint16_t length = 0, kind = 0;
    std::vector<std::uint8_t> body;  // length - 2 bytes behind the kind
};

// The fields of a procedure record (kinds 0x204, 0x205).
struct ProcedureFields {
    std::uint32_t parent = 0, end = 0, next = 0, length = 0, debug_start = 0, debug_end = 0, offset = 0;
    std::uint16_t segment = 0, type = 0;
    std::uint8_t flags = 0;
    std::string name;
};

// The fields of a data or public record (kinds 0x201, 0x202, 0x203).
struct DataFields {
    std::uint32_t offset = 0;
    std::uint16_t segment = 0, type = 0;
    std::string name;
};

// The fields of a procedure or data reference (kinds 0x400, 0x401).
struct ReferenceFields {
    std::uint32_t hash = 0, offset = 0;
    std::uint16_t module = 0;
};

std::optional<ProcedureFields> procedure_fields(const SymbolRecord& r);
std::optional<DataFields> data_fields(const SymbolRecord& r);
std::optional<ReferenceFields> reference_fields(const SymbolRecord& r);
// Frame-relative records: offset, type, name.
std::optional<std::pair<std::int32_t, std::uint16_t>> frame_fields(const SymbolRecord& r);

struct SymbolBlock {
    std::uint32_t signature = 0;
    std::uint16_t search_length = 0, search_kind = 0, search_module = 0, search_pad = 0;
    std::uint32_t first_procedure = 0;
    std::vector<SymbolRecord> records;  // behind the 16-byte prefix, alignment record included
    std::uint32_t zero_padding = 0;     // bytes behind the last record
};

struct HashEntry {
    std::uint32_t offset = 0, hash = 0;
};

struct GlobalTable {
    std::uint16_t name_hash_function = 0, address_hash_function = 0;
    std::uint32_t symbol_size = 0, name_hash_size = 0, address_hash_size = 0;
    std::vector<SymbolRecord> records;
    std::uint16_t bucket_count = 0, bucket_pad = 0;
    std::vector<std::uint32_t> running_counts;     // one per bucket
    std::vector<std::vector<HashEntry>> buckets;   // entries per bucket
};

struct TypeRecord {
    std::uint32_t offset = 0;          // from the first record
    std::vector<std::uint8_t> bytes;   // the whole record, its length field included
    std::uint16_t leaf() const;
};

struct GlobalTypes {
    std::uint32_t flags = 0;
    std::vector<std::uint32_t> offsets;
    std::vector<TypeRecord> records;  // one per offset
};

struct SegmentMapEntry {
    std::uint16_t flags = 0, overlay = 0, group = 0, frame = 0, name = 0, class_name = 0;
    std::uint32_t offset = 0, size = 0;
};

struct SegmentMap {
    std::uint16_t count = 0, logical_count = 0;
    std::vector<SegmentMapEntry> entries;
};

struct FileIndex {
    std::uint16_t module_count = 0, reference_count = 0;
    std::vector<std::uint16_t> module_start, module_references;
    std::vector<std::uint32_t> name_offsets;
    std::vector<std::string> names;  // one per reference
};

struct CodeView {
    std::vector<std::string> problems;
    std::vector<Section> sections;

    std::uint32_t debug_directory_rva = 0, debug_directory_size = 0;
    std::vector<DebugEntry> debug_entries;   // the three slots at the directory's start, read regardless of its size
    bool found = false;                      // a CodeView block exists (entry or trailer)
    std::uint32_t position = 0, size = 0;    // of the block in the file, from the trailer

    std::uint32_t directory_offset = 0;
    std::uint16_t directory_header_size = 0, directory_entry_size = 0;
    std::uint32_t next_directory = 0, directory_flags = 0;
    std::vector<DirectoryEntry> directory;

    std::map<std::uint16_t, ModuleSubsection> modules;
    std::map<std::uint16_t, SourceModule> source_modules;
    std::map<std::uint16_t, SymbolBlock> symbols;
    std::optional<GlobalTable> publics, globals;
    std::optional<GlobalTypes> types;
    std::optional<SegmentMap> segment_map;
    std::optional<FileIndex> file_index;

    // The directory entry of a subsection, if there is exactly one.
    const DirectoryEntry* entry(std::uint16_t type, std::uint16_t module) const;
    // The type record of a global index (0x1000 and up), or null.
    const TypeRecord* type_record(std::uint16_t index) const;
};

// Reads the whole image file.
CodeView read_codeview(std::span<const std::uint8_t> image);

// "problem; problem; ..." for a failure message.
std::string describe_problems(const CodeView& cv);

}  // namespace vyn::lnk::test::nb09
