#include "ide/editor/brace_level.h"

#include "ide/editor/comment_scan.h"

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

}  // namespace vyn::editor
