// The messages of an edit window: keys, typed characters, editing commands,
// clicks and scrolling. Each is journaled for Undo with what it needs to be
// reversed, then acts.
#include "ide/editor/editor.h"

#include "ide/editor/commands.h"

#include <algorithm>

namespace vyn::editor {

JournalEntry Editor::begin_entry(const View& view, JournalKind kind, int first, int second) const
{
    JournalEntry entry;
    entry.view = view.id;
    entry.kind = kind;
    entry.first = first;
    entry.second = second;
    entry.cursor = view.cursor;
    entry.anchor = view.anchor;
    entry.top_line = view.top_line;
    entry.at = view.cursor;
    return entry;
}

void Editor::record_move(View& view, JournalKind kind, int first, int second)
{
    journal_.record(begin_entry(view, kind, first, second));
}

/* Deletes the selection into the clipboard, journaled as Cut. */
void Editor::record_selection_cut(View& view)
{
    JournalEntry entry = begin_entry(view, JournalKind::command, cmd::cut, 0);
    std::optional<SelectionRange> range = selection_range(view);
    if (!range)
        return;
    entry.at = range->start;
    entry.removed = delete_selection(view);
    journal_.record(std::move(entry));
}

/* Journals typed characters: each character they overwrote as an entry of
   its own, then the typing itself. */
void Editor::record_typing(View& view, JournalEntry entry, const Typing& typed)
{
    for (char c : typed.overwritten) {
        JournalEntry over = begin_entry(view, JournalKind::overwritten, static_cast<unsigned char>(c), 0);
        over.removed = std::string(1, c);
        journal_.record(std::move(over));
    }
    entry.at = typed.at;
    entry.inserted = typed.inserted;
    entry.removed = typed.outdent;
    entry.appended_line = typed.appended_line;
    journal_.record(std::move(entry));
}

bool Editor::key_down(View& view, int code, int repeat, bool ctrl)
{
    repeat = std::max(1, repeat);
    switch (code) {
    case key::escape:
        host_.post_command(cmd::escape_to_frame);
        return true;
    case key::page_up:
    case key::page_down:
        record_move(view, JournalKind::key_down, code, repeat);
        clear_selection(view);
        code == key::page_up ? page_up(view) : page_down(view);
        return true;
    case key::home:
    case key::end:
        record_move(view, JournalKind::key_down, code, repeat);
        clear_selection(view);
        code == key::home ? line_start(view) : line_end(view);
        return true;
    case key::left:
        record_move(view, JournalKind::key_down, code, repeat);
        if (view.has_selection()) {
            Position anchor = *view.anchor;
            clear_selection(view);
            place(view, anchor);
        } else {
            clear_selection(view);
            move_left(view, repeat);
        }
        return true;
    case key::right:
        record_move(view, JournalKind::key_down, code, repeat);
        clear_selection(view);
        move_right(view, repeat);
        return true;
    case key::up:
    case key::down:
        record_move(view, JournalKind::key_down, code, repeat);
        if (ctrl) {
            scroll_lines(view, code == key::up ? -1 : 1);
        } else {
            clear_selection(view);
            code == key::up ? move_up(view, repeat) : move_down(view, repeat);
        }
        return true;
    case key::insert:
        record_move(view, JournalKind::key_down, code, repeat);
        view.flags ^= viewflag::overwrite;
        return true;
    case key::del:
        if (view.has_selection()) {
            record_selection_cut(view);
        } else {
            JournalEntry entry = begin_entry(view, JournalKind::key_down, code, repeat);
            entry.removed = delete_forward(view, repeat, false);
            journal_.record(std::move(entry));
        }
        return true;
    default:
        return false;
    }
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
            record_selection_cut(view);
            return;
        }
        JournalEntry entry = begin_entry(view, JournalKind::character, code, repeat);
        entry.removed = delete_before(view, repeat);
        entry.at = view.cursor;
        journal_.record(std::move(entry));
        return;
    }
    if (code >= 1 && code <= 26 && code != key::tab && code != key::enter) {
        std::optional<Macro> macro = host_.macro(static_cast<char>('A' + code - 1));
        if (!macro)
            return;
        if (view.has_selection())
            record_selection_cut(view);
        JournalEntry entry = begin_entry(view, JournalKind::character, code, 1);
        Position start = view.cursor;
        Typing typed = type_macro(view, macro->text);
        record_typing(view, std::move(entry), typed);
        place(view, start);
        move_right(view, macro->position);
        return;
    }
    if (code == key::enter) {
        if (view.has_selection())
            record_selection_cut(view);
        JournalEntry entry = begin_entry(view, JournalKind::character, code, repeat);
        if (view.overwrite()) {
            journal_.record(std::move(entry));
            int last = view.document->line_count();
            place(view, {std::min(view.cursor.line + repeat, last), 0});
            return;
        }
        Typing typed;
        if (editor_flags & editorflag::auto_indent) {
            typed = type_new_lines(view, repeat);
        } else {
            typed.at = view.cursor;
            typed.appended_line = view.cursor.line >= view.document->line_count();
            insert_line_breaks(view, repeat);
            typed.inserted = repeat;
        }
        record_typing(view, std::move(entry), typed);
        return;
    }
    if ((code < 32 && code != key::tab) || code > 255)
        return;
    if (view.has_selection())
        record_selection_cut(view);
    JournalEntry entry = begin_entry(view, JournalKind::character, code, repeat);
    Typing typed = type_characters(view, repeat, code);
    record_typing(view, std::move(entry), typed);
}

