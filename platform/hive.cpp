#include "platform/hive.h"

#include <algorithm>

#include "common/strings.h"
#include "platform/registry.h"

namespace vyn::platform {

namespace {

const char kHeader[] = "REGEDIT4";

std::string upper_key(std::string_view path)
{
    return to_upper_ascii(path);
}

std::string escape(std::string_view text)
{
    std::string out;
    for (unsigned char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F)
                out += format("\\x%02X", c);
            else
                out += static_cast<char>(c);
        }
    }
    return out;
}

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = upper_ascii(c);
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads a quoted string starting at text[pos] == '"'; pos ends after the
// closing quote. Nothing on a malformed string, with the reason in error.
std::optional<std::string> read_quoted(std::string_view text, std::size_t& pos, std::string& error)
{
    std::string out;
    for (++pos; pos < text.size(); ++pos) {
        char c = text[pos];
        if (c == '"') {
            ++pos;
            return out;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++pos >= text.size())
            break;
        switch (char e = text[pos]) {
        case '\\': out += '\\'; break;
        case '"': out += '"'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'x': {
            int high = pos + 1 < text.size() ? hex_digit(text[pos + 1]) : -1;
            int low = pos + 2 < text.size() ? hex_digit(text[pos + 2]) : -1;
            if (high < 0 || low < 0) {
                error = "bad \\x escape";
                return std::nullopt;
            }
            out += static_cast<char>(high * 16 + low);
            pos += 2;
            break;
        }
        default:
            error = format("unknown escape \\%c", e);
            return std::nullopt;
        }
    }
    error = "string without closing quote";
    return std::nullopt;
}

// Parses `"Name"="Value"` or `@="Value"`.
bool parse_value_line(std::string_view line, std::string& name, std::string& value, std::string& error)
{
    std::size_t pos = 0;
    if (line[0] == '@') {
        name.clear();
        pos = 1;
    } else {
        auto parsed = read_quoted(line, pos, error);
        if (!parsed)
            return false;
        name = *parsed;
    }
    if (pos >= line.size() || line[pos] != '=') {
        error = "expected '=' after the value name";
        return false;
    }
    ++pos;
    if (pos >= line.size() || line[pos] != '"') {
        error = "only string values (\"...\") are supported";
        return false;
    }
    auto parsed = read_quoted(line, pos, error);
    if (!parsed)
        return false;
    if (!trim(line.substr(pos)).empty()) {
        error = "unexpected text after the value";
        return false;
    }
    value = *parsed;
    return true;
}

bool valid_root(std::string_view path)
{
    std::string upper = upper_key(path);
    for (const char* root : {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"}) {
        std::string_view r(root);
        if (upper == r || (upper.size() > r.size() && upper.starts_with(r) && upper[r.size()] == '\\'))
            return true;
    }
    return false;
}

}  // namespace

void sort_registry_names(std::vector<std::string>& names)
{
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return upper_key(a) < upper_key(b); });
}

std::string full_key_path(bool local_machine, std::string_view key)
{
    std::string path = local_machine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
    for (const std::string& part : split(key, '\\')) {
        for (const std::string& piece : split(part, '/')) {
            if (!piece.empty())
                path += "\\" + piece;
        }
    }
    return path;
}

std::optional<Hive> Hive::parse(std::string_view text, std::string_view source, std::string& error)
{
    Hive hive;
    std::vector<std::string> lines = split(text, '\n');
    std::string section;
    bool header_seen = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = trim(lines[i]);
        std::string what;
        if (line.empty() || line[0] == ';')
            continue;
        if (!header_seen) {
            if (line != kHeader) {
                error = format("%.*s, line %zu: the file does not start with %s",
                               int(source.size()), source.data(), i + 1, kHeader);
                return std::nullopt;
            }
            header_seen = true;
            continue;
        }
        if (line[0] == '[') {
            if (line.back() != ']' || !valid_root(line.substr(1, line.size() - 2)))
                what = "bad key line (expected [HKEY_CURRENT_USER\\...] or [HKEY_LOCAL_MACHINE\\...])";
            else {
                section = std::string(line.substr(1, line.size() - 2));
                hive.create_key(section);
            }
        } else if (section.empty()) {
            what = "value outside of a key";
        } else {
            std::string name, value;
            if (parse_value_line(line, name, value, what))
                hive.set_value(section, name, value);
        }
        if (!what.empty()) {
            error = format("%.*s, line %zu: %s", int(source.size()), source.data(), i + 1, what.c_str());
            return std::nullopt;
        }
    }
    return hive;
}

