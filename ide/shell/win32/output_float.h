// The window "Output" that holds the output list while it floats. The list
// fills it; the list's notifications and context menu go on to the panel as
// if the list were still there, and closing the window asks the panel to
// dock the list back (message 8035 with 0: open as it was before).
#pragma once

#include <windows.h>

namespace vyn::shell {

// Creates the window at where (screen coordinates) over the frame and moves
// list into it; nullptr when it can't be created (the list stays put).
HWND create_output_float(HWND panel, HWND list, const RECT& where);

}  // namespace vyn::shell
