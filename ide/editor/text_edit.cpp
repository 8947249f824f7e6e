// The text primitives: the only code that writes a document's lines. Every
// change goes through these, so that the positions held elsewhere stay on
// the characters they were on (the cursors and anchors of all views of the
// document, their top lines, the bookmarks and the comment regions), the
// change hook hears of every character, and the document's invariants
// (document.h) hold after each one.
#include "ide/editor/editor.h"

#include <algorithm>
#include <cassert>

namespace vyn::editor {

namespace {

std::string& text_of(Document& document, int line)
{
    return document.lines[static_cast<std::size_t>(line)].text;
}

void tell_hook(Document& document, int line, int column, char c)
{
    if (document.change_hook)
        document.change_hook(line, column, c);
}

}  // namespace

/* Checks, in debug builds, what is cheap to check after a change: the line
   written holds no line end, and every position held on the document lies
   within its text: on a line, at most at its end, or at the end position. */
void Editor::check_invariants(Document& document, int touched_line)
{
#ifndef NDEBUG
    auto inside = [&](Position p) {
        return p.line >= 0 && p.line <= document.line_count() && p.column >= 0 && p.column <= document.length(p.line);
    };
    if (touched_line >= 0 && touched_line < document.line_count())
        assert(document.lines[static_cast<std::size_t>(touched_line)].text.find('\n') == std::string::npos);
    for (const View* view : views_of(document)) {
        assert(inside(view->cursor));
        assert(!view->anchor || inside(*view->anchor));
        assert(view->top_line >= 0 && view->top_line <= document.line_count());
    }
    for (const Bookmark& mark : bookmarks_)
        assert(mark.document != &document || (mark.line >= 0 && mark.line <= document.line_count()));
#else
    (void)document;
    (void)touched_line;
#endif
}

/* Marks the document changed and asks its views to repaint: the changed line
   only, or everything when the change moved lines or several views show it. */
void Editor::changed(Document& document, bool whole)
{
    document.flags |= docflag::modified;
    document.flags &= static_cast<std::uint16_t>(~docflag::functions_valid);
    std::vector<View*> views = views_of(document);
    for (View* view : views)
        view->flags |= (whole || views.size() > 1) ? viewflag::repaint_all : viewflag::line_changed;
    check_invariants(document, -1);
}


void Editor::move_positions(Document& document, const std::function<void(Position&)>& fix)
{
    for (View* view : views_of(document)) {
        fix(view->cursor);
        if (view->anchor)
            fix(*view->anchor);
        Position top{view->top_line, 0};
        fix(top);
        view->top_line = top.line;
    }
    for (Bookmark& mark : bookmarks_) {
        if (mark.document != &document)
            continue;
        Position p{mark.line, 0};
        fix(p);
        mark.line = p.line;
    }
    for (CommentRegion& region : document.comments) {
        fix(region.start);
        fix(region.end);
    }
}

/* Breaks line at.line at at.column: the rest of the line becomes a new line
   after it. At the end of the document an empty last line is appended.
   Positions after the break point move to the new line. */
void Editor::split_line(Document& document, Position at)
{
    int line = at.line;
    if (line >= document.line_count()) {
        line = document.line_count();
        document.lines.insert(document.lines.begin() + line, Line{});
        move_positions(document, [line](Position& p) {
            if (p.line >= line)
                ++p.line;
        });
        tell_hook(document, line, 0, '\n');
        changed(document, true);
        return;
    }
    std::string& text = text_of(document, line);
    int column = std::clamp(at.column, 0, static_cast<int>(text.size()));
    std::string tail = text.substr(static_cast<std::size_t>(column));
    text.erase(static_cast<std::size_t>(column));
    if (!tail.empty() && (tail.back() == '/' || tail.back() == '*'))
        document.flags &= static_cast<std::uint16_t>(~docflag::comments_valid);
    document.lines.insert(document.lines.begin() + line + 1, Line{std::move(tail), 0});
    move_positions(document, [line, column](Position& p) {
        if (p.line > line)
            ++p.line;
        else if (p.line == line && p.column > column)
            p = {line + 1, p.column - column};
    });
    tell_hook(document, line, column, '\n');
    changed(document, true);
}

/* Appends line+1 to line and removes it; bookmarks of the removed line go. */
void Editor::join_lines(Document& document, int line)
{
    if (line + 1 >= document.line_count())
        return;
    int length = document.length(line);
    text_of(document, line) += text_of(document, line + 1);
    std::erase_if(bookmarks_, [&](const Bookmark& b) { return b.document == &document && b.line == line + 1; });
    document.lines.erase(document.lines.begin() + line + 1);
    move_positions(document, [line, length](Position& p) {
        if (p.line == line + 1)
            p = {line, p.column + length};
        else if (p.line > line + 1)
            --p.line;
    });
    tell_hook(document, line, length, '\n');
    changed(document, true);
}

/* Removes whole lines; positions inside them go to the start of the line
   that follows, their bookmarks go. */
void Editor::erase_lines(Document& document, int first, int count)
{
    first = std::clamp(first, 0, document.line_count());
    count = std::clamp(count, 0, document.line_count() - first);
    if (count == 0)
        return;
    for (int line = first; line < first + count; ++line)
        for (std::size_t k = 0; k < document.lines[static_cast<std::size_t>(line)].text.size(); ++k)
            tell_hook(document, first, 0, document.lines[static_cast<std::size_t>(line)].text[k]);
    std::erase_if(bookmarks_, [&](const Bookmark& b) {
        return b.document == &document && b.line >= first && b.line < first + count;
    });
    document.lines.erase(document.lines.begin() + first, document.lines.begin() + first + count);
    move_positions(document, [first, count](Position& p) {
        if (p.line >= first + count)
            p.line -= count;
        else if (p.line >= first)
            p = {first, 0};
    });
    changed(document, true);
}

Position Editor::insert_text(Document& document, Position at, std::string_view text)
{
    Position pos = at;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '\n') {
            bool at_end = pos.line >= document.line_count();
            split_line(document, pos);
            pos = at_end ? Position{document.line_count(), 0} : Position{pos.line + 1, 0};
            ++i;
            continue;
        }
        std::size_t run_end = text.find('\n', i);
        if (run_end == std::string_view::npos)
            run_end = text.size();
        std::string_view run = text.substr(i, run_end - i);
        int n = static_cast<int>(run.size());
        if (pos.line >= document.line_count()) {
            // At the end of the document the characters make a new last line.
            int line = document.line_count();
            document.lines.push_back(Line{std::string(run), 0});
            move_positions(document, [line](Position& p) {
                if (p.line >= line)
                    ++p.line;
            });
            for (int k = 0; k < n; ++k)
                tell_hook(document, line, k, run[static_cast<std::size_t>(k)]);
            changed(document, true);
            pos = {line, n};
        } else {
            std::string& line_text = text_of(document, pos.line);
            int column = std::clamp(pos.column, 0, static_cast<int>(line_text.size()));
            line_text.insert(static_cast<std::size_t>(column), run);
            int line = pos.line;
            move_positions(document, [line, column, n](Position& p) {
                if (p.line == line && p.column > column)
                    p.column += n;
            });
            for (int k = 0; k < n; ++k)
                tell_hook(document, line, column + k, run[static_cast<std::size_t>(k)]);
            changed(document, false);
            pos = {line, column + n};
        }
        i = run_end;
    }
    return pos;
}

