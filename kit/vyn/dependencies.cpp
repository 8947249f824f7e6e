// Reading clang's dependency rule.
#include "kit/vyn/dependencies.h"

#include <algorithm>

namespace vyn::cc {

namespace {

/* Words of a make rule body: blanks separate, a backslash-newline joins
   lines, "\ " and "\#" escape, "$$" is a dollar. */
std::vector<std::string> rule_words(std::string_view body)
{
    std::vector<std::string> words;
    std::string word;
    auto flush = [&] {
        if (!word.empty())
            words.push_back(std::move(word));
        word.clear();
    };
    for (std::size_t i = 0; i < body.size(); ++i) {
        char c = body[i];
        if (c == '\\' && i + 1 < body.size() && (body[i + 1] == '\n' || body[i + 1] == '\r')) {
            flush();
            continue;
        }
        if (c == '\\' && i + 1 < body.size() && (body[i + 1] == ' ' || body[i + 1] == '#')) {
            word += body[++i];
            continue;
        }
        if (c == '$' && i + 1 < body.size() && body[i + 1] == '$') {
            word += '$';
            ++i;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            flush();
            continue;
        }
        word += c;
    }
    flush();
    return words;
}

/* The end of the rule's target: the first ':' followed by a blank or the
   end of a line (a drive letter's colon is followed by a separator). */
std::size_t target_end(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == ':' && (i + 1 == text.size() || text[i + 1] == ' ' || text[i + 1] == '\t' ||
                               text[i + 1] == '\n' || text[i + 1] == '\r'))
            return i;
    return std::string_view::npos;
}

}  // namespace

std::vector<std::string> parse_dependency_rule(std::string_view rule_text)
{
    std::size_t colon = target_end(rule_text);
    if (colon == std::string_view::npos)
        return {};
    std::string_view body = rule_text.substr(colon + 1);
    // The first rule ends at a newline that is not escaped.
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '\n' && (i == 0 || body[i - 1] != '\\')) {
            body = body.substr(0, i);
            break;
        }
    }
    std::vector<std::string> words = rule_words(body);
    std::vector<std::string> headers;
    for (std::size_t i = 1; i < words.size(); ++i)
        if (std::find(headers.begin(), headers.end(), words[i]) == headers.end())
            headers.push_back(words[i]);
    return headers;
}

std::string dependency_list(const std::vector<std::string>& headers, const PathMapper& full_path)
{
    std::string out;
    for (const std::string& h : headers) {
        out += full_path ? full_path(h) : h;
        out += '\n';
    }
    return out;
}

}  // namespace vyn::cc
