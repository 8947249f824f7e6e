// Undo: takes the newest journal entry of the view and reverses it.
#include "ide/editor/editor.h"

#include <algorithm>

namespace vyn::editor {

void Editor::forget_journal_of(const Document& document)
{
    std::erase_if(journal_.entries(), [&](const JournalEntry& entry) {
        const View* view = find_view(entry.view);
        return view != nullptr && view->document == &document;
    });
}

void Editor::undo_entry(View& view, const JournalEntry& entry)
{
    reverse_changes(*view.document, entry);
    place(view, entry.cursor);
    if (entry.changes.empty()) {
        view.top_line = std::clamp(entry.top_line, 0, std::max(0, view.document->line_count()));
        place(view, entry.cursor);
        view.flags |= viewflag::repaint_all;
    }
}

void Editor::undo(View& view)
{
    clear_selection(view);
    std::vector<JournalEntry>& entries = journal_.entries();
    auto newest = std::find_if(entries.rbegin(), entries.rend(), [&](const JournalEntry& e) { return e.view == view.id; });
    if (newest == entries.rend())
        return;
    std::size_t index = static_cast<std::size_t>(entries.rend() - newest) - 1;

    if (entries[index].kind == JournalKind::replace_group && entries[index].group == GroupMark::end) {
        std::size_t start = index;
        while (start > 0 && !(entries[start - 1].view == view.id && entries[start - 1].group == GroupMark::start))
            --start;
        if (start == 0) {
            host_.tell("Undo: internal error");
            return;
        }
        --start;
        entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(index) + 1, entries.end());
        for (std::size_t i = index; i > start; --i)
            if (entries[i].group == GroupMark::member && entries[i].view == view.id)
                reverse_changes(*view.document, entries[i]);
        Position cursor = entries[start].cursor;
        entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(start), entries.end());
        place(view, cursor);
        return;
    }

    entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(index) + 1, entries.end());
    JournalEntry entry = std::move(entries.back());
    entries.pop_back();
    if (entry.kind == JournalKind::character) {
        // The characters that typing overwrote come back with it: taking
        // them out is among its changes, their entries only mark them.
        while (!entries.empty() && entries.back().kind == JournalKind::overwritten && entries.back().view == view.id)
            entries.pop_back();
    } else if (entry.kind == JournalKind::overwritten) {
        return;  // its typed character was never journaled: nothing to reverse
    }
    undo_entry(view, entry);
}

}  // namespace vyn::editor
