// Running the program the project builds (Ctrl+F5). On Windows a console
// program runs from a self-erasing batch file that waits for a key. With a
// runner set (an i386 program cannot start on this host), the runner runs it
// with its output captured; the IDE polls for the end, staying responsive,
// and then opens the whole output in the editor.
#pragma once

#include "ide/shell/dispatcher.h"

namespace tavra::project_win32 {

void execute_program_command(int, CommandParameter);
// Execute (1124): the dialog "Execute a program" and the run it describes.
void execute_command(int, CommandParameter);

}  // namespace tavra::project_win32
