// The comment scanners of the languages, sharing one walk over the lines.
#include "ide/editor/comment_scan.h"

#include <algorithm>
#include <string_view>

namespace vyn::editor {

namespace {

enum class Scanner { c, pascal, fortran, line_end };

Scanner scanner_for(const Language& language)
{
    switch (language.code) {
    case langcode::c_code:
        return Scanner::c;
    case langcode::pascal_code:
        return Scanner::pascal;
    case langcode::fortran_code:
        return Scanner::fortran;
    case langcode::assembly_code:
        return Scanner::line_end;
    default:
        break;
    }
    // A language of the settings' own is known by its comment characters.
    if (language.comment_chars == "/*")
        return Scanner::c;
    if (language.comment_chars == "{}(*)")
        return Scanner::pascal;
    return Scanner::line_end;
}

class Walk {
public:
    Walk(const std::vector<Line>& lines, const Language& language)
        : lines_(lines), language_(language), scanner_(scanner_for(language)),
          step_limit_(static_cast<long>(lines.size()) + 100)
    {
    }

    CommentScan run()
    {
        for (line_ = 0; line_ < count(); ++line_) {
            if (++steps_ > step_limit_) {
                result_.error = comment_scan_step_error;
                break;
            }
            scan_line();
        }
        return std::move(result_);
    }

private:
    int count() const { return static_cast<int>(lines_.size()); }
    std::string_view text(int line) const { return lines_[static_cast<std::size_t>(line)].text; }
    std::string_view text() const { return text(line_); }
    bool at(int column, std::string_view what) const { return text().substr(static_cast<std::size_t>(column)).starts_with(what); }

    void add(Position start, Position end) { result_.regions.push_back({start, end}); }

    // The column after a literal opened by the quote at column; backslash
    // escapes only in C. An unclosed literal ends with the line.
    int skip_literal(int column) const
    {
        std::string_view t = text();
        char quote = t[static_cast<std::size_t>(column)];
        bool escapes = scanner_ == Scanner::c;
        for (std::size_t i = static_cast<std::size_t>(column) + 1; i < t.size(); ++i) {
            if (escapes && t[i] == '\\')
                ++i;
            else if (t[i] == quote)
                return static_cast<int>(i) + 1;
        }
        return static_cast<int>(t.size());
    }

    // A comment from start up to the closer, possibly many lines on; the
    // walk continues after it. Unclosed, it ends with the document.
    void block(Position start, std::string_view closer, int search_from)
    {
        for (int column = search_from;; column = 0) {
            std::size_t found = text().find(closer, static_cast<std::size_t>(column));
            if (found != std::string_view::npos) {
                int last = static_cast<int>(found + closer.size()) - 1;
                add(start, {line_, last});
                column_ = last + 1;
                return;
            }
            if (line_ + 1 >= count())
                break;
            ++line_;
        }
        add(start, {line_, line_end_column});
        column_ = static_cast<int>(text().size());
    }

    void to_line_end(int column, bool continued_by_backslash)
    {
        Position start{line_, column};
        while (continued_by_backslash && text().ends_with('\\') && line_ + 1 < count())
            ++line_;
        add(start, {line_, line_end_column});
        column_ = static_cast<int>(text().size());
    }

    bool is_string_char(char c) const { return language_.string_chars.find(c) != std::string::npos; }
    bool is_comment_char(char c) const { return language_.comment_chars.find(c) != std::string::npos; }

    void scan_line()
    {
        std::string_view t = text();
        column_ = 0;
        while (column_ < static_cast<int>(t.size()) && (t[static_cast<std::size_t>(column_)] == ' ' ||
                                                        t[static_cast<std::size_t>(column_)] == '\t'))
            ++column_;
        if (scanner_ == Scanner::fortran && !t.empty() && std::string_view("Cc*!").find(t[0]) != std::string_view::npos) {
            to_line_end(0, false);
            return;
        }
        while (column_ < static_cast<int>(text().size()))
            scan_token();
    }

    void scan_token()
    {
        char c = text()[static_cast<std::size_t>(column_)];
        switch (scanner_) {
        case Scanner::c:
            if (c == '\'' || c == '"')
                column_ = skip_literal(column_);
            else if (at(column_, "/*"))
                block({line_, column_}, "*/", column_ + 2);
            else if (at(column_, "//"))
                to_line_end(column_, true);
            else
                ++column_;
            return;
        case Scanner::pascal:
            if (c == '\'')
                column_ = skip_literal(column_);
            else if (c == '{')
                block({line_, column_}, "}", column_ + 1);
            else if (at(column_, "(*"))
                block({line_, column_}, "*)", column_ + 2);
            else
                ++column_;
            return;
        case Scanner::fortran:
        case Scanner::line_end:
            if (is_string_char(c))
                column_ = skip_literal(column_);
            else if (is_comment_char(c) || (scanner_ == Scanner::fortran && c == '!'))
                to_line_end(column_, false);
            else
                ++column_;
            return;
        }
    }

    const std::vector<Line>& lines_;
    const Language& language_;
    Scanner scanner_;
    long step_limit_;
    long steps_ = 0;
    int line_ = 0;
    int column_ = 0;
    CommentScan result_;
};

}  // namespace

CommentScan scan_comments(const std::vector<Line>& lines, const Language& language)
{
    return Walk(lines, language).run();
}

int ensure_comments(Document& document)
{
    if (document.flags & docflag::comments_valid)
        return 0;
    CommentScan scan;
    if (document.language != nullptr)
        scan = scan_comments(document.lines, *document.language);
    document.comments = std::move(scan.regions);
    document.flags |= docflag::comments_valid;
    return scan.error;
}

std::vector<ColumnRange> comment_columns(const Document& document, int line, int& mismatch)
{
    mismatch = 0;
    std::vector<ColumnRange> ranges;
    const std::vector<CommentRegion>& regions = document.comments;
    // The first region that ends on or after the line; regions are in order.
    auto it = std::lower_bound(regions.begin(), regions.end(), line,
                               [](const CommentRegion& r, int l) { return r.end.line < l; });
    int length = document.length(line);
    for (; it != regions.end() && it->start.line <= line; ++it) {
        int from = it->start.line == line ? it->start.column : 0;
        int to = it->end.line == line ? std::min(it->end.column + 1, length) : length;
        if (from > length) {
            mismatch = 4201;
            return {};
        }
        if (to < from) {
            mismatch = 4202;
            return {};
        }
        if (to > from)
            ranges.push_back({from, to});
    }
    return ranges;
}

}  // namespace vyn::editor
