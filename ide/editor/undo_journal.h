// The undo journal: what every keystroke, click, scroll and editing command
// did, newest last, so that Undo can reverse it.
#pragma once

#include "ide/editor/document.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vyn::editor {

enum class JournalKind : std::uint8_t {
    key_down,
    character,
    command,
    left_button,
    right_button,
    vertical_scroll,
    overwritten,    // a character that the following typed character replaced
    replace_group,  // start, member or end of a group of replacements
};

enum class GroupMark : std::uint8_t { none, start, member, end };

// One change that a text primitive (text_edit.cpp) made to a document, with
// what it takes to reverse it. The primitives record every change they
// make into the open action, so that reversing an entry's changes newest
// first gives back the text exactly as it was before the action.
struct TextChange {
    enum class Kind : std::uint8_t {
        insert_run,    // `text` went in at `at`, within the line
        remove_run,    // `text` was taken out at `at`, within the line
        split_line,    // the line broke at `at`, its tail becoming the next line
        join_lines,    // line at.line + 1 was appended to line at.line, then at.column long
        insert_lines,  // `lines` went in before line at.line
        erase_lines,   // `lines`, from line at.line on, were removed
    };
    Kind kind = Kind::insert_run;
    Position at;
    std::string text;
    std::vector<std::string> lines;
};

// One action of a view: a keystroke, a click, a scroll or an editing
// command, with the place it started from and every text change it made.
struct JournalEntry {
    int view = 0;
    JournalKind kind = JournalKind::command;
    int first = 0;   // key code, character code or command id
    int second = 0;  // repeat count or command parameter
    Position cursor;                   // cursor before the action
    std::optional<Position> anchor;    // selection anchor before the action
    int top_line = 0;                  // top line before the action
    std::vector<TextChange> changes;   // in the order they were made
    GroupMark group = GroupMark::none;
};

// Invariant: entries.size() <= capacity.
class UndoJournal {
public:
    static constexpr std::size_t capacity = 254;

    // Appends an entry. A full journal is emptied instead and keeps nothing,
    // not even the new entry.
    void record(JournalEntry entry);
    bool empty() const { return entries_.empty(); }
    std::size_t size() const { return entries_.size(); }
    void clear() { entries_.clear(); }
    const std::vector<JournalEntry>& entries() const { return entries_; }
    std::vector<JournalEntry>& entries() { return entries_; }

private:
    std::vector<JournalEntry> entries_;
};

}  // namespace vyn::editor
