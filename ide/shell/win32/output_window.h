// The output window docked across the bottom of the frame (class
// "TavraOutput"). Here it carries the status text at the right end of its
// bottom row; its lists come with the output window's own subsystem.
#pragma once

#include <windows.h>

#include <string>

namespace tavra {

bool register_output_class(HINSTANCE instance);
HWND create_output_window();
void show_status_text(const std::string& text);

}  // namespace tavra
