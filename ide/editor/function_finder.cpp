#include "ide/editor/function_finder.h"

#include <algorithm>
#include <cstddef>

namespace vyn::editor {

namespace {

bool is_identifier_char(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

/* The source as one text with "\n" after every line, and the offset of
 * each line's start, so that an offset maps back to (line, column). The
 * scanner works on the text: comments, strings and parameter lists run over
 * line ends. */
class Source {
public:
    explicit Source(const std::vector<Line>& lines)
    {
        for (const Line& line : lines) {
            starts_.push_back(text_.size());
            text_ += line.text;
            text_ += '\n';
        }
    }
    std::size_t size() const { return text_.size(); }
    char at(std::size_t i) const { return i < text_.size() ? text_[i] : '\0'; }
    int line_of(std::size_t offset) const
    {
        auto next = std::upper_bound(starts_.begin(), starts_.end(), offset);
        return int(next - starts_.begin()) - 1;
    }
    int column_of(std::size_t offset) const { return int(offset - starts_[std::size_t(line_of(offset))]); }
    int line_count() const { return int(starts_.size()); }

    // The offset after a comment, string, character constant or
    // preprocessor line that starts at i; i itself when none starts there.
    std::size_t skip_literal(std::size_t i) const
    {
        char c = at(i);
        if (c == '/' && at(i + 1) == '*') {
            std::size_t end = text_.find("*/", i + 2);
            return end == std::string::npos ? size() : end + 2;
        }
        if (c == '/' && at(i + 1) == '/')
            return end_of_logical_line(i);
        if (c == '#')
            return end_of_logical_line(i);
        if (c == '"' || c == '\'') {
            std::size_t j = i + 1;
            while (j < size()) {
                char d = text_[j];
                if (d == '\\') {
                    j += 2;
                    continue;
                }
                if (d == c)
                    return j + 1;
                if (d == '\n')  // not closed on its line: the line ends it
                    return j;
                ++j;
            }
            return size();
        }
        return i;
    }

    // The offset after blanks, line ends and comments from i.
    std::size_t skip_space(std::size_t i) const
    {
        while (i < size()) {
            if (is_blank(text_[i])) {
                ++i;
                continue;
            }
            if (text_[i] == '/' && (at(i + 1) == '*' || at(i + 1) == '/')) {
                i = skip_literal(i);
                continue;
            }
            break;
        }
        return i;
    }

private:
    // The line end of the line holding i, following lines that end in a backslash.
    std::size_t end_of_logical_line(std::size_t i) const
    {
        while (i < size()) {
            std::size_t end = text_.find('\n', i);
            if (end == std::string::npos)
                return size();
            std::size_t last = end;
            while (last > i && text_[last - 1] == '\r')
                --last;
            if (last == i || text_[last - 1] != '\\')
                return end;
            i = end + 1;
        }
        return size();
    }

    std::string text_;
    std::vector<std::size_t> starts_;
};

/* Decides whether the parameter list that ends before i starts a
 * definition: a "{" follows, or old-style parameter declarations
 * ("int a; char *b;") and then a "{". A ";" or any other text means a
 * declaration, a call in an initialiser, or something the scanner does not
 * know: no definition. */
bool body_follows(const Source& source, std::size_t i)
{
    i = source.skip_space(i);
    if (source.at(i) == '{')
        return true;
    while (is_identifier_char(source.at(i))) {
        // One declaration, up to its ";".
        while (i < source.size() && source.at(i) != ';') {
            char c = source.at(i);
            if (c == '{' || c == '}')
                return false;
            std::size_t after = source.skip_literal(i);
            i = after != i ? after : i + 1;
        }
        if (i >= source.size())
            return false;
        i = source.skip_space(i + 1);
        if (source.at(i) == '{')
            return true;
    }
    return false;
}

// The identifier that ends just before the "(" at paren, blanks skipped.
std::string name_before(const Source& source, std::size_t paren, std::size_t& name_start)
{
    std::size_t end = paren;
    while (end > 0 && is_blank(source.at(end - 1)))
        --end;
    std::size_t start = end;
    while (start > 0 && is_identifier_char(source.at(start - 1)))
        --start;
    name_start = start;
    if (start == end || (source.at(start) >= '0' && source.at(start) <= '9'))
        return {};
    std::string name;
    for (std::size_t k = start; k < end; ++k)
        name += source.at(k);
    return name;
}

// The offset after a balanced parenthesised group that starts at i.
std::size_t skip_group(const Source& source, std::size_t i)
{
    int depth = 0;
    while (i < source.size()) {
        std::size_t after = source.skip_literal(i);
        if (after != i) {
            i = after;
            continue;
        }
        char c = source.at(i++);
        if (c == '(')
            ++depth;
        else if (c == ')' && --depth <= 0)
            return i;
    }
    return i;
}

}  // namespace

std::vector<FunctionRecord> find_functions(const std::vector<Line>& lines)
{
    Source source(lines);
    std::vector<FunctionRecord> functions;
    int braces = 0, parens = 0;
    std::size_t candidate = std::string::npos;
    std::size_t i = 0;
    while (i < source.size()) {
        std::size_t after = source.skip_literal(i);
        if (after != i) {
            i = after;
            continue;
        }
        char c = source.at(i);
        if (c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            std::size_t start = i;
            while (is_identifier_char(source.at(i)))
                ++i;
            std::string text;
            for (std::size_t k = start; k < i; ++k)
                text += source.at(k);
            // Storage-class and attribute words carry a parenthesised
            // argument that is no parameter list.
            if (text == "__declspec" || text == "__attribute__") {
                std::size_t open = source.skip_space(i);
                if (source.at(open) == '(')
                    i = skip_group(source, open);
            }
            continue;
        }
        switch (c) {
        case '{': ++braces; break;
        case '}':
            if (braces > 0 && --braces == 0 && !functions.empty() && functions.back().end_line < 0)
                functions.back().end_line = source.line_of(i);
            break;
        case '(':
            if (parens == 0 && braces == 0)
                candidate = i;
            ++parens;
            break;
        case ')':
            if (parens > 0 && --parens == 0 && candidate != std::string::npos) {
                std::size_t name_start = 0;
                std::string name = name_before(source, candidate, name_start);
                if (!name.empty() && body_follows(source, i + 1)) {
                    FunctionRecord record;
                    record.name = std::move(name);
                    record.paren_line = source.line_of(candidate);
                    record.paren_column = source.column_of(candidate);
                    record.header_line = source.line_of(name_start);
                    functions.push_back(std::move(record));
                }
                candidate = std::string::npos;
            }
            break;
        default: break;
        }
        ++i;
    }
    for (FunctionRecord& f : functions)
        if (f.end_line < 0)
            f.end_line = std::max(0, source.line_count() - 1);
    return functions;
}

std::vector<FunctionRecord> find_functions_in_text(const std::string& text)
{
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::size_t last = end;
        if (last > start && text[last - 1] == '\r')
            --last;
        lines.push_back({text.substr(start, last - start)});
        start = end + 1;
    }
    return find_functions(lines);
}

}  // namespace vyn::editor
