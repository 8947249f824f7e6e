// Loading the tables of the executable and of DLLs, resolving imports and
// finding the entry function.
#include "ide/debugger/dbginfo.h"

#include "common/coff_format.h"
#include "common/codeview_hash.h"
#include "ide/debugger/image_reader.h"

namespace vyn::dbg {

namespace pe = vyn::coff;

void SymbolTable::insert(SymbolEntry entry)
{
    if (!store_) {
        store_ = std::make_unique<Store>();
        store_->heads.fill(kNone);
    }
    std::uint32_t& head = store_->heads[DWordXorLrl(entry.name) & (kBuckets - 1)];
    store_->hidden.push_back(head);
    head = static_cast<std::uint32_t>(store_->entries.size());
    store_->entries.push_back(std::move(entry));
}

const SymbolEntry* SymbolTable::find(std::string_view name) const
{
    if (!store_)
        return nullptr;
    for (std::uint32_t i = store_->heads[DWordXorLrl(name) & (kBuckets - 1)]; i != kNone; i = store_->hidden[i])
        if (store_->entries[i].name == name)
            return &store_->entries[i];
    return nullptr;
}

const std::deque<SymbolEntry>& SymbolTable::entries() const
{
    static const std::deque<SymbolEntry> none;
    return store_ ? store_->entries : none;
}

bool DebugInfo::load_executable(std::span<const std::uint8_t> file, const std::string& name,
                                std::uint32_t base, const Tell& tell, bool attaching)
{
    file_ = file;
    image_base = base;
    module_base_ = 0;
    if (modules.empty())
        modules.resize(1);
    ImageReader r(*this, file, name, tell);
    if (!r.check_dos_header() || !r.read_headers(true, attaching))
        return false;
    bool ok = r.read_debug_directory();
    r.read_imports();
    return ok;
}

/* The DLL's modules follow the existing ones; its image base, COFF tables,
   imports and header copies are its own only while it is read. */
bool DebugInfo::load_dll(std::span<const std::uint8_t> file, DllRecord& dll, const Tell& tell)
{
    std::uint32_t saved_base = image_base;
    std::span<const std::uint8_t> saved_file = file_;
    std::vector<ImportEntry> saved_imports = std::move(imports);
    imports.clear();
    auto saved_header = optional_header;
    auto saved_sections = sections;
    auto saved_entry = codeview_entry;
    bool saved_has_cv = has_codeview;
    std::uint32_t saved[] = {base_of_code, code_start, code_end, data_start, data_end, entry_point_rva,
                             symbol_table_pos, symbol_count, string_table_pos};
    auto saved_coff_debug = coff_debug_pos;
    bool saved_console = console;
    int before = module_count();

    file_ = file;
    image_base = dll.base;
    module_base_ = before < 0 ? 0 : before;
    has_codeview = false;
    if (modules.empty())
        modules.resize(1);
    ImageReader r(*this, file, dll.name.empty() ? std::string("DLL") : dll.name, tell);
    bool ok = r.check_dos_header() && r.read_headers(false, false);
    if (ok) {
        ByteReader o(optional_header);
        o.seek(pe::optional_header32::kSizeOfImage);
        dll.size = o.u32();
        dll.end = dll.base + dll.size;
        ok = r.read_debug_directory();
        auto dir = r.debug_directory();
        dll.debug_directory.assign(dir.begin(), dir.end());
        // A miscellaneous record first: the program name lies 12 bytes into its data.
        std::uint32_t data_pos = 0, first = 0;
        if (dir.size() >= pe::kDebugDirectoryEntrySize && read_u32_at(dir, pe::debug_entry::kPosition, data_pos) &&
            read_u32_at(file, data_pos, first) && first == 1 && std::size_t{data_pos} + 12 < file.size()) {
            ByteReader n(file.subspan(std::size_t{data_pos} + 12));
            dll.program_name = n.c_string();
        }
        dll.has_codeview = has_codeview;
    }
    dll.modules_added = static_cast<std::size_t>(module_count() - before);

    file_ = saved_file;
    image_base = saved_base;
    imports = std::move(saved_imports);
    optional_header = std::move(saved_header);
    sections = std::move(saved_sections);
    codeview_entry = std::move(saved_entry);
    has_codeview = saved_has_cv;
    base_of_code = saved[0], code_start = saved[1], code_end = saved[2], data_start = saved[3];
    data_end = saved[4], entry_point_rva = saved[5], symbol_table_pos = saved[6], symbol_count = saved[7];
    string_table_pos = saved[8];
    coff_debug_pos = saved_coff_debug;
    console = saved_console;
    module_base_ = 0;
    return ok && dll.modules_added > 0;
}

/* Every COFF symbol whose name begins with "_", cut at its first "@", that
   names an import (with or without the "_") is the import's stub: a jump
   through the import slot whose address is the stub's operand 2 bytes in. */
bool DebugInfo::resolve_imports(MemoryReader& memory, const Tell& tell)
{
    std::uint32_t strings_length = 0;
    if (!read_u32_at(file_, string_table_pos, strings_length) || strings_length > file_.size()) {
        tell("Incorrect length of string table");
        return false;
    }
    std::span<const std::uint8_t> strings = file_.subspan(string_table_pos);
    strings = strings.first(std::min<std::size_t>(strings.size(), strings_length));
    ByteReader r(file_);
    for (std::uint32_t i = 0; i < symbol_count; ++i) {
        if (!r.seek(std::size_t{symbol_table_pos} + std::size_t{i} * pe::kSymbolSize))
            break;
        pe::Symbol s = pe::read_symbol(r);
        if (!r.ok())
            break;
        i += s.aux_count;
        std::string name = pe::symbol_name(s, strings);
        if (name.empty() || name[0] != '_')
            continue;
        name = name.substr(0, name.find('@'));
        for (ImportEntry& imp : imports) {
            if (imp.function != name && imp.function != name.substr(1))
                continue;
            // A read that fails leaves what it would have resolved at 0.
            std::uint32_t stub = s.value + image_base, slot = 0;
            std::uint8_t word[4];
            if (!memory.read(stub + 2, word))
                continue;
            imp.stub = stub;
            read_u32_at(word, 0, slot);
            if (memory.read(slot, word))
                read_u32_at(word, 0, imp.target);
        }
    }
    return true;
}

/* The names the compiler gives the two entry functions; the procedure records
   hold them without the leading "_", so those spellings are tried too. */
int DebugInfo::find_entry_function(const Tell& tell)
{
    const SymbolEntry* e = nullptr;
    for (const char* name : {"_WinMain@16", "_main", "WinMain", "main"})
        if ((e = globals.find(name)) != nullptr)
            break;
    if (!e) {
        tell("Impossible to find the entry point");
        return 0;
    }
    entry_address = e->value;
    entry_module = module_of_address(entry_address);
    if (entry_module == 0)
        entry_module = module_of_address(image_base + entry_point_rva);
    if (entry_module == 0)
        tell("Impossible to find the entry point (_mainCRTStartup)");
    return entry_module;
}

}  // namespace vyn::dbg
