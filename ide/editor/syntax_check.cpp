#include "ide/editor/syntax_check.h"

#include "common/strings.h"

#include <array>

namespace vyn::editor {

namespace {

constexpr int remembered_opens = 15;

bool is_identifier_char(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Open brackets of one kind: how many, and the lines of the first 15.
struct OpenCount {
    int depth = 0;
    std::array<int, remembered_opens> lines{};

    void open(int line)
    {
        ++depth;
        if (depth <= remembered_opens)
            lines[static_cast<std::size_t>(depth - 1)] = line;
    }
    // The line of the innermost open one whose line was remembered.
    int innermost() const { return lines[static_cast<std::size_t>(std::min(depth, remembered_opens) - 1)]; }
};

/* One pass over the document. State crosses lines for block comments,
   strings continued by a final backslash, preprocessor lines continued the
   same way, and a "for" whose parenthesis has not been seen yet. */
class Checker {
public:
    Checker(const Document& document, const std::string& file_name) : document_(document), file_(file_name) {}

    std::optional<std::string> run()
    {
        for (int i = 0; i < document_.line_count() && !error_; ++i)
            scan_line(document_.lines[static_cast<std::size_t>(i)].text, i + 1);
        if (error_)
            return error_;
        if (parens_.depth > 0)
            return format("%s: Mismatched () after line %d", file_.c_str(), parens_.innermost());
        if (braces_.depth > 0)
            return format("%s: mismatched { } after line %d", file_.c_str(), braces_.innermost());
        if (directives_.depth > 0)
            return format("%s: #if without matching #endif line %d", file_.c_str(), directives_.innermost());
        return std::nullopt;
    }

private:
    void scan_line(const std::string& text, int number)
    {
        std::size_t i = 0;
        if (in_directive_) {
            in_directive_ = !text.empty() && text.back() == '\\';
            return;
        }
        if (in_string_)
            i = skip_string(text, 0, number);
        while (i < text.size() && !error_) {
            if (in_comment_) {
                std::size_t close = text.find("*/", i);
                if (close == std::string::npos)
                    return;
                in_comment_ = false;
                i = close + 2;
                continue;
            }
            char c = text[i];
            switch (c) {
            case '/':
                if (i + 1 < text.size() && text[i + 1] == '/')
                    return;
                if (i + 1 < text.size() && text[i + 1] == '*') {
                    in_comment_ = true;
                    i += 2;
                    continue;
                }
                break;
            case '"':
                i = skip_string(text, i + 1, number);
                continue;
            case '\'':
                i = skip_char_constant(text, i, number);
                continue;
            case '#':
                directive(text, i, number);
                return;
            case 'f':
                if ((i == 0 || !is_identifier_char(text[i - 1])) && text.compare(i, 3, "for") == 0 &&
                    i + 3 < text.size() && (text[i + 3] == ' ' || text[i + 3] == '\t' || text[i + 3] == '('))
                    for_pending_ = true;
                break;
            case '(':
                if (parens_.depth == 0) {
                    for_header_ = for_pending_;
                    for_pending_ = false;
                }
                parens_.open(number);
                break;
            case ')':
                if (parens_.depth == 0)
                    return fail("%s: too many ')' at line %d", number);
                --parens_.depth;
                break;
            case '[':
                ++brackets_;
                break;
            case ']':
                if (brackets_ == 0)
                    return fail("%s: too many ']' at line %d", number);
                --brackets_;
                break;
            case '{':
                if (parens_.depth > 0)
                    return fail("%s: Mismatched () after line %d", parens_.innermost());
                braces_.open(number);
                break;
            case '}':
                if (parens_.depth > 0)
                    return fail("%s: Mismatched () after line %d", parens_.innermost());
                if (braces_.depth == 0)
                    return fail("%s: too many } at line %d", number);
                --braces_.depth;
                break;
            case ';':
                if (parens_.depth >= 2 || (parens_.depth == 1 && !for_header_))
                    return fail("%s: Syntax error line %d", number);
                break;
            default:
                break;
            }
            ++i;
        }
    }

    // Skips a string literal from its first character; returns the index after it.
    std::size_t skip_string(const std::string& text, std::size_t i, int number)
    {
        in_string_ = false;
        while (i < text.size()) {
            if (text[i] == '\\') {
                if (i + 1 == text.size()) {
                    in_string_ = true;  // continued on the next line
                    return text.size();
                }
                i += 2;
                continue;
            }
            if (text[i] == '"')
                return i + 1;
            ++i;
        }
        fail("%s: unfinished string line %d", number);
        return text.size();
    }

    /* A character constant holds one to four characters or escapes and
       closes on its line; anything else is a bad one. */
    std::size_t skip_char_constant(const std::string& text, std::size_t quote, int number)
    {
        std::size_t i = quote + 1;
        int characters = 0;
        while (i < text.size() && text[i] != '\'') {
            i += (text[i] == '\\' && i + 1 < text.size()) ? 2 : 1;
            ++characters;
        }
        if (i >= text.size() || characters == 0 || characters > 4) {
            fail("%s: incorrect char constant line %d", number);
            return text.size();
        }
        return i + 1;
    }

    void directive(const std::string& text, std::size_t hash, int number)
    {
        std::size_t i = hash + 1;
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        if (text.compare(i, 2, "if") == 0) {
            directives_.open(number);
        } else if (text.compare(i, 5, "endif") == 0 && (i + 5 == text.size() || !is_identifier_char(text[i + 5]))) {
            if (directives_.depth == 0) {
                error_ = format("#endif without matching #if line %d", number);
                return;
            }
            --directives_.depth;
        }
        in_directive_ = !text.empty() && text.back() == '\\';
    }

    void fail(const char* message, int number) { error_ = format(message, file_.c_str(), number); }

    const Document& document_;
    const std::string& file_;
    std::optional<std::string> error_;
    OpenCount parens_;
    OpenCount braces_;
    OpenCount directives_;
    int brackets_ = 0;
    bool in_comment_ = false;
    bool in_string_ = false;
    bool in_directive_ = false;
    bool for_pending_ = false;
    bool for_header_ = false;
};

}  // namespace

std::optional<std::string> check_syntax(const Document& document, const std::string& file_name)
{
    return Checker(document, file_name).run();
}

}  // namespace vyn::editor