/* Inserts whole lines before line `first` (the end of the document appends
   them); positions on and after that line move down with their text. */
void Editor::insert_lines(Document& document, int first, std::vector<std::string> texts)
{
    first = std::clamp(first, 0, document.line_count());
    int count = static_cast<int>(texts.size());
    document.lines.insert(document.lines.begin() + first, static_cast<std::size_t>(count), Line{});
    move_positions(document, [first, count](Position& p) {
        if (p.line >= first)
            p.line += count;
    });
    for (int i = 0; i < count; ++i) {
        std::string& text = text_of(document, first + i);
        text = std::move(texts[static_cast<std::size_t>(i)]);
        for (std::size_t k = 0; k < text.size(); ++k)
            tell_hook(document, first + i, static_cast<int>(k), text[k]);
        check_invariants(document, first + i);
    }
    changed(document, true);
}

/* Puts the lines read from a file in place of the whole text. Loading is not
   an edit: the document is not marked modified and the change hook hears
   nothing; the caller has already reset the positions held on it. */
void Editor::replace_loaded_lines(Document& document, std::vector<std::string> texts)
{
    document.lines.clear();
    document.lines.reserve(texts.size());
    for (std::string& text : texts)
        document.lines.push_back(Line{std::move(text), 0});
    check_invariants(document, -1);
}

std::string Editor::delete_text(Document& document, Position at, int count)
{
    std::string removed;
    int line = at.line;
    if (line < 0 || line >= document.line_count())
        return removed;
    int column = std::clamp(at.column, 0, document.length(line));
    while (count > 0) {
        int length = document.length(line);
        if (column >= length) {
            if (line + 1 >= document.line_count())
                break;
            join_lines(document, line);
            removed += '\n';
            --count;
            continue;
        }
        int n = std::min(count, length - column);
        std::string& text = text_of(document, line);
        std::string gone = text.substr(static_cast<std::size_t>(column), static_cast<std::size_t>(n));
        text.erase(static_cast<std::size_t>(column), static_cast<std::size_t>(n));
        move_positions(document, [line, column, n](Position& p) {
            if (p.line == line && p.column > column)
                p.column = std::max(column, p.column - n);
        });
        for (char c : gone)
            tell_hook(document, line, column, c);
        changed(document, false);
        removed += gone;
        count -= n;
    }
    return removed;
}

}  // namespace vyn::editor
