// Edit windows: MDI children of class "clMDIDocument", one per view of a
// document. The window turns its messages into calls of the editor and
// paints the view's rows in the text colour, with the selection inverted.
#pragma once

#include <windows.h>

#include "ide/editor/document.h"

namespace vyn::shell {

bool register_edit_window_class(HINSTANCE instance);

// Creates a new edit window showing document; nullptr on failure.
HWND create_edit_window(vyn::editor::Document& document, bool maximised);

// The view an edit window shows, or nullptr for other windows.
vyn::editor::View* view_of(HWND window);
// The active edit window and its view (nullptr when none).
HWND current_edit_window();
vyn::editor::View* current_view();

// Brings an edit window up to date after its view changed: scroll position,
// caret and paint.
void refresh_edit_window(HWND window);
// Refreshes every edit window showing the document.
void refresh_document_windows(const vyn::editor::Document& document);

// The window title of a document: its path relative to the current
// directory when it lies below it, in lower case.
std::string title_for(const vyn::editor::Document& document);

// Takes the measures of the editor font (line height, character width).
void measure_editor_font();

}  // namespace vyn::shell
