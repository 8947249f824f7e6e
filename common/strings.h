// Small string helpers shared by every program. Case rules here are ASCII
// only: the system compares and upper-cases the letters a to z and nothing else.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vyn {

// printf-style formatting into a std::string.
std::string format(const char* fmt, ...)
#if defined(__MINGW32__)
    __attribute__((format(gnu_printf, 1, 2)))
#elif defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

char upper_ascii(char c);
char lower_ascii(char c);
std::string to_upper_ascii(std::string_view s);
std::string to_lower_ascii(std::string_view s);
bool equals_nocase(std::string_view a, std::string_view b);
bool starts_with_nocase(std::string_view s, std::string_view prefix);
bool ends_with_nocase(std::string_view s, std::string_view suffix);

bool is_blank(char c);  // space or tab
std::string_view trim(std::string_view s);
std::string_view trim_right(std::string_view s);

std::vector<std::string> split(std::string_view s, char separator);
std::string join(const std::vector<std::string>& parts, std::string_view separator);
void replace_all(std::string& s, std::string_view from, std::string_view to);

// Decimal text as stored in settings: optional sign, digits, nothing else
// (surrounding blanks allowed). Out-of-range or malformed text gives nothing.
std::optional<long> parse_long(std::string_view s);
std::optional<std::uint32_t> parse_u32(std::string_view s, int base = 10);

}  // namespace vyn
