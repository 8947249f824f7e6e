// The editing session: every loaded document and its views, the internal
// clipboard, the bookmarks, the undo journal and the recently read files.
// The window layer turns its messages into the calls below and paints from
// the documents and views; every question to the user goes through the host.
#pragma once

#include "ide/editor/document.h"
#include "ide/editor/editor_flags.h"
#include "ide/editor/editor_host.h"
#include "ide/editor/undo_journal.h"

#include <cstdint>
#include <functional>
#include <string_view>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vyn::editor {

// Results of loading a file.
enum class LoadResult { ok = 0, cannot_open = 1, read_error = 3, no_memory = 4 };

struct Bookmark {
    int view = 0;
    Document* document = nullptr;
    int line = 0;
    int value = 0;  // the column of the cursor when the bookmark was set
};

// A selection as the place it starts and its length, a line break counting one.
struct SelectionRange {
    Position start;
    int length = 0;
};

// Exported clipboard text never holds more characters than this.
constexpr std::size_t max_exported_clipboard = 65000;
constexpr std::size_t recent_files_kept = 8;

class Editor {
public:
    Editor(EditorHost& host, SystemClipboard& system_clipboard);

    unsigned editor_flags = 0x0F;
    int tab_size = 4;

    // ---- documents and views -------------------------------------------
    // A new empty document named name (upper-cased a to z), kept in name order.
    Document& create_document(const std::string& name);
    Document* find_document(const std::string& name);
    // Forgets a document and its views and bookmarks.
    void close_document(Document& document);
    View& open_view(Document& document);
    void close_view(int view_id);
    View* find_view(int view_id);
    std::vector<View*> views_of(const Document& document);
    const std::vector<std::unique_ptr<Document>>& documents() const { return documents_; }

    // ---- files -----------------------------------------------------------
    LoadResult load_file(const std::string& path, Document& document);
    // Saves the view's document; true when saved or nothing needed saving.
    bool save(View& view);
    // Writes the document named name to that file; true when every line was written.
    bool write_file(const std::string& name);
    const std::vector<std::string>& recent_files() const { return recent_files_; }
    void note_recent_file(const std::string& name);

    // ---- text changes, made by the primitives (all views, bookmarks and
    // comments follow; the open action journals them) --------------------
    // Inserts text at the position; line-feeds break lines. Returns the end.
    Position insert_text(Document& document, Position at, std::string_view text);
    // Removes count characters from the position on, a line break counting
    // one; returns what was removed with a line-feed for each join.
    std::string delete_text(Document& document, Position at, int count);

    // ---- editing operations on a view ------------------------------------
    // Typed characters; returns how many characters (line breaks included)
    // went in. Characters below 32 other than a tab, and above 255, are refused.
    int insert_characters(View& view, int count, int character);
    // Inserts text at the cursor, the cursor following it.
    int insert_string(View& view, std::string_view text);
    void insert_line_breaks(View& view, int count);
    // Enter with automatic indentation; returns the characters inserted.
    int new_line_indented(View& view, int count);
    // Deletes forward; with keep_copy the removed text goes to the clipboard.
    std::string delete_forward(View& view, int count, bool keep_copy);
    std::string delete_before(View& view, int count);

    // ---- cursor and selection ---------------------------------------------
    void move_left(View& view, int count);
    void move_right(View& view, int count);
    void move_up(View& view, int count);
    void move_down(View& view, int count);
    void line_start(View& view);
    void line_end(View& view);
    void page_up(View& view);
    void page_down(View& view);
    void word_left(View& view);
    void word_right(View& view);
    void top_of_file(View& view);
    void end_of_file(View& view);
    void go_to_line(View& view, int line_number);  // 1-based
    void scroll_lines(View& view, int delta);
    void recenter(View& view);
    void clear_selection(View& view);
    std::optional<SelectionRange> selection_range(const View& view);
    std::string selected_text(const View& view);
    // Removes the selection into the emptied clipboard (not exported).
    std::string delete_selection(View& view);

    // ---- clipboard -----------------------------------------------------------
    const std::string& clipboard() const { return clipboard_; }
    bool clipboard_empty() const { return clipboard_.empty(); }
    void set_clipboard(std::string text) { clipboard_ = std::move(text); }
    bool copy(View& view);
    bool cut(View& view);
    int paste(View& view);
    void export_clipboard();
    void import_clipboard();
    bool copy_to_file();
    bool insert_file(View& view);

    // ---- whole-document commands -------------------------------------------
    void tabs_to_spaces(View& view);
    void spaces_to_tabs(View& view);

    // ---- bookmarks --------------------------------------------------------------
    const std::vector<Bookmark>& bookmarks() const { return bookmarks_; }
    void set_bookmark(View& view);
    // Moves to the chosen bookmark; returns the view it lies in, for activation.
    View* go_to_bookmark();
    bool next_bookmark(View& view);
    bool erase_bookmark(View& view);

