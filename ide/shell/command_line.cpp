#include "ide/shell/command_line.h"

#include "common/strings.h"

namespace vyn::shell {

namespace {

// Words separated by blanks and tabs; a double-quoted part keeps its blanks
// (the quotes are dropped), so that names with blanks can be given.
std::vector<std::string> words_of(const std::string& text)
{
    std::vector<std::string> words;
    std::string word;
    bool in_word = false, quoted = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            in_word = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (in_word)
                words.push_back(std::move(word));
            word.clear();
            in_word = false;
        } else {
            word += c;
            in_word = true;
        }
    }
    if (in_word && !word.empty())
        words.push_back(std::move(word));
    return words;
}

// The number after an option letter, in the same word or the next one.
std::optional<unsigned long> option_number(const std::vector<std::string>& words, std::size_t& i)
{
    std::string digits = words[i].substr(2);
    if (digits.empty() && i + 1 < words.size())
        digits = words[++i];
    auto value = vyn::parse_u32(digits);
    return value ? std::optional<unsigned long>(*value) : std::nullopt;
}

// An option is a slash or dash and one letter, alone or, for the options
// that take a number, followed by its digits ("/p1234"). Anything longer is
// a name: a host's shell gives absolute names as "/work/a.c" or "/data/b.c".
bool is_option(const std::string& word)
{
    if (word.size() < 2 || (word[0] != '/' && word[0] != '-'))
        return false;
    if (word.size() == 2)
        return true;
    bool takes_number = word[1] == 'p' || word[1] == 'd' || word[1] == 'D' || word[1] == 'e';
    return takes_number && word.find_first_not_of("0123456789", 2) == std::string::npos;
}

}  // namespace

CommandLine parse_command_line(const std::string& text)
{
    CommandLine line;
    line.empty = vyn::trim(text).empty();
    line.quiet = text.find("/w") != std::string::npos;
    std::vector<std::string> words = words_of(text);
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (!is_option(word)) {
            line.files.push_back(word);
            continue;
        }
        switch (word[1]) {
        case 'w': break;
        case 'f': case 'F': line.no_restore = true; break;
        case 'n': case 'N': line.no_save_while_opening = true; break;
        case 'p': case 'd': case 'D': line.attach_process = option_number(words, i); break;
        case 'e': line.attach_event = option_number(words, i); break;
        default: line.files.push_back(word); break;
        }
    }
    return line;
}

std::string first_file_name(const std::string& text)
{
    std::string_view rest = vyn::trim(text);
    if (!rest.empty() && rest.front() == '"') {
        std::size_t close = rest.find('"', 1);
        return std::string(rest.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    }
    return std::string(rest.substr(0, rest.find_first_of(" \t")));
}

}  // namespace vyn::shell
