#include "ide/editor/editor.h"

#include "common/winpath.h"
#include "ide/editor/language.h"

#include <algorithm>

namespace vyn::editor {

Editor::Editor(EditorHost& host, SystemClipboard& system_clipboard)
    : host_(host), system_clipboard_(system_clipboard)
{
}

Document& Editor::create_document(const std::string& name)
{
    auto document = std::make_unique<Document>();
    document->name = winpath::upper_az(name);
    document->path = name;
    auto place = std::upper_bound(documents_.begin(), documents_.end(), document->name,
                                  [](const std::string& n, const std::unique_ptr<Document>& d) { return n < d->name; });
    return **documents_.insert(place, std::move(document));
}

Document* Editor::find_document(const std::string& name)
{
    std::string wanted = winpath::upper_az(name);
    for (auto& document : documents_)
        if (document->name == wanted)
            return document.get();
    return nullptr;
}

void Editor::close_document(Document& document)
{
    for (View* view : views_of(document))
        close_view(view->id);
    std::erase_if(bookmarks_, [&](const Bookmark& b) { return b.document == &document; });
    std::erase_if(documents_, [&](const std::unique_ptr<Document>& d) { return d.get() == &document; });
}

View& Editor::open_view(Document& document)
{
    auto view = std::make_unique<View>();
    view->id = next_view_id_++;
    view->document = &document;
    views_.push_back(std::move(view));
    return *views_.back();
}

void Editor::close_view(int view_id)
{
    std::erase_if(bookmarks_, [&](const Bookmark& b) { return b.view == view_id; });
    std::erase_if(views_, [&](const std::unique_ptr<View>& v) { return v->id == view_id; });
}

View* Editor::find_view(int view_id)
{
    for (auto& view : views_)
        if (view->id == view_id)
            return view.get();
    return nullptr;
}

std::vector<View*> Editor::views_of(const Document& document)
{
    std::vector<View*> found;
    for (auto& view : views_)
        if (view->document == &document)
            found.push_back(view.get());
    return found;
}

void Editor::rename_document(Document& document, const std::string& path)
{
    document.path = path;
    document.name = winpath::upper_az(path);
    document.language = language_for_file(document.name);
    if (document.language == &c_language())
        document.flags |= docflag::c_source;
    else
        document.flags &= static_cast<std::uint16_t>(~docflag::c_source);
    std::stable_sort(documents_.begin(), documents_.end(),
                     [](const std::unique_ptr<Document>& a, const std::unique_ptr<Document>& b) { return a->name < b->name; });
}

void Editor::note_recent_file(const std::string& name)
{
    std::erase(recent_files_, name);
    recent_files_.insert(recent_files_.begin(), name);
    if (recent_files_.size() > recent_files_kept)
        recent_files_.resize(recent_files_kept);
}

}  // namespace vyn::editor
