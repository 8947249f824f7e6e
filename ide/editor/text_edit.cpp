// The text primitives: the only code that writes a document's lines. Six
// of them change the text (insert or remove a run within a line, split or
// join a line, insert or erase whole lines), and a seventh puts a loaded
// file in place. Every change goes through them, so that in one place
//   - the positions held elsewhere stay on the characters they were on (the
//     cursors and anchors of all views of the document, their top lines,
//     the bookmarks and the comment regions);
//   - the change hook hears of every character, a line break counting one;
//   - the change goes into the undo journal: into the action the message
//     layer has open, or, made outside any action, by dropping what the
//     journal holds of the document, whose positions no longer fit;
//   - the views are asked to repaint and the invariants (document.h) hold.
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

/* Every primitive's last step: journals the change, marks the document
   changed and asks its views to repaint, the changed line only or
   everything when the change moved lines or several views show it. */
void Editor::changed(Document& document, TextChange change, bool whole)
{
    journal_change(document, std::move(change));
    document.flags |= docflag::modified;
    document.flags &= static_cast<std::uint16_t>(~docflag::functions_valid);
    std::vector<View*> views = views_of(document);
    for (View* view : views)
        view->flags |= (whole || views.size() > 1) ? viewflag::repaint_all : viewflag::line_changed;
    check_invariants(document, -1);
}

