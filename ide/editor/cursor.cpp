// Cursor moves, scrolling and the selection.
#include "ide/editor/editor.h"

#include <algorithm>

namespace vyn::editor {

namespace {

bool is_word_char(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           static_cast<unsigned char>(c) >= 0xC0;
}

int page_of(const View& view)
{
    return std::max(1, view.rows - 1);
}

}  // namespace

/* Puts the cursor at where (clamped into the document) and scrolls so that
   it stays within the window's rows. */
void Editor::place(View& view, Position where, bool keep_wanted)
{
    const Document& document = *view.document;
    where.line = std::clamp(where.line, 0, document.line_count());
    where.column = std::clamp(where.column, 0, document.length(where.line));
    view.cursor = where;
    if (!keep_wanted)
        view.wanted_column = where.column;
    int rows = std::max(2, view.rows);
    if (view.cursor.line < view.top_line)
        view.top_line = view.cursor.line;
    else if (view.cursor.line >= view.top_line + rows)
        view.top_line = view.cursor.line - rows + 1;
    view.flags |= viewflag::cursor_moved;
}

void Editor::move_left(View& view, int count)
{
    Position p = view.cursor;
    step_back(*view.document, p, count);
    place(view, p);
}

void Editor::move_right(View& view, int count)
{
    Position p = view.cursor;
    const Document& document = *view.document;
    for (int i = 0; i < count && p.line < document.line_count(); ++i) {
        if (p.column < document.length(p.line))
            ++p.column;
        else
            p = {p.line + 1, 0};
    }
    place(view, p);
}

void Editor::move_up(View& view, int count)
{
    int line = std::max(0, view.cursor.line - count);
    place(view, {line, view.wanted_column}, true);
}

void Editor::move_down(View& view, int count)
{
    int line = std::min(view.document->line_count(), view.cursor.line + count);
    place(view, {line, view.wanted_column}, true);
}

void Editor::line_start(View& view)
{
    place(view, {view.cursor.line, 0});
}

void Editor::line_end(View& view)
{
    place(view, {view.cursor.line, view.document->length(view.cursor.line)});
}

void Editor::page_up(View& view)
{
    int page = page_of(view);
    view.top_line = std::max(0, view.top_line - page);
    place(view, {view.cursor.line - page, view.wanted_column}, true);
}

void Editor::page_down(View& view)
{
    int page = page_of(view);
    int count = view.document->line_count();
    view.top_line = std::clamp(view.top_line + page, 0, std::max(0, count - 1));
    place(view, {view.cursor.line + page, view.wanted_column}, true);
}

/* Word moves: a word is a run of letters, digits, underscores and accented
   letters. Right goes to the start of the next word, left to the start of
   the word before the cursor; both cross line ends. */
void Editor::word_right(View& view)
{
    const Document& document = *view.document;
    Position p = view.cursor;
    if (p.line >= document.line_count())
        return;
    auto text = [&](int line) -> const std::string& { return document.lines[static_cast<std::size_t>(line)].text; };
    int length = document.length(p.line);
    if (p.column >= length) {
        if (p.line + 1 >= document.line_count())
            return;
        p = {p.line + 1, 0};
    } else {
        while (p.column < length && is_word_char(text(p.line)[static_cast<std::size_t>(p.column)]))
            ++p.column;
    }
    while (p.line < document.line_count()) {
        const std::string& t = text(p.line);
        while (p.column < static_cast<int>(t.size()) && !is_word_char(t[static_cast<std::size_t>(p.column)]))
            ++p.column;
        if (p.column < static_cast<int>(t.size()) || p.line + 1 >= document.line_count())
            break;
        p = {p.line + 1, 0};
    }
    place(view, p);
}

void Editor::word_left(View& view)
{
    const Document& document = *view.document;
    Position p = view.cursor;
    auto at = [&](Position q) { return document.lines[static_cast<std::size_t>(q.line)].text[static_cast<std::size_t>(q.column)]; };
    // Step back over non-word characters, crossing line starts.
    for (;;) {
        if (p.column > 0) {
            p.column = std::min(p.column, document.length(p.line));
            if (is_word_char(at({p.line, p.column - 1})))
                break;
            --p.column;
        } else if (p.line > 0) {
            p = {p.line - 1, document.length(p.line - 1)};
        } else {
            break;
        }
    }
    while (p.column > 0 && is_word_char(at({p.line, p.column - 1})))
        --p.column;
    place(view, p);
}

void Editor::top_of_file(View& view)
{
    place(view, {0, 0});
}

void Editor::end_of_file(View& view)
{
    int last = std::max(0, view.document->line_count() - 1);
    place(view, {last, view.document->length(last)});
}

void Editor::go_to_line(View& view, int line_number)
{
    int last = std::max(0, view.document->line_count() - 1);
    place(view, {std::clamp(line_number - 1, 0, last), 0});
    recenter(view);
}

/* Scrolls the window by delta lines, keeping the cursor inside it. */
void Editor::scroll_lines(View& view, int delta)
{
    int count = view.document->line_count();
    view.top_line = std::clamp(view.top_line + delta, 0, std::max(0, count - 1));
    int rows = std::max(2, view.rows);
    int line = std::clamp(view.cursor.line, view.top_line, view.top_line + rows - 1);
    if (line != view.cursor.line)
        place(view, {line, view.wanted_column}, true);
    view.flags |= viewflag::repaint_all;
}

/* Moves the top line so that the cursor row is half the window's rows,
   as far as the start and end of the document allow. */
void Editor::recenter(View& view)
{
    int rows = std::max(2, view.rows);
    int count = view.document->line_count();
    int highest = std::max(0, count + 1 - rows);
    view.top_line = std::clamp(view.cursor.line - rows / 2, 0, highest);
    view.flags |= viewflag::repaint_all;
}

void Editor::clear_selection(View& view)
{
    if (view.anchor)
        view.flags |= viewflag::repaint_all;
    view.anchor.reset();
}

std::optional<SelectionRange> Editor::selection_range(const View& view)
{
    if (!view.has_selection())
        return std::nullopt;
    const Document& document = *view.document;
    Position start = std::min(*view.anchor, view.cursor);
    Position end = std::max(*view.anchor, view.cursor);
    auto valid = [&](Position p) {
        return p.line >= 0 && p.line <= document.line_count() && p.column >= 0 && p.column <= document.length(p.line);
    };
    if (!valid(start) || !valid(end)) {
        host_.tell("Internal error");
        return std::nullopt;
    }
    SelectionRange range{start, 0};
    if (start.line == end.line) {
        range.length = end.column - start.column;
        return range;
    }
    range.length = document.length(start.line) - start.column + 1;
    for (int line = start.line + 1; line < end.line; ++line)
        range.length += document.length(line) + 1;
    range.length += end.column;
    return range;
}

std::string Editor::selected_text(const View& view)
{
    std::string text;
    if (!view.has_selection())
        return text;
    const Document& document = *view.document;
    Position start = std::min(*view.anchor, view.cursor);
    Position end = std::max(*view.anchor, view.cursor);
    for (int line = start.line; line <= end.line && line < document.line_count(); ++line) {
        const std::string& t = document.lines[static_cast<std::size_t>(line)].text;
        int from = line == start.line ? std::min(start.column, static_cast<int>(t.size())) : 0;
        int to = line == end.line ? std::min(end.column, static_cast<int>(t.size())) : static_cast<int>(t.size());
        text.append(t, static_cast<std::size_t>(from), static_cast<std::size_t>(std::max(0, to - from)));
        if (line != end.line)
            text += '\n';
    }
    return text;
}

std::string Editor::delete_selection(View& view)
{
    std::optional<SelectionRange> range = selection_range(view);
    if (!range)
        return {};
    clear_selection(view);
    place(view, range->start);
    clipboard_ = delete_text(*view.document, range->start, range->length);
    place(view, range->start);
    return clipboard_;
}

}  // namespace vyn::editor
