// The debugger's tables, built from the CodeView NB09 block and the COFF
// symbol table that vynlnk writes into an executable: modules with their code
// ranges and line tables, functions with their locals, symbol tables of
// globals, statics and constants, imported functions and the type table.
//
// The reader works on the mapped file's bytes and never writes to them; every
// field is read through a bounds-checked reader, so a damaged or hostile image
// gives a message (or a table left short), never a read outside the file.
// Addresses are the debuggee's 32-bit linear addresses (image base added).
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vyn::dbg {

// A local of a procedure: frame-relative (offset from EBP) or in a register.
struct LocalVariable {
    std::string name;
    std::int32_t location = 0;  // EBP offset, or the CodeView register number
    std::uint16_t type = 0;
    std::uint16_t flags = 0;    // kRegisterLocal for a register variable
};
constexpr std::uint16_t kRegisterLocal = 2;

struct FunctionRecord {
    std::string name;
    std::uint32_t start = 0;
    std::uint16_t kind = 0;  // local or global procedure record kind
    std::uint32_t body_start = 0, body_end = 0, end = 0;
    std::vector<LocalVariable> locals;  // in record order, nested blocks included
    // The function's lines inside its module's line table, found on first use.
    bool lines_known = false;
    std::size_t first_line = 0, line_count = 0;
    std::uint16_t current_line = 0;
    std::uint32_t direct_hits = 0, child_hits = 0;
};

struct SymbolEntry {
    std::string name;
    std::int32_t kind = 0;       // the CodeView record kind it came from
    std::uint16_t type = 0;      // for functions the record kind
    std::uint32_t value = 0;     // the address
    std::string text;            // a string constant's text (value is then 0)
    const FunctionRecord* function = nullptr;
};

/* 1024 bucket heads by the case-insensitive CodeView name hash, each the
   newest entry of its bucket, and a chain from every entry to the one it
   hides: a later entry of a name hides an earlier one, names compare
   exactly. A table holds nothing at all until its first entry, so the
   statics and constants tables of the many modules without any cost no
   memory. Entries keep their addresses while the table grows. */
class SymbolTable {
public:
    static constexpr std::size_t kBuckets = 1024;
    void insert(SymbolEntry entry);
    const SymbolEntry* find(std::string_view name) const;
    std::size_t size() const { return store_ ? store_->entries.size() : 0; }
    // Every entry in insertion order.
    const std::deque<SymbolEntry>& entries() const;

private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFF;
    struct Store {
        std::array<std::uint32_t, kBuckets> heads;   // newest entry index per bucket, or kNone
        std::vector<std::uint32_t> hidden;           // per entry: the older entry of its bucket, or kNone
        std::deque<SymbolEntry> entries;
    };
    std::unique_ptr<Store> store_;
};

struct ModuleEntry {
    std::string name;
    std::uint32_t code_start = 0, code_size = 0, code_end = 0;
    std::string source_file;
    std::int32_t index = 0;
    std::vector<std::uint32_t> line_addresses;  // ascending as stored
    std::vector<std::uint16_t> line_numbers;    // parallel to line_addresses
    std::deque<FunctionRecord> functions;       // in the order read; stable addresses
    std::uint32_t line_table_offset = 0;
    SymbolTable statics, constants;
    bool present = false;                       // a module subsection filled it
};

struct ImportEntry {
    std::string function, dll;
    std::uint32_t target = 0, stub = 0;  // 0 until resolved
};

// The debuggee's memory, for resolving imports.
class MemoryReader {
public:
    virtual ~MemoryReader() = default;
    virtual bool read(std::uint32_t address, std::span<std::uint8_t> out) = 0;
};

// The global-types subsection: record t - 0x1000 for a type index t.
struct TypeTable {
    std::span<const std::uint8_t> records;      // from the first record to the subsection's end
    std::vector<std::uint32_t> offsets;         // per record, from the first record
};

// A COFF symbol of the code section, for code without CodeView information.
struct CoffFunction {
    std::string name;
    std::uint32_t start = 0, end = 0;  // end: the next such symbol, or the code end
};

struct DllRecord {
    std::uint32_t base = 0, size = 0, end = 0;
    std::string name, program_name;
    std::uint32_t hits = 0;
    std::vector<std::uint8_t> debug_directory;
    std::size_t modules_added = 0;
    bool has_codeview = false;
};

// The messages a load can show; the caller shows them (message box, output line).
using Tell = std::function<void(const std::string&)>;

class DebugInfo {
public:
    /* Load executable: header checks, debug directory, CodeView tables and
       the import list, from the file's bytes. name is used in messages,
       image_base from the create-process event. attaching selects the
       attach form of the no-debug-information message. Each failure is told
       and gives false; the tables then hold what was read. */
    bool load_executable(std::span<const std::uint8_t> file, const std::string& name, std::uint32_t image_base,
                         const Tell& tell, bool attaching = false);
    /* Load DLL symbols: its modules are appended to the module table and its
       globals go into the global table; the executable's per-image state is
       in force again afterwards. The bytes must outlive the tables. */
    bool load_dll(std::span<const std::uint8_t> file, DllRecord& dll, const Tell& tell);
    /* Resolve imports through the COFF symbol table and the debuggee's memory:
       each import's stub (its jump through the import slot) and target. */
    bool resolve_imports(MemoryReader& memory, const Tell& tell);
    /* Find the entry function: "_WinMain@16", else "_main"; the result is the
       entry module index, 0 (after telling why) when none is found. */
    int find_entry_function(const Tell& tell);

    // ---- queries --------------------------------------------------------
    // Module index (1 up) whose code start <= address < code end, else 0.
    int module_of_address(std::uint32_t address) const;
    // Module whose source base name equals file's (case-insensitive), else 0.
    int module_of_source(std::string_view file) const;
    // The source line of address, 0 when no line table covers it: the line
    // of the last line entry at or before the address (the first of equal
    // addresses), in the first module whose range holds the address.
    std::uint16_t line_of_address(std::uint32_t address) const;
    struct LineAddresses {
        std::uint16_t line = 0;                 // the nearest line at or after the one asked that has code
        std::vector<std::uint32_t> addresses;   // every entry of that line, in table order
    };
    // The addresses of line in module, or of the nearest following line with code.
    LineAddresses addresses_of_line(int module, std::uint16_t line) const;
    // The first function in list order that starts at address or contains it.
    const FunctionRecord* function_of_address(int module, std::uint32_t address) const;
    const FunctionRecord* function_of_address(std::uint32_t address) const;
    // The function's line entries (first index, count) in its module's table.
    std::pair<std::size_t, std::size_t> function_lines(int module, const FunctionRecord& f) const;
    // The function containing address, else the import whose stub is there.
    std::string name_of_address(std::uint32_t address) const;
    const ImportEntry* import_of_target(std::uint32_t address) const;
    const ImportEntry* import_of_stub(std::uint32_t address) const;
    // The module's statics first, then the globals; constants only in the module.
    const SymbolEntry* find_symbol(std::string_view name, int module) const;
    const SymbolEntry* find_constant(std::string_view name, int module) const;
    // COFF symbol by name: its value + image base.
    std::optional<std::uint32_t> coff_symbol_address(std::string_view name) const;
    // The external COFF code symbol at or before address, for code without CodeView.
    std::optional<CoffFunction> coff_function(std::uint32_t address) const;
    // The record (length field included) of a type index from 0x1000 up, else empty.
    std::span<const std::uint8_t> type_record(std::uint16_t index) const;

    // ---- tables ---------------------------------------------------------
    std::deque<ModuleEntry> modules;  // index 0 holds no module
    int module_count() const { return static_cast<int>(modules.size()) - 1; }
    SymbolTable globals;
    std::vector<ImportEntry> imports;
    TypeTable types;
    std::uint32_t entry_address = 0;
    int entry_module = 0;

    // ---- the executable's headers ---------------------------------------
    std::uint32_t image_base = 0;
    std::vector<std::uint8_t> optional_header;  // 224-byte copy
    std::uint32_t base_of_code = 0x1000, code_start = 0, code_end = 0, data_start = 0, data_end = 0;
    std::uint32_t entry_point_rva = 0;
    bool console = false;
    std::uint32_t symbol_table_pos = 0, symbol_count = 0, string_table_pos = 0;
    std::optional<std::uint32_t> coff_debug_pos;
    std::vector<std::uint8_t> codeview_entry;  // the 28-byte debug directory entry
    bool has_codeview = false;
    struct Section {
        std::string name;
        std::uint32_t virtual_size = 0, virtual_address = 0, raw_size = 0, raw_pos = 0;
    };
    std::vector<Section> sections;

private:
    friend class ImageReader;
    std::span<const std::uint8_t> file_;
    int module_base_ = 0;
    int current_module_ = 0;
    mutable std::vector<CoffFunction> coff_functions_;  // built on first use
    mutable bool coff_functions_built_ = false;
};

// The name of a primitive type index (below 0x1000), "unknown type" when none.
std::string primitive_type_name(std::uint16_t index);

}  // namespace vyn::dbg