void Editor::journal_change(Document& document, TextChange change)
{
    if (replaying_)
        return;
    if (action_ && action_document_ == &document) {
        action_->changes.push_back(std::move(change));
        return;
    }
    forget_journal_of(document);
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

/* Puts run (no line break in it) into line at.line before at.column, which
   is clamped to the line; positions after that column move right with
   their characters. Returns the position after the run. */
Position Editor::insert_run(Document& document, Position at, std::string_view run)
{
    assert(at.line >= 0 && at.line < document.line_count() && run.find('\n') == std::string_view::npos);
    std::string& line_text = text_of(document, at.line);
    int line = at.line;
    int column = std::clamp(at.column, 0, static_cast<int>(line_text.size()));
    int n = static_cast<int>(run.size());
    line_text.insert(static_cast<std::size_t>(column), run);
    move_positions(document, [line, column, n](Position& p) {
        if (p.line == line && p.column > column)
            p.column += n;
    });
    for (int k = 0; k < n; ++k)
        tell_hook(document, line, column + k, run[static_cast<std::size_t>(k)]);
    changed(document, {TextChange::Kind::insert_run, {line, column}, std::string(run), {}}, false);
    return {line, column + n};
}

/* Takes up to count characters out of line at.line from at.column on, never
   crossing the line's end; positions after them move left, but never before
   the column. Returns what was taken. */
std::string Editor::remove_run(Document& document, Position at, int count)
{
    assert(at.line >= 0 && at.line < document.line_count());
    std::string& text = text_of(document, at.line);
    int line = at.line;
    int column = std::clamp(at.column, 0, static_cast<int>(text.size()));
    int n = std::clamp(count, 0, static_cast<int>(text.size()) - column);
    if (n == 0)
        return {};
    std::string gone = text.substr(static_cast<std::size_t>(column), static_cast<std::size_t>(n));
    text.erase(static_cast<std::size_t>(column), static_cast<std::size_t>(n));
    move_positions(document, [line, column, n](Position& p) {
        if (p.line == line && p.column > column)
            p.column = std::max(column, p.column - n);
    });
    for (char c : gone)
        tell_hook(document, line, column, c);
    changed(document, {TextChange::Kind::remove_run, {line, column}, gone, {}}, false);
    return gone;
}

/* Breaks line at.line at at.column: the rest of the line becomes a new line
   after it. At the end of the document an empty last line is appended.
   Positions after the break point move to the new line. */
void Editor::split_line(Document& document, Position at)
{
    int line = at.line;
    if (line >= document.line_count()) {
        insert_lines(document, document.line_count(), {std::string()});
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
    changed(document, {TextChange::Kind::split_line, {line, column}, {}, {}}, true);
}

/* Appends line+1 to line and removes it; bookmarks of the removed line go. */
void Editor::join_lines(Document& document, int line)
{
    if (line < 0 || line + 1 >= document.line_count())
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
    changed(document, {TextChange::Kind::join_lines, {line, length}, {}, {}}, true);
}

/* Removes whole lines; positions inside them go to the start of the line
   that follows, their bookmarks go. */
void Editor::erase_lines(Document& document, int first, int count)
{
    first = std::clamp(first, 0, document.line_count());
    count = std::clamp(count, 0, document.line_count() - first);
    if (count == 0)
        return;
    std::vector<std::string> gone;
    for (int line = first; line < first + count; ++line) {
        gone.push_back(std::move(text_of(document, line)));
        for (char c : gone.back())
            tell_hook(document, first, 0, c);
        tell_hook(document, first, 0, '\n');
    }
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
    changed(document, {TextChange::Kind::erase_lines, {first, 0}, {}, std::move(gone)}, true);
}

/* Inserts whole lines before line `first` (the end of the document appends
   them); positions on and after that line move down with their text. */
void Editor::insert_lines(Document& document, int first, std::vector<std::string> texts)
{
    first = std::clamp(first, 0, document.line_count());
    int count = static_cast<int>(texts.size());
    if (count == 0)
        return;
    document.lines.insert(document.lines.begin() + first, static_cast<std::size_t>(count), Line{});
    move_positions(document, [first, count](Position& p) {
        if (p.line >= first)
            p.line += count;
    });
    for (int i = 0; i < count; ++i) {
        std::string& text = text_of(document, first + i);
        text = texts[static_cast<std::size_t>(i)];
        for (std::size_t k = 0; k < text.size(); ++k)
            tell_hook(document, first + i, static_cast<int>(k), text[k]);
        tell_hook(document, first + i, static_cast<int>(text.size()), '\n');
        check_invariants(document, first + i);
    }
    changed(document, {TextChange::Kind::insert_lines, {first, 0}, {}, std::move(texts)}, true);
}

/* Puts the lines read from a file in place of the whole text. Loading is not
   an edit: the document is not marked modified and the change hook hears
   nothing; but every position held on the document goes back to its start
   (bookmarks and comment regions go), and the journal forgets it. */
void Editor::replace_loaded_lines(Document& document, std::vector<std::string> texts)
{
    forget_journal_of(document);
    document.comments.clear();
    std::erase_if(bookmarks_, [&](const Bookmark& b) { return b.document == &document; });
    for (View* view : views_of(document)) {
        view->cursor = {};
        view->anchor.reset();
        view->top_line = 0;
        view->first_column = 0;
        view->wanted_column = 0;
        view->flags |= viewflag::repaint_all;
    }
    document.lines.clear();
    document.lines.reserve(texts.size());
    for (std::string& text : texts)
        document.lines.push_back(Line{std::move(text), 0});
    check_invariants(document, -1);
}

/* Undoes an entry's changes newest first, each by the primitive that is
   its opposite; these are not journaled again. */
void Editor::reverse_changes(Document& document, const JournalEntry& entry)
{
    bool was_replaying = replaying_;
    replaying_ = true;
    for (auto change = entry.changes.rbegin(); change != entry.changes.rend(); ++change) {
        const Position at = change->at;
        switch (change->kind) {
        case TextChange::Kind::insert_run: remove_run(document, at, static_cast<int>(change->text.size())); break;
        case TextChange::Kind::remove_run: insert_run(document, at, change->text); break;
        case TextChange::Kind::split_line: join_lines(document, at.line); break;
        case TextChange::Kind::join_lines: split_line(document, at); break;
        case TextChange::Kind::insert_lines: erase_lines(document, at.line, static_cast<int>(change->lines.size())); break;
        case TextChange::Kind::erase_lines: insert_lines(document, at.line, change->lines); break;
        }
    }
    replaying_ = was_replaying;
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
        std::size_t run_end = std::min(text.find('\n', i), text.size());
        std::string_view run = text.substr(i, run_end - i);
        if (pos.line >= document.line_count()) {
            // At the end of the document the characters make a new last line.
            int line = document.line_count();
            insert_lines(document, line, {std::string(run)});
            pos = {line, static_cast<int>(run.size())};
        } else {
            pos = insert_run(document, pos, run);
        }
        i = run_end;
    }
    return pos;
}

std::string Editor::delete_text(Document& document, Position at, int count)
{
    std::string removed;
    int line = at.line;
    if (line < 0 || line >= document.line_count())
        return removed;
    int column = std::clamp(at.column, 0, document.length(line));
    while (count > 0) {
        if (column >= document.length(line)) {
            if (line + 1 >= document.line_count())
                break;
            join_lines(document, line);
            removed += '\n';
            --count;
            continue;
        }
        std::string gone = remove_run(document, {line, column}, count);
        count -= static_cast<int>(gone.size());
        removed += gone;
    }
    return removed;
}

/* ---- actions: how the message layer brackets what it journals ---- */

Editor::Action::Action(Editor& editor, const View& view, JournalKind kind, int first, int second, GroupMark group)
    : editor_(editor), outermost_(!editor.action_)
{
    if (!outermost_)
        return;
    editor.action_ = editor.entry_for(view, kind, first, second);
    editor.action_->group = group;
    editor.action_document_ = view.document;
}

Editor::Action::~Action()
{
    if (!outermost_)
        return;
    JournalEntry entry = std::move(*editor_.action_);
    editor_.action_.reset();
    editor_.action_document_ = nullptr;
    editor_.journal_.record(std::move(entry));
}

JournalEntry Editor::entry_for(const View& view, JournalKind kind, int first, int second) const
{
    JournalEntry entry;
    entry.view = view.id;
    entry.kind = kind;
    entry.first = first;
    entry.second = second;
    entry.cursor = view.cursor;
    entry.anchor = view.anchor;
    entry.top_line = view.top_line;
    return entry;
}

}  // namespace vyn::editor
