// Saving documents from the window layer: a document with no file yet (a
// new one, "UNTITLED") is given a name through the save-as dialog first.
#pragma once

#include "ide/editor/document.h"

namespace vyn::shell {

// Saves the view's document; a new document asks for its name. False when
// the user cancelled or the save failed (which was reported).
bool save_view(vyn::editor::View& view);
// Asks for a new name and saves the view's document under it.
bool save_view_as(vyn::editor::View& view);
// Saves a document through one of its views, or a passing one when it has none.
bool save_document(vyn::editor::Document& document);

}  // namespace vyn::shell
