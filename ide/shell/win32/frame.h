// The IDE's MDI frame window "clMDIFrame": its MDI client and output
// window, the layout, the menus' state, and the routing of commands and
// private messages.
#pragma once

#include <windows.h>

namespace vyn::shell {

bool register_frame_class(HINSTANCE instance);
// Creates the frame at the stored placement (or the system default).
HWND create_frame();
// Places the output window across the bottom and the MDI client above it.
void layout_frame();
// Sets the frame title: "tavra", or "tavra-<project>" with a project open.
void update_frame_title();

}  // namespace vyn::shell
