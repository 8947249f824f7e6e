// The stored forms of the values that are more than one number or string.
#include <cstdio>

#include "common/strings.h"
#include "ide/shell/settings.h"

namespace vyn::shell {

namespace {
constexpr std::size_t kMacroCharactersPerValue = 21;
}

std::vector<std::string> encode_macro_text(const std::string& text)
{
    std::vector<std::string> values;
    for (std::size_t at = 0; at < text.size(); at += kMacroCharactersPerValue) {
        std::string value;
        for (std::size_t i = at; i < text.size() && i < at + kMacroCharactersPerValue; ++i)
            value += vyn::format("%03d", static_cast<unsigned char>(text[i]));
        values.push_back(std::move(value));
    }
    return values;
}

std::optional<std::string> decode_macro_text(const std::vector<std::string>& values)
{
    std::string text;
    for (const std::string& value : values) {
        if (value.size() % 3 != 0)
            return std::nullopt;
        for (std::size_t i = 0; i < value.size(); i += 3) {
            auto code = vyn::parse_long(value.substr(i, 3));
            if (!code || *code < 0 || *code > 255 || value[i] == '-' || value[i] == '+')
                return std::nullopt;
            text += static_cast<char>(*code);
        }
    }
    return text;
}

std::string format_open_file(const OpenFileEntry& entry)
{
    return vyn::format("%s %ld %ld %ld %ld %ld", entry.name.c_str(), entry.line, entry.left, entry.top,
                       entry.right, entry.bottom);
}

std::optional<OpenFileEntry> parse_open_file(const std::string& value)
{
    // The name may hold blanks: the five numbers are the last five words.
    std::vector<std::string> words = vyn::split(value, ' ');
    if (words.size() < 6)
        return std::nullopt;
    OpenFileEntry entry;
    long* numbers[] = {&entry.line, &entry.left, &entry.top, &entry.right, &entry.bottom};
    std::size_t first_number = words.size() - 5;
    for (std::size_t i = 0; i < 5; ++i) {
        auto number = vyn::parse_long(words[first_number + i]);
        if (!number)
            return std::nullopt;
        *numbers[i] = *number;
    }
    words.resize(first_number);
    entry.name = vyn::join(words, " ");
    if (entry.name.empty())
        return std::nullopt;
    return entry;
}

std::string format_accelerator(const RedefinedKey& key)
{
    return vyn::format("%4d%4d%4d%4u", key.row, key.key, key.command, key.modifiers);
}

std::optional<RedefinedKey> parse_accelerator(const std::string& value)
{
    if (value.size() != 16)
        return std::nullopt;
    long fields[4];
    for (int i = 0; i < 4; ++i) {
        auto number = vyn::parse_long(value.substr(std::size_t(i) * 4, 4));
        if (!number)
            return std::nullopt;
        fields[i] = *number;
    }
    return RedefinedKey{int(fields[0]), int(fields[1]), int(fields[2]), unsigned(fields[3])};
}

long valid_tab_size(long tab_size)
{
    return tab_size >= 1 && tab_size <= 8 ? tab_size : 4;
}

}  // namespace vyn::shell
