#include "resedit/symbols.h"

#include <algorithm>
#include <cctype>

#include "common/strings.h"

namespace vyn::resedit {

const Symbol* SymbolTable::find_name(std::string_view name) const
{
    for (const Symbol& s : entries_)
        if (s.name == name)
            return &s;
    return nullptr;
}

const Symbol* SymbolTable::find_value(long value) const
{
    for (const Symbol& s : entries_)
        if (s.value == value)
            return &s;
    return nullptr;
}

bool SymbolTable::clashes(const std::string& name, long value) const
{
    return find_name(name) || find_value(value);
}

bool SymbolTable::add(const std::string& name, long value, Ui& ui)
{
    if (find_name(name)) {
        ui.message(format("Symbol %s exists already", name.c_str()));
        return false;
    }
    if (find_value(value)) {
        ui.message(format("Number %d already defined", static_cast<int>(value)));
        return false;
    }
    auto at = std::find_if(entries_.begin(), entries_.end(), [&](const Symbol& s) { return s.value >= value; });
    entries_.insert(at, Symbol{name, value, value});
    return true;
}

bool SymbolTable::remove(std::string_view name)
{
    auto at = std::find_if(entries_.begin(), entries_.end(), [&](const Symbol& s) { return s.name == name; });
    if (at == entries_.end())
        return false;
    entries_.erase(at);
    return true;
}

std::string SymbolTable::include_text() const
{
    std::string out;
    for (const Symbol& s : entries_)
        out += format("#define\t%s\t%d\n", s.name.c_str(), static_cast<int>(s.value));
    return out;
}

namespace {

bool is_identifier(std::string_view s)
{
    if (s.empty() || !(std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_'))
        return false;
    return std::all_of(s.begin(), s.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

// A number as C writes it in a #define: decimal or 0x hexadecimal, maybe in
// parentheses, maybe negative.
std::optional<long> parse_define_value(std::string_view s)
{
    s = trim(s);
    if (s.size() >= 2 && s.front() == '(' && s.back() == ')')
        s = trim(s.substr(1, s.size() - 2));
    bool negative = !s.empty() && s[0] == '-';
    if (negative)
        s.remove_prefix(1);
    std::optional<std::uint32_t> v;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        v = parse_u32(s.substr(2), 16);
    else
        v = parse_u32(s, 10);
    if (!v)
        return std::nullopt;
    return negative ? -static_cast<long>(*v) : static_cast<long>(*v);
}

}  // namespace

SymbolTable SymbolTable::from_include(std::string_view text, Ui& ui)
{
    SymbolTable table;
    bool clash = false;
    for (const std::string& raw : split(text, '\n')) {
        std::string_view line = trim(raw);
        if (!line.starts_with("#define"))
            continue;
        line = trim(line.substr(7));
        std::size_t gap = line.find_first_of(" \t");
        if (gap == std::string_view::npos)
            continue;
        std::string name(line.substr(0, gap));
        auto value = parse_define_value(line.substr(gap));
        if (!is_identifier(name) || !value)
            continue;
        if (table.clashes(name, *value)) {
            clash = true;
            continue;
        }
        auto at = std::find_if(table.entries_.begin(), table.entries_.end(),
                               [&](const Symbol& s) { return s.value >= *value; });
        table.entries_.insert(at, Symbol{name, *value, *value});
    }
    if (clash)
        ui.message("Include file contains duplicate ids or symbols, some definitions will be ignored.");
    return table;
}

std::optional<std::string> check_new_symbol(const SymbolTable& table, std::string_view name, std::string_view id_text,
                                            const std::vector<long>& ids_in_use)
{
    auto id = parse_long(id_text);
    if (!is_identifier(name) || !id)
        return std::string("A symbol must start with an alphabetic character or '_', and the ID must be an integer.");
    if (table.find_name(name))
        return std::string("This symbol already exists in the include (.H) file.");
    if (table.find_value(*id))
        return std::string("Another symbol already has this ID.");
    if (std::find(ids_in_use.begin(), ids_in_use.end(), *id) != ids_in_use.end())
        return std::string("Another control or dialog already has this ID.");
    return std::nullopt;
}

}  // namespace vyn::resedit
