// Building the COFF line numbers of the functions.
#include "kit/vyn/convert/line_numbers.h"

#include "common/winpath.h"

#include <unordered_map>

namespace vyn::cc {

namespace {

bool is_code_line(std::uint32_t line)
{
    return line != 0 && line != c13::kNoLine && line != c13::kAlwaysStepInto;
}

/* The input index of each symbol record, by table index. */
std::unordered_map<std::uint32_t, std::size_t> symbols_by_index(const std::vector<ObjectSymbol>& symbols)
{
    std::unordered_map<std::uint32_t, std::size_t> by_index;
    std::vector<std::uint32_t> indices = symbol_table_indices(symbols);
    for (std::size_t i = 0; i < symbols.size(); ++i)
        by_index.emplace(indices[i], i);
    return by_index;
}

}  // namespace

std::vector<FunctionLines> function_lines(const c13::DebugSymbols& d, std::span<const coff::Relocation> relocations,
                                          const std::vector<ObjectSymbol>& symbols, std::uint32_t main_file)
{
    std::unordered_map<std::uint32_t, std::uint32_t> secrel;  // field offset -> symbol index
    for (const coff::Relocation& r : relocations)
        if (r.type == coff::reloc_i386::kSecRel)
            secrel.emplace(r.address, r.symbol_index);
    auto by_index = symbols_by_index(symbols);

    std::vector<FunctionLines> functions;
    for (const c13::LineBlock& block : d.lines) {
        auto target = secrel.find(block.code_field);
        if (target == secrel.end())
            continue;
        auto symbol = by_index.find(target->second);
        if (symbol == by_index.end())
            continue;
        const coff::Symbol& s = symbols[symbol->second].symbol;
        if (s.section <= 0)
            continue;
        FunctionLines f;
        f.symbol = target->second;
        f.section = s.section;
        f.start = s.value + block.code_addend;
        f.size = block.code_size;
        std::uint16_t previous = 0;
        for (const c13::FileLines& file : block.files) {
            if (file.file_id != main_file)
                continue;
            for (const c13::LineEntry& e : file.entries) {
                if (!is_code_line(e.line))
                    continue;
                if (f.records.empty()) {
                    f.first_line = f.last_line = e.line;
                    f.records.push_back({f.start, 0});
                    continue;
                }
                // Relative lines count modulo 2^16, as the reader adds them;
                // 0 would read as a function start and cannot be given.
                auto relative = static_cast<std::uint16_t>(e.line - f.first_line);
                if (relative == 0 || relative == previous)
                    continue;
                f.records.push_back({f.start + e.offset, relative});
                previous = relative;
                f.last_line = e.line;
            }
        }
        if (!f.records.empty())
            functions.push_back(std::move(f));
    }
    return functions;
}

std::optional<std::uint32_t> main_file_id(const std::vector<const c13::DebugSymbols*>& sections,
                                          const std::string& source_path)
{
    std::optional<std::uint32_t> by_base, first;
    for (const c13::DebugSymbols* d : sections) {
        for (const c13::LineBlock& block : d->lines) {
            for (const c13::FileLines& file : block.files) {
                auto name = c13::file_name(*d, file.file_id);
                if (!name)
                    continue;
                if (*name == source_path)
                    return file.file_id;
                if (!by_base && winpath::base_name(*name) == winpath::base_name(source_path))
                    by_base = file.file_id;
                if (!first)
                    first = file.file_id;
            }
        }
    }
    return by_base ? by_base : first;
}

std::optional<BodyBounds> body_bounds(const FunctionLines& f)
{
    if (f.records.size() < 2 || f.records[1].first <= f.start)
        return std::nullopt;
    BodyBounds b;
    b.start = f.records[1].first - f.start;
    // With only the opening line and one more, that line runs to the end.
    b.end = f.records.size() > 2 ? f.records.back().first - f.start : f.size;
    return b;
}

}  // namespace vyn::cc