/* Commands that only move the cursor or the selection. */
bool Editor::move_command(View& view, int id, int parameter)
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
    default: return false;
    }
    return true;
}

/* Commands that change the text of the document, journaled with what
   reverses them. */
bool Editor::document_command(View& view, int id, int parameter)
{
    Document& document = *view.document;
    JournalEntry entry = begin_entry(view, JournalKind::command, id, parameter);
    switch (id) {
    case cmd::cut: {
        std::optional<SelectionRange> range = selection_range(view);
        if (!range)
            return true;
        // The journal keeps what was deleted, which lacks the final line
        // break of a selection that runs to the end of the document.
        entry.at = range->start;
        copy(view);
        entry.removed = delete_selection(view);
        break;
    }
    case cmd::paste: {
        import_clipboard();
        if (view.has_selection()) {
            std::string pasted = clipboard_;
            entry.removed = delete_selection(view);
            clipboard_ = std::move(pasted);
        }
        entry.at = view.cursor;
        entry.appended_line = view.cursor.line >= document.line_count();
        document.flags &= static_cast<std::uint16_t>(~docflag::comments_valid);
        entry.inserted = insert_string(view, clipboard_);
        break;
    }
    case cmd::insert_file: {
        int before = document.line_count();
        entry.at = {std::min(view.cursor.line, before), 0};
        insert_file(view);
        entry.lines_inserted = document.line_count() - before;
        break;
    }
    case cmd::tabs_to_spaces:
    case cmd::spaces_to_tabs: {
        std::vector<std::string> before;
        for (const Line& line : document.lines)
            before.push_back(line.text);
        id == cmd::tabs_to_spaces ? tabs_to_spaces(view) : spaces_to_tabs(view);
        for (int line = 0; line < document.line_count(); ++line)
            if (document.lines[static_cast<std::size_t>(line)].text != before[static_cast<std::size_t>(line)])
                entry.old_lines.emplace_back(line, before[static_cast<std::size_t>(line)]);
        break;
    }
    default:
        return false;
    }
    journal_.record(std::move(entry));
    return true;
}

bool Editor::command(View& view, int id, int parameter)
{
    switch (id) {
    case cmd::undo:
        undo(view);
        return true;
    case cmd::copy:
        record_move(view, JournalKind::command, id, parameter);
        copy(view);
        return true;
    case cmd::copy_to_file:
        record_move(view, JournalKind::command, id, parameter);
        copy_to_file();
        return true;
    case cmd::set_bookmark:
        record_move(view, JournalKind::command, id, parameter);
        set_bookmark(view);
        return true;
    case cmd::erase_bookmark:
        record_move(view, JournalKind::command, id, parameter);
        erase_bookmark(view);
        return true;
    case cmd::goto_bookmark: {
        record_move(view, JournalKind::command, id, parameter);
        if (View* marked = go_to_bookmark())
            host_.bring_forward(marked->id);
        return true;
    }
    default:
        break;
    }
    if (document_command(view, id, parameter))
        return true;
    JournalEntry entry = begin_entry(view, JournalKind::command, id, parameter);
    if (!move_command(view, id, parameter))
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
    JournalEntry entry = begin_entry(view, JournalKind::replace_group, 0, 0);
    entry.group = GroupMark::start;
    journal_.record(std::move(entry));
}

void Editor::replace(View& view, Position at, int length, std::string_view text)
{
    JournalEntry entry = begin_entry(view, JournalKind::replace_group, 0, 0);
    entry.group = GroupMark::member;
    entry.at = at;
    entry.removed = delete_text(*view.document, at, length);
    entry.appended_line = at.line >= view.document->line_count();
    entry.inserted = static_cast<int>(text.size());
    place(view, insert_text(*view.document, at, text));
    journal_.record(std::move(entry));
}

void Editor::end_replace_group(View& view)
{
    JournalEntry entry = begin_entry(view, JournalKind::replace_group, 0, 0);
    entry.group = GroupMark::end;
    journal_.record(std::move(entry));
}

}  // namespace vyn::editor
