// Compile (Ctrl+F9): the active document compiled within the open project,
// within the default project made from it, or added to the project first.
#pragma once

#include "ide/shell/dispatcher.h"

namespace vyn::project::win32 {

void compile_command(int, shell::CommandParameter);

}  // namespace vyn::project::win32
