// Reading the C13 CodeView that clang leaves in ".debug$S": the symbol
// records, the line blocks of each function, the file checksums and the
// string table that names the files. Every read is bounds-checked; a
// malformed section gives a message, never a read outside it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vyn::cc::c13 {

// A symbol record: where it starts in its section, its kind, and its bytes
// (length word included).
struct SymbolRecord {
    std::uint32_t offset = 0;
    std::uint16_t kind = 0;
    std::span<const std::uint8_t> bytes;
};

struct LineEntry {
    std::uint32_t offset = 0;  // from the start of the block's code
    std::uint32_t line = 0;
};

struct FileLines {
    std::uint32_t file_id = 0;  // offset of the file's entry in the checksums
    std::vector<LineEntry> entries;
};

// One lines subsection: the code it describes starts at the address the
// relocation at `code_field` (section offset of the offset field) names.
struct LineBlock {
    std::uint32_t code_field = 0;
    std::uint32_t code_addend = 0;  // the field's own value
    std::uint32_t code_size = 0;
    std::vector<FileLines> files;
};

struct DebugSymbols {
    std::vector<SymbolRecord> symbols;
    std::vector<LineBlock> lines;
    std::span<const std::uint8_t> strings;    // string table subsection
    std::span<const std::uint8_t> checksums;  // file checksums subsection
};

// Lines whose number is one of these mark code that belongs to no line.
constexpr std::uint32_t kNoLine = 0xFEEFEE, kAlwaysStepInto = 0xF00F00;

/* Reads one ".debug$S" section of C13 layout (signature 4). Nothing, with
   a message in error, when it is not C13 or is malformed. */
std::optional<DebugSymbols> read_debug_symbols(std::span<const std::uint8_t> section, std::string& error);

/* The name of the file whose checksum entry is at file_id, or nothing. */
std::optional<std::string> file_name(const DebugSymbols& d, std::uint32_t file_id);

}  // namespace vyn::cc::c13
