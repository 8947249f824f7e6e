// Painting an edit window's rows with the colourer's spans, the selection,
// the line markers, the "more text" mark and the brace-level margin; and
// the status text and title mark of the current view.
#pragma once

#include <windows.h>

#include "ide/editor/document.h"

namespace vyn::shell {

// Paints every row of the view into the client rectangle.
void paint_edit_rows(HDC dc, const RECT& client, vyn::editor::View& view);

// The left margin in pixels (the brace-level display); 0 when off.
int edit_margin();
// Command 1220: switches the brace-level margin on (20 pixels) or off.
void toggle_brace_level_margin();

// Shows the view's line and column in the status text, and the modified
// mark in its window's title.
void show_edit_status(HWND window, const vyn::editor::View& view);

}  // namespace vyn::shell
