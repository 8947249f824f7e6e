// The undo journal: what every keystroke, click, scroll and editing command
// did, newest last, so that Undo can reverse it.
#pragma once

#include "ide/editor/document.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
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

struct JournalEntry {
    int view = 0;
    JournalKind kind = JournalKind::command;
    int first = 0;   // key code, character code or command id
    int second = 0;  // repeat count or command parameter
    Position cursor;                   // cursor before the action
    std::optional<Position> anchor;    // selection anchor before the action
    int top_line = 0;                  // top line before the action

    // The text change, undone by deleting `inserted` characters at `at` and
    // then inserting `removed` there (a line-feed stands for a line break).
    Position at;
    int inserted = 0;
    std::string removed;
    bool appended_line = false;  // the action appended a new last line at `at`
    // Whole lines inserted before at.line (insert a file).
    int lines_inserted = 0;
    // Lines whose text the action rewrote, as they were (tabs conversions).
    std::vector<std::pair<int, std::string>> old_lines;
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
