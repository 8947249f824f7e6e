// The look-ups the rest of the debugger asks of the tables.
#include "common/coff_format.h"
#include "ide/debugger/dbginfo.h"

#include <algorithm>
#include <cctype>

namespace vyn::dbg {

namespace pe = vyn::coff;

int DebugInfo::module_of_address(std::uint32_t address) const
{
    for (std::size_t i = 1; i < modules.size(); ++i)
        if (modules[i].present && modules[i].code_start <= address && address < modules[i].code_end)
            return static_cast<int>(i);
    return 0;
}

namespace {
// The file's name without directory (either separator) and extension, at
// most 99 characters, lower-cased for comparing.
std::string base_name(std::string_view file)
{
    std::size_t slash = file.find_last_of("\\/:");
    if (slash != std::string_view::npos)
        file = file.substr(slash + 1);
    std::size_t dot = file.rfind('.');
    if (dot != std::string_view::npos)
        file = file.substr(0, dot);
    std::string out(file.substr(0, 99));
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}
}  // namespace

int DebugInfo::module_of_source(std::string_view file) const
{
    std::string wanted = base_name(file);
    for (std::size_t i = 1; i < modules.size(); ++i)
        if (!modules[i].source_file.empty() && base_name(modules[i].source_file) == wanted)
            return static_cast<int>(i);
    return 0;
}

std::uint16_t DebugInfo::line_of_address(std::uint32_t address) const
{
    for (std::size_t i = 1; i < modules.size(); ++i) {
        const ModuleEntry& m = modules[i];
        if (m.line_addresses.empty() || address < m.code_start || address > m.code_end)
            continue;
        // The last entry at or before the address; among equal addresses the first.
        std::size_t best = m.line_addresses.size();
        for (std::size_t k = 0; k < m.line_addresses.size(); ++k)
            if (m.line_addresses[k] <= address &&
                (best == m.line_addresses.size() || m.line_addresses[k] > m.line_addresses[best]))
                best = k;
        if (best != m.line_addresses.size())
            return m.line_numbers[best];
    }
    return 0;
}

DebugInfo::LineAddresses DebugInfo::addresses_of_line(int module, std::uint16_t line) const
{
    LineAddresses out;
    if (module <= 0 || static_cast<std::size_t>(module) >= modules.size())
        return out;
    const ModuleEntry& m = modules[static_cast<std::size_t>(module)];
    std::uint16_t nearest = 0;
    bool found = false;
    for (std::uint16_t n : m.line_numbers)
        if (n >= line && (!found || n < nearest)) {
            nearest = n;
            found = true;
        }
    if (!found)
        return out;
    out.line = nearest;
    for (std::size_t k = 0; k < m.line_numbers.size(); ++k)
        if (m.line_numbers[k] == nearest)
            out.addresses.push_back(m.line_addresses[k]);
    return out;
}

const FunctionRecord* DebugInfo::function_of_address(int module, std::uint32_t address) const
{
    if (module <= 0 || static_cast<std::size_t>(module) >= modules.size())
        return nullptr;
    for (const FunctionRecord& f : modules[static_cast<std::size_t>(module)].functions)
        if (f.start == address || (f.start <= address && address < f.end))
            return &f;
    return nullptr;
}

const FunctionRecord* DebugInfo::function_of_address(std::uint32_t address) const
{
    for (std::size_t i = 1; i < modules.size(); ++i)
        if (const FunctionRecord* f = function_of_address(static_cast<int>(i), address))
            return f;
    return nullptr;
}

/* From the first line entry at or after the function's start, the entries
   whose address is at most the function's end. */
std::pair<std::size_t, std::size_t> DebugInfo::function_lines(int module, const FunctionRecord& f) const
{
    if (module <= 0 || static_cast<std::size_t>(module) >= modules.size())
        return {0, 0};
    const ModuleEntry& m = modules[static_cast<std::size_t>(module)];
    std::size_t first = 0;
    while (first < m.line_addresses.size() && m.line_addresses[first] < f.start)
        ++first;
    std::size_t count = 0;
    while (first + count < m.line_addresses.size() && m.line_addresses[first + count] <= f.end)
        ++count;
    return {first, count};
}

std::string DebugInfo::name_of_address(std::uint32_t address) const
{
    if (const FunctionRecord* f = function_of_address(address))
        return f->name;
    if (const ImportEntry* i = import_of_stub(address))
        return i->function;
    return {};
}

const ImportEntry* DebugInfo::import_of_target(std::uint32_t address) const
{
    for (const ImportEntry& i : imports)
        if (i.target != 0 && i.target == address)
            return &i;
    return nullptr;
}

const ImportEntry* DebugInfo::import_of_stub(std::uint32_t address) const
{
    for (const ImportEntry& i : imports)
        if (i.stub != 0 && i.stub == address)
            return &i;
    return nullptr;
}

const SymbolEntry* DebugInfo::find_symbol(std::string_view name, int module) const
{
    if (module > 0 && static_cast<std::size_t>(module) < modules.size())
        if (const SymbolEntry* e = modules[static_cast<std::size_t>(module)].statics.find(name))
            return e;
    return globals.find(name);
}

const SymbolEntry* DebugInfo::find_constant(std::string_view name, int module) const
{
    if (module <= 0 || static_cast<std::size_t>(module) >= modules.size())
        return nullptr;
    return modules[static_cast<std::size_t>(module)].constants.find(name);
}

namespace {
struct CoffEntry {
    std::string name;
    std::uint32_t value;
    std::int16_t section;
    std::uint8_t storage_class;
};

// Every entry of the COFF table that can be read, auxiliary records skipped.
template <typename Visit>
void each_coff_symbol(std::span<const std::uint8_t> file, std::uint32_t pos, std::uint32_t count,
                      std::uint32_t strings_pos, Visit visit)
{
    std::uint32_t strings_length = 0;
    std::span<const std::uint8_t> strings;
    if (read_u32_at(file, strings_pos, strings_length) && strings_length <= file.size() - strings_pos)
        strings = file.subspan(strings_pos, strings_length);
    ByteReader r(file);
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!r.seek(std::size_t{pos} + std::size_t{i} * pe::kSymbolSize))
            return;
        pe::Symbol s = pe::read_symbol(r);
        if (!r.ok())
            return;
        i += s.aux_count;
        visit(CoffEntry{pe::symbol_name(s, strings), s.value, s.section, s.storage_class});
    }
}
}  // namespace

