// The IDE's MDI frame window: class "clMDIFrame", its MDI client, and the
// message loop that serves both.
#pragma once

#include <windows.h>

namespace tavra {

// Registers the frame's window class; false when the system refuses.
bool register_frame_class(HINSTANCE instance);
// Creates and shows the frame with its MDI client; nullptr on failure.
HWND create_frame(HINSTANCE instance, int show_command);
// Runs the message loop until WM_QUIT; returns the quit code.
int run_message_loop(HWND frame);

}  // namespace tavra
