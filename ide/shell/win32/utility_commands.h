// The user utilities in the IDE: the dialogs "Utility definition" (Add
// Utility, 1125) and "Change a utility" (1152), their entries at the end of
// the Options menu, and running one with Shift+F1 to Shift+F12 (commands
// 1300 to 1311). The live list is copied into the settings at every change,
// so that the settings written at exit hold it.
#pragma once

#include "ide/shell/dispatcher.h"

namespace vyn::shell {

// Builds the list from the settings read at start and appends its menu entries.
void load_utilities();
// Registers Add Utility, Change Utility and the second form of running the
// built program (1290, an outside tool on the executable) with the dispatcher.
void add_utility_commands();
// The dispatcher's handler of the utility range.
void run_utility_command(int command, CommandParameter parameter);

}  // namespace vyn::shell
