#include "common/strings.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace vyn {

std::string format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string text;
    if (length > 0) {
        text.resize(static_cast<std::size_t>(length));
        std::vsnprintf(text.data(), text.size() + 1, fmt, args);
    }
    va_end(args);
    return text;
}

char upper_ascii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

char lower_ascii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string to_upper_ascii(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = upper_ascii(c);
    return out;
}

std::string to_lower_ascii(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = lower_ascii(c);
    return out;
}

bool equals_nocase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper_ascii(a[i]) != upper_ascii(b[i]))
            return false;
    return true;
}

bool starts_with_nocase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && equals_nocase(s.substr(0, prefix.size()), prefix);
}

bool ends_with_nocase(std::string_view s, std::string_view suffix)
{
    return s.size() >= suffix.size() && equals_nocase(s.substr(s.size() - suffix.size()), suffix);
}

bool is_blank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trim_right(std::string_view s)
{
    while (!s.empty() && (is_blank(s.back()) || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

std::string_view trim(std::string_view s)
{
    s = trim_right(s);
    while (!s.empty() && is_blank(s.front()))
        s.remove_prefix(1);
    return s;
}

std::vector<std::string> split(std::string_view s, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = s.find(separator, start);
        if (end == std::string_view::npos) {
            parts.emplace_back(s.substr(start));
            return parts;
        }
        parts.emplace_back(s.substr(start, end - start));
        start = end + 1;
    }
}

std::string join(const std::vector<std::string>& parts, std::string_view separator)
{
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i)
            out += separator;
        out += parts[i];
    }
    return out;
}

void replace_all(std::string& s, std::string_view from, std::string_view to)
{
    if (from.empty())
        return;
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
}

std::optional<long> parse_long(std::string_view s)
{
    std::string text(trim(s));
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || end == text.c_str())
        return std::nullopt;
    return value;
}

std::optional<std::uint32_t> parse_u32(std::string_view s, int base)
{
    std::string text(trim(s));
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    unsigned long long value = std::strtoull(text.c_str(), &end, base);
    if (errno != 0 || *end != '\0' || value > 0xFFFFFFFFull)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

}  // namespace vyn
