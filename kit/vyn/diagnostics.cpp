// Rewriting clang's "file:line:col: kind: message" lines.
#include "kit/vyn/diagnostics.h"

#include "common/strings.h"

#include <cctype>
#include <optional>

namespace vyn::cc {

namespace {

struct Located {
    std::string file;
    unsigned long line = 0;
    std::string kind;  // "error", "fatal error", "warning", "note", "remark"
    std::string message;
};

/* Reads the decimal number at pos, moving pos behind it. */
std::optional<unsigned long> number_at(std::string_view s, std::size_t& pos)
{
    std::size_t start = pos;
    unsigned long value = 0;
    while (pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos])) && pos - start < 9)
        value = value * 10 + static_cast<unsigned long>(s[pos++] - '0');
    if (pos == start)
        return std::nullopt;
    return value;
}

/* "file:line[:col]: kind: message", the file name possibly holding a drive
   colon: every ':' is tried as the end of the file name, left to right. */
std::optional<Located> parse_located(std::string_view line)
{
    static constexpr std::string_view kinds[] = {"fatal error", "error", "warning", "note", "remark"};
    for (std::size_t colon = line.find(':'); colon != std::string_view::npos && colon > 0;
         colon = line.find(':', colon + 1)) {
        std::size_t pos = colon + 1;
        auto number = number_at(line, pos);
        if (!number || pos >= line.size() || line[pos] != ':')
            continue;
        ++pos;
        std::size_t col_pos = pos;
        if (number_at(line, col_pos) && col_pos < line.size() && line[col_pos] == ':')
            pos = col_pos + 1;
        if (pos >= line.size() || line[pos] != ' ')
            continue;
        std::string_view rest = line.substr(pos + 1);
        for (std::string_view kind : kinds) {
            if (rest.starts_with(kind) && rest.substr(kind.size()).starts_with(": "))
                return Located{std::string(line.substr(0, colon)), *number, std::string(kind),
                               std::string(rest.substr(kind.size() + 2))};
        }
    }
    return std::nullopt;
}

}  // namespace

std::string rewrite_diagnostic_line(std::string_view line, const PathMapper& full_path)
{
    auto d = parse_located(line);
    if (!d)
        return std::string(line);
    std::string file = full_path ? full_path(d->file) : d->file;
    if (d->kind == "error" || d->kind == "fatal error")
        return format("Error %s: %lu: %s", file.c_str(), d->line, d->message.c_str());
    if (d->kind == "warning")
        return format("Warning %s: %lu: %s", file.c_str(), d->line, d->message.c_str());
    return format("    %s(%lu): %s: %s", file.c_str(), d->line, d->kind.c_str(), d->message.c_str());
}

std::string rewrite_diagnostics(std::string_view text, const PathMapper& full_path)
{
    std::string out;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        out += rewrite_diagnostic_line(line, full_path);
        out += '\n';
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return out;
}

}  // namespace vyn::cc
