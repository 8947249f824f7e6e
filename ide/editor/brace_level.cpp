#include "ide/editor/brace_level.h"

#include "ide/editor/comment_scan.h"

#include "common/strings.h"

namespace vyn::editor {

namespace {

// The change of level over one line.
int level_change(const Document& document, int line)
{
    const std::string& text = document.lines[static_cast<std::size_t>(line)].text;
    int mismatch = 0;
    std::vector<ColumnRange> comments = comment_columns(document, line, mismatch);
    std::size_t next_comment = 0;
    int change = 0;
    for (int i = 0; i < static_cast<int>(text.size()); ++i) {
        while (next_comment < comments.size() && comments[next_comment].to <= i)
            ++next_comment;
        if (next_comment < comments.size() && comments[next_comment].from <= i) {
            i = comments[next_comment].to - 1;
            continue;
        }
        char c = text[static_cast<std::size_t>(i)];
        if (c == '"' || c == '\'') {
            for (++i; i < static_cast<int>(text.size()) && text[static_cast<std::size_t>(i)] != c; ++i)
                if (text[static_cast<std::size_t>(i)] == '\\')
                    ++i;
        } else if (c == '{') {
            ++change;
        } else if (c == '}') {
            --change;
        }
    }
    return change;
}

}  // namespace

std::vector<int> brace_levels(const Document& document, int first, int count)
{
    int level = 0;
    for (int line = 0; line < first && line < document.line_count(); ++line)
        level += level_change(document, line);
    std::vector<int> levels;
    for (int line = first; line < first + count; ++line) {
        levels.push_back(level);
        if (line < document.line_count())
            level += level_change(document, line);
    }
    return levels;
}

std::optional<LineSpan> enclosing_block(const Document& document, int line)
{
    int count = document.line_count();
    if (line < 0 || line >= count)
        return std::nullopt;
    std::vector<int> levels = brace_levels(document, 0, count + 1);  // levels[count]: the end
    auto level = [&](int l) { return levels[static_cast<std::size_t>(l)]; };
    auto opens = [&](int l) { return level(l) == 0 && level(l + 1) > 0; };
    auto is_head = [&](int l) {
        std::string_view text = trim(document.lines[static_cast<std::size_t>(l)].text);
        return !text.empty() && !text.ends_with(';') && !text.ends_with('}') && level(l) == 0;
    };
    // The line that opens the outermost block: above the line when it lies
    // inside one, below it when the line is part of a block's head.
    int open = line;
    if (level(line) > 0) {
        while (open >= 0 && !opens(open))
            --open;
    } else {
        while (open < count && !opens(open) && is_head(open))
            ++open;
    }
    if (open < 0 || open >= count || !opens(open))
        return std::nullopt;
    int close = open + 1;
    while (close < count && level(close + 1) > 0)
        ++close;
    if (close >= count)
        close = count - 1;
    if (line > close)
        return std::nullopt;
    int first = open;
    while (first > 0 && is_head(first - 1))
        --first;
    return LineSpan{first, close};
}

}  // namespace vyn::editor
