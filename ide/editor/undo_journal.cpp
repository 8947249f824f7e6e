#include "ide/editor/undo_journal.h"

namespace vyn::editor {

void UndoJournal::record(JournalEntry entry)
{
    if (entries_.size() >= capacity) {
        entries_.clear();
        return;
    }
    entries_.push_back(std::move(entry));
}

}  // namespace vyn::editor