std::string Hive::serialise() const
{
    std::string out = std::string(kHeader) + "\n";
    for (const auto& [upper, key] : keys_) {
        out += "\n[" + key.path + "]\n";
        for (const auto& [name, value] : key.values) {
            out += name.empty() ? std::string("@") : "\"" + escape(name) + "\"";
            out += "=\"" + escape(value) + "\"\n";
        }
    }
    return out;
}

bool Hive::key_exists(std::string_view path) const
{
    return keys_.count(upper_key(path)) != 0;
}

void Hive::create_key(std::string_view path)
{
    // Parents first, each spelled as in the path given.
    std::size_t end = 0;
    for (;;) {
        end = path.find('\\', end + 1);
        std::string_view prefix = path.substr(0, end);
        auto [it, inserted] = keys_.try_emplace(upper_key(prefix));
        if (inserted)
            it->second.path = std::string(prefix);
        if (end == std::string_view::npos)
            return;
    }
}

void Hive::delete_key(std::string_view path)
{
    std::string upper = upper_key(path);
    std::string below = upper + "\\";
    // Every path starting with the key's own path is contiguous in the map;
    // among them, "A B" is not below "A" while "A\B" is.
    for (auto it = keys_.lower_bound(upper); it != keys_.end() && it->first.starts_with(upper);) {
        if (it->first == upper || it->first.starts_with(below))
            it = keys_.erase(it);
        else
            ++it;
    }
}

const std::string* Hive::value(std::string_view path, std::string_view name) const
{
    auto key = keys_.find(upper_key(path));
    if (key == keys_.end())
        return nullptr;
    for (const auto& [n, v] : key->second.values)
        if (equals_nocase(n, name))
            return &v;
    return nullptr;
}

void Hive::set_value(std::string_view path, std::string_view name, std::string_view value)
{
    create_key(path);
    auto& values = keys_[upper_key(path)].values;
    for (auto& [n, v] : values) {
        if (equals_nocase(n, name)) {
            v = value;
            return;
        }
    }
    values.emplace_back(name, value);
}

bool Hive::delete_value(std::string_view path, std::string_view name)
{
    auto key = keys_.find(upper_key(path));
    if (key == keys_.end())
        return false;
    auto& values = key->second.values;
    auto it = std::find_if(values.begin(), values.end(),
                           [&](const auto& entry) { return equals_nocase(entry.first, name); });
    if (it == values.end())
        return false;
    values.erase(it);
    return true;
}

std::vector<std::string> Hive::subkeys(std::string_view path) const
{
    // Keys are sorted by upper-cased path, but "A\B" and "A B" interleave,
    // so collect the direct children and sort them by their own names.
    std::string below = upper_key(path) + "\\";
    std::vector<std::string> names;
    for (auto it = keys_.lower_bound(below); it != keys_.end() && it->first.starts_with(below); ++it) {
        std::string_view rest = std::string_view(it->first).substr(below.size());
        if (rest.find('\\') == std::string_view::npos)
            names.push_back(it->second.path.substr(below.size()));
    }
    sort_registry_names(names);
    return names;
}

std::vector<std::string> Hive::value_names(std::string_view path) const
{
    std::vector<std::string> names;
    auto key = keys_.find(upper_key(path));
    if (key != keys_.end())
        for (const auto& entry : key->second.values)
            names.push_back(entry.first);
    sort_registry_names(names);
    return names;
}

}  // namespace vyn::platform
