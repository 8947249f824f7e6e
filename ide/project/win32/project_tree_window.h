// The project tree window "Projets": an MDI child with a tree view of the
// known projects, their files and the open project's functions, and its
// context menu "ViewTreeContext".
#pragma once

#include <windows.h>

namespace vyn::project::win32 {

// Opens the window (Project menu "Outline"), or brings it forward.
HWND show_project_tree();
// Rebuilds the tree when the window is open (a project opened, closed,
// created, erased or its files changed).
void refresh_project_tree();

}  // namespace vyn::project::win32