    // ---- messages of an edit window, journaled for Undo ----------------------
    // A key no binding took; returns false when the edit window ignores it.
    bool key_down(View& view, int key, int repeat, bool ctrl);
    void character(View& view, int character, int repeat);
    // An editing command; returns false when it is not one of the text model's.
    bool command(View& view, int id, int parameter);
    void mouse_click(View& view, Position where, bool right_button);
    // Journals a command handled elsewhere that moves the cursor (a search,
    // a jump), so that Undo brings the cursor back; call it before acting.
    void record_command(View& view, int id, int parameter);
    void scroll_to(View& view, int top_line);

    // Replacements made by a search and replace are journaled as one group.
    void begin_replace_group(View& view);
    // Replaces length characters at the position by text, as one group member.
    void replace(View& view, Position at, int length, std::string_view text);
    void end_replace_group(View& view);

    void undo(View& view);
    UndoJournal& journal() { return journal_; }

    // Gives a document a new file name (upper-cased a to z) and the language
    // of that name, keeping the document list in name order.
    void rename_document(Document& document, const std::string& path);

private:
    // One journaled action of a view, opened by the message layer before it
    // acts: the text primitives add every change they make to the view's
    // document to it, and it goes into the journal when the scope closes.
    // While one is open a nested scope joins it.
    class Action {
    public:
        Action(Editor& editor, const View& view, JournalKind kind, int first, int second,
               GroupMark group = GroupMark::none);
        ~Action();
        Action(const Action&) = delete;
        Action& operator=(const Action&) = delete;

    private:
        Editor& editor_;
        bool outermost_;
    };

    // ---- the text primitives (text_edit.cpp), the only writers of lines ----
    Position insert_run(Document& document, Position at, std::string_view run);
    std::string remove_run(Document& document, Position at, int count);
    void split_line(Document& document, Position at);
    void join_lines(Document& document, int line);
    void erase_lines(Document& document, int first, int count);
    void insert_lines(Document& document, int first, std::vector<std::string> texts);
    void replace_loaded_lines(Document& document, std::vector<std::string> texts);
    // Reverses an entry's changes, newest first, without journaling them.
    void reverse_changes(Document& document, const JournalEntry& entry);
    // What every primitive does after changing the text: journal the change,
    // tell the views and check the invariants.
    void changed(Document& document, TextChange change, bool whole);
    void journal_change(Document& document, TextChange change);
    void move_positions(Document& document, const std::function<void(Position&)>& fix);
    void check_invariants(Document& document, int touched_line);

    JournalEntry entry_for(const View& view, JournalKind kind, int first, int second) const;
    void record_move(View& view, JournalKind kind, int first, int second);
    // A character that typing in overwrite mode replaced, journaled as an
    // entry of its own before the typed one (its change is the typing's).
    void record_overwritten(const View& view, char character);
    void cut_selection_journaled(View& view);
    bool move_key(View& view, int code, int repeat, bool ctrl);
    bool cursor_command(View& view, int id, int parameter);
    void record_group_mark(const View& view, GroupMark mark);
    bool document_command(View& view, int id, int parameter);
    int auto_indent_target(const Document& document, int completed_line, int reference_width) const;
    void place(View& view, Position where, bool keep_wanted = false);
    void undo_entry(View& view, const JournalEntry& entry);
    int type_characters(View& view, int count, int character, bool brace_rule = true);
    void type_macro(View& view, const std::string& text);
    int type_new_lines(View& view, int count);
    void outdent_for_brace(View& view);
    void update_identification(Document& document);
    // Drops the journal entries of every view of the document: after a change
    // the journal did not record, their positions no longer describe the text.
    void forget_journal_of(const Document& document);
    void rewrite_leading_space(View& view, bool to_tabs);

    EditorHost& host_;
    SystemClipboard& system_clipboard_;
    std::vector<std::unique_ptr<Document>> documents_;
    std::vector<std::unique_ptr<View>> views_;
    int next_view_id_ = 1;
    std::string clipboard_;  // line breaks as single line-feeds
    std::vector<Bookmark> bookmarks_;  // newest first
    UndoJournal journal_;
    std::vector<std::string> recent_files_;  // newest first
    // The open action and the document it journals; at most one is open.
    std::optional<JournalEntry> action_;
    const Document* action_document_ = nullptr;
    bool replaying_ = false;  // Undo is reversing changes, which are not journaled again
};

// The backup name of a file: its extension replaced by ".~" and the first two
// characters of the old one ("HELLO.C" -> "HELLO.~C", "MAIN.CPP" -> "MAIN.~CP").
std::string backup_name(const std::string& name);

}  // namespace vyn::editor
