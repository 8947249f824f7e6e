// The IDE's life: start-up in its fixed order, the message loop, and the
// release of what start-up made.
#pragma once

#include <windows.h>

namespace vyn::shell {

int run_ide(HINSTANCE instance, const char* command_line);

}  // namespace vyn::shell
