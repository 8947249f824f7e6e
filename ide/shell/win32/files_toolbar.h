// The open-files toolbar: a small tool window (class "FilesToolbar") with a
// button for every open edit window; a button activates its window. Its
// rectangle is kept in the StatusBar setting, empty while it is closed.
#pragma once

#include <windows.h>

namespace vyn::shell {

bool register_files_toolbar_class(HINSTANCE instance);
// Shows the toolbar at the stored rectangle when that is not empty.
void build_files_toolbar();
void show_files_toolbar(bool show);
// Rebuilds the buttons after edit windows opened or closed.
void update_files_toolbar();

}  // namespace vyn::shell
