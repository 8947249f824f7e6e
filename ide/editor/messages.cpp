// The messages of an edit window: keys, typed characters, editing commands,
// clicks and scrolling. Each one that Undo reverses acts inside an action
// of the journal (text_edit.cpp), which keeps where the cursor was and
// every change of the text the message made.
#include "ide/editor/editor.h"

#include "ide/editor/commands.h"

#include <algorithm>
#include <functional>

namespace vyn::editor {

void Editor::record_move(View& view, JournalKind kind, int first, int second)
{
    journal_.record(entry_for(view, kind, first, second));
}

void Editor::record_overwritten(const View& view, char character)
{
    if (action_ && action_document_ == view.document)
        journal_.record(entry_for(view, JournalKind::overwritten, static_cast<unsigned char>(character), 0));
}

/* Deletes the selection into the clipboard, journaled as Cut. */
void Editor::cut_selection_journaled(View& view)
{
    if (!selection_range(view))
        return;
    Action action(*this, view, JournalKind::command, cmd::cut, 0);
    delete_selection(view);
}

/* The keys that move the cursor, scroll, or switch overwrite mode; false
   for any other key. */
bool Editor::move_key(View& view, int code, int repeat, bool ctrl)
{
    if (code == key::insert) {
        view.flags ^= viewflag::overwrite;
        return true;
    }
    if ((code == key::up || code == key::down) && ctrl) {
        scroll_lines(view, code == key::up ? -1 : 1);
        return true;
    }
    if (code == key::left && view.has_selection()) {
        Position anchor = *view.anchor;
        clear_selection(view);
        place(view, anchor);
        return true;
    }
    std::function<void()> move;
    switch (code) {
    case key::page_up: move = [&] { page_up(view); }; break;
    case key::page_down: move = [&] { page_down(view); }; break;
    case key::home: move = [&] { line_start(view); }; break;
    case key::end: move = [&] { line_end(view); }; break;
    case key::left: move = [&] { move_left(view, repeat); }; break;
    case key::right: move = [&] { move_right(view, repeat); }; break;
    case key::up: move = [&] { move_up(view, repeat); }; break;
    case key::down: move = [&] { move_down(view, repeat); }; break;
    default: return false;
    }
    clear_selection(view);
    move();
    return true;
}

bool Editor::key_down(View& view, int code, int repeat, bool ctrl)
{
    repeat = std::max(1, repeat);
    if (code == key::escape) {
        host_.post_command(cmd::escape_to_frame);
        return true;
    }
    if (code == key::del) {
        if (view.has_selection()) {
            cut_selection_journaled(view);
        } else {
            Action action(*this, view, JournalKind::key_down, code, repeat);
            delete_forward(view, repeat, false);
        }
        return true;
    }
    JournalEntry entry = entry_for(view, JournalKind::key_down, code, repeat);
    if (!move_key(view, code, repeat, ctrl))
        return false;
    journal_.record(std::move(entry));
    return true;
}

void Editor::character(View& view, int code, int repeat)
{
    repeat = std::max(1, repeat);
    if (code == key::escape) {
        clear_selection(view);
        return;
    }
    if (code == key::back) {
        if (view.has_selection()) {
            cut_selection_journaled(view);
            return;
        }
        Action action(*this, view, JournalKind::character, code, repeat);
        delete_before(view, repeat);
        return;
    }
    if (code >= 1 && code <= 26 && code != key::tab && code != key::enter) {
        std::optional<Macro> macro = host_.macro(static_cast<char>('A' + code - 1));
        if (!macro)
            return;
        if (view.has_selection())
            cut_selection_journaled(view);
        Action action(*this, view, JournalKind::character, code, 1);
        Position start = view.cursor;
        type_macro(view, macro->text);
        place(view, start);
        move_right(view, macro->position);
        return;
    }
    if (code == key::enter) {
        if (view.has_selection())
            cut_selection_journaled(view);
        Action action(*this, view, JournalKind::character, code, repeat);
        if (view.overwrite()) {
            int last = view.document->line_count();
            place(view, {std::min(view.cursor.line + repeat, last), 0});
        } else if (editor_flags & editorflag::auto_indent) {
            type_new_lines(view, repeat);
        } else {
            insert_line_breaks(view, repeat);
        }
        return;
    }
    if ((code < 32 && code != key::tab) || code > 255)
        return;
    if (view.has_selection())
        cut_selection_journaled(view);
    Action action(*this, view, JournalKind::character, code, repeat);
    type_characters(view, repeat, code);
}

/* Commands that leave the text as it is: journaled with where the cursor
   was, which Undo brings back. */
bool Editor::cursor_command(View& view, int id, int parameter)
{
    auto extend = [&](auto move) {
        if (!view.anchor)
            view.anchor = view.cursor;
        move();
        view.flags |= viewflag::repaint_all;
    };
    auto plain = [&](auto move) {
        clear_selection(view);
        move();
    };
    switch (id) {
    case cmd::extend_down: extend([&] { move_down(view, 1); }); break;
    case cmd::extend_up: extend([&] { move_up(view, 1); }); break;
    case cmd::extend_right: extend([&] { move_right(view, 1); }); break;
    case cmd::extend_left: extend([&] { move_left(view, 1); }); break;
    case cmd::extend_word_right: extend([&] { word_right(view); }); break;
    case cmd::extend_word_left: extend([&] { word_left(view); }); break;
    case cmd::extend_to_line_start: extend([&] { line_start(view); }); break;
    case cmd::extend_to_line_end: extend([&] { line_end(view); }); break;
    case cmd::extend_to_file_start: extend([&] { top_of_file(view); }); break;
    case cmd::extend_to_file_end: extend([&] { end_of_file(view); }); break;
    case cmd::extend_page_up: extend([&] { page_up(view); }); break;
    case cmd::extend_page_down: extend([&] { page_down(view); }); break;
    case cmd::word_right: plain([&] { word_right(view); }); break;
    case cmd::word_left: plain([&] { word_left(view); }); break;
    case cmd::top_of_file: plain([&] { top_of_file(view); }); break;
    case cmd::end_of_file: plain([&] { end_of_file(view); }); break;
    case cmd::recenter: recenter(view); break;
    case cmd::goto_line: {
        std::optional<int> line = parameter > 0 ? std::optional<int>(parameter) : host_.ask_line_number();
        if (line)
            plain([&] { go_to_line(view, *line); });
        break;
    }
    case cmd::next_bookmark: next_bookmark(view); break;
    case cmd::set_bookmark: set_bookmark(view); break;
    case cmd::erase_bookmark: erase_bookmark(view); break;
    case cmd::goto_bookmark:
        if (View* marked = go_to_bookmark())
            host_.bring_forward(marked->id);
        break;
    case cmd::copy: copy(view); break;
    case cmd::copy_to_file: copy_to_file(); break;
    default: return false;
    }
    return true;
}

/* Commands that change the text of the document, each one action. */
bool Editor::document_command(View& view, int id, int parameter)
{
    switch (id) {
    case cmd::cut:
        if (!selection_range(view))
            return true;
        {
            Action action(*this, view, JournalKind::command, id, parameter);
            cut(view);
        }
        return true;
    case cmd::paste: {
        Action action(*this, view, JournalKind::command, id, parameter);
        paste(view);
        return true;
    }
    case cmd::insert_file: {
        Action action(*this, view, JournalKind::command, id, parameter);
        insert_file(view);
        return true;
    }
    case cmd::tabs_to_spaces:
    case cmd::spaces_to_tabs: {
        Action action(*this, view, JournalKind::command, id, parameter);
        id == cmd::tabs_to_spaces ? tabs_to_spaces(view) : spaces_to_tabs(view);
        return true;
    }
    default:
        return false;
    }
}

bool Editor::command(View& view, int id, int parameter)
{
    if (id == cmd::undo) {
        undo(view);
        return true;
    }
    if (document_command(view, id, parameter))
        return true;
    JournalEntry entry = entry_for(view, JournalKind::command, id, parameter);
    if (!cursor_command(view, id, parameter))
        return false;
    journal_.record(std::move(entry));
    return true;
}

void Editor::record_command(View& view, int id, int parameter)
{
    record_move(view, JournalKind::command, id, parameter);
}

void Editor::mouse_click(View& view, Position where, bool right_button)
{
    record_move(view, right_button ? JournalKind::right_button : JournalKind::left_button, where.line, where.column);
    clear_selection(view);
    place(view, where);
}

void Editor::scroll_to(View& view, int top_line)
{
    record_move(view, JournalKind::vertical_scroll, top_line, 0);
    scroll_lines(view, top_line - view.top_line);
}

void Editor::begin_replace_group(View& view)
{
    record_group_mark(view, GroupMark::start);
}

void Editor::replace(View& view, Position at, int length, std::string_view text)
{
    Action action(*this, view, JournalKind::replace_group, 0, 0, GroupMark::member);
    delete_text(*view.document, at, length);
    place(view, insert_text(*view.document, at, text));
}

void Editor::end_replace_group(View& view)
{
    record_group_mark(view, GroupMark::end);
}

void Editor::record_group_mark(const View& view, GroupMark mark)
{
    JournalEntry entry = entry_for(view, JournalKind::replace_group, 0, 0);
    entry.group = mark;
    journal_.record(std::move(entry));
}

}  // namespace vyn::editor
