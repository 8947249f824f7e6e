#include "ide/shell/win32/saving.h"

#include "common/strings.h"
#include "common/winpath.h"
#include "ide/shell/win32/documents.h"
#include "ide/shell/win32/edit_window.h"
#include "ide/shell/win32/files_toolbar.h"
#include "ide/shell/win32/ide.h"
#include "ide/shell/win32/win32_ui.h"

namespace vyn::shell {

namespace {

using vyn::editor::Document;
using vyn::editor::View;

// Every window of the document takes its new title.
void retitle_windows(const Document& document)
{
    std::string title = title_for(document);
    for (HWND child = GetWindow(ide().mdi_client, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (View* view = view_of(child); view && view->document == &document)
            SetWindowTextA(child, title.c_str());
    update_files_toolbar();
}

}  // namespace

bool save_view_as(View& view)
{
    Document& document = *view.document;
    auto name = choose_file(true, "Save as", nullptr, is_untitled(document) ? std::string() : document.path);
    if (!name)
        return false;
    // Two documents of one name would let a save write the other one's text.
    Document* holder = ide().editor->find_document(*name);
    if (holder && holder != &document) {
        tell(vyn::format("%s is already open", vyn::to_lower_ascii(vyn::winpath::upper_az(*name)).c_str()));
        return false;
    }
    ide().editor->rename_document(document, *name);
    document.flags |= vyn::editor::docflag::modified;
    bool saved = ide().editor->save(view);
    retitle_windows(document);
    refresh_document_windows(document);
    return saved;
}

bool save_view(View& view)
{
    bool saved = is_untitled(*view.document) ? save_view_as(view) : ide().editor->save(view);
    refresh_document_windows(*view.document);
    return saved;
}

bool save_document(Document& document)
{
    auto views = ide().editor->views_of(document);
    if (!views.empty())
        return save_view(*views.front());
    View& view = ide().editor->open_view(document);
    int id = view.id;
    bool saved = save_view(view);
    ide().editor->close_view(id);
    return saved;
}

}  // namespace vyn::shell
