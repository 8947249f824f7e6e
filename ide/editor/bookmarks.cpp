// Bookmarks: at most one per line, newest at the head of the list. A
// bookmark's value is the cursor column it was set at. Next bookmark visits
// the bookmarks of the view's document in line order, wrapping around.
#include "ide/editor/editor.h"

#include "common/strings.h"
#include "common/winpath.h"

#include <algorithm>

namespace vyn::editor {

void Editor::set_bookmark(View& view)
{
    Document* document = view.document;
    int line = std::min(view.cursor.line, std::max(0, document->line_count() - 1));
    std::erase_if(bookmarks_, [&](const Bookmark& b) { return b.document == document && b.line == line; });
    bookmarks_.insert(bookmarks_.begin(), Bookmark{view.id, document, line, view.cursor.column});
}

View* Editor::go_to_bookmark()
{
    if (bookmarks_.empty())
        return nullptr;
    std::vector<std::string> items;
    for (const Bookmark& mark : bookmarks_) {
        std::string text;
        if (mark.line < mark.document->line_count())
            text = mark.document->lines[static_cast<std::size_t>(mark.line)].text;
        items.push_back(format("%s(%d): %s", std::string(winpath::base_name(mark.document->name)).c_str(),
                               mark.line + 1, text.c_str()));
    }
    std::optional<int> chosen = host_.choose_bookmark(items);
    if (!chosen || *chosen < 0 || *chosen >= static_cast<int>(bookmarks_.size()))
        return nullptr;
    const Bookmark& mark = bookmarks_[static_cast<std::size_t>(*chosen)];
    View* view = find_view(mark.view);
    if (view == nullptr)
        return nullptr;
    clear_selection(*view);
    place(*view, {mark.line, mark.value});
    return view;
}

bool Editor::next_bookmark(View& view)
{
    const Bookmark* best = nullptr;
    const Bookmark* first = nullptr;
    for (const Bookmark& mark : bookmarks_) {
        if (mark.document != view.document)
            continue;
        if (first == nullptr || mark.line < first->line)
            first = &mark;
        if (mark.line > view.cursor.line && (best == nullptr || mark.line < best->line))
            best = &mark;
    }
    if (best == nullptr)
        best = first;
    if (best == nullptr)
        return false;
    clear_selection(view);
    place(view, {best->line, best->value});
    return true;
}

bool Editor::erase_bookmark(View& view)
{
    return std::erase_if(bookmarks_, [&](const Bookmark& b) {
               return b.document == view.document && b.line == view.cursor.line;
           }) > 0;
}

}  // namespace vyn::editor