std::optional<std::uint32_t> DebugInfo::coff_symbol_address(std::string_view name) const
{
    std::optional<std::uint32_t> found;
    each_coff_symbol(file_, symbol_table_pos, symbol_count, string_table_pos, [&](const CoffEntry& e) {
        if (!found && e.name == name)
            found = e.value + image_base;
    });
    return found;
}

/* The external symbols of section 1 (not section symbols), sorted by value:
   the last one at or before the address names the code there, up to the
   next one or the end of the code. */
std::optional<CoffFunction> DebugInfo::coff_function(std::uint32_t address) const
{
    if (!coff_functions_built_) {
        coff_functions_built_ = true;
        each_coff_symbol(file_, symbol_table_pos, symbol_count, string_table_pos, [&](const CoffEntry& e) {
            if (e.section == 1 && e.storage_class == pe::storage_class::kExternal && e.name.rfind(".text", 0) != 0)
                coff_functions_.push_back({e.name, e.value + image_base, 0});
        });
        std::stable_sort(coff_functions_.begin(), coff_functions_.end(),
                         [](const CoffFunction& a, const CoffFunction& b) { return a.start < b.start; });
        for (std::size_t i = 0; i < coff_functions_.size(); ++i)
            coff_functions_[i].end = i + 1 < coff_functions_.size() ? coff_functions_[i + 1].start : code_end;
    }
    auto it = std::upper_bound(coff_functions_.begin(), coff_functions_.end(), address,
                               [](std::uint32_t a, const CoffFunction& f) { return a < f.start; });
    if (it == coff_functions_.begin())
        return std::nullopt;
    --it;
    if (address >= it->end && it->end > it->start)
        return std::nullopt;
    return *it;
}

std::span<const std::uint8_t> DebugInfo::type_record(std::uint16_t index) const
{
    if (index < 0x1000 || static_cast<std::size_t>(index - 0x1000) >= types.offsets.size())
        return {};
    std::uint32_t at = types.offsets[static_cast<std::size_t>(index - 0x1000)];
    std::uint16_t length = 0;
    if (!read_u16_at(types.records, at, length) || std::size_t{at} + 2 + length > types.records.size())
        return {};
    return types.records.subspan(at, std::size_t{length} + 2);
}

}  // namespace vyn::dbg
