// Registers every window class of the IDE, in the order the IDE needs them.
#pragma once

#include <windows.h>

#include <string>

namespace vyn::shell {

// False when any class cannot be registered; the IDE then ends.
bool register_window_classes(HINSTANCE instance);

// The small text popup (class "smallTextPopup") showing text centred over
// the screen; used for the start-up banner.
HWND create_text_popup(const std::string& text);

}  // namespace vyn::shell
