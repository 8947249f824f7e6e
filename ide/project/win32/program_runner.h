// Running the program the project builds (Ctrl+F5). On Windows a console
// program runs from a self-erasing batch file that waits for a key. With a
// runner set (an i386 program cannot start on this host), the runner runs it
// with its output captured; the IDE polls for the end, staying responsive,
// and then opens the whole output in the editor.
#pragma once

#include <string>

#include "ide/shell/dispatcher.h"

namespace vyn::project::win32 {

// A program to run as Execute and the user utilities do.
struct ProgramRecord {
    std::string program, args, directory;
    unsigned flags = 0;  // 1: save the output into a file and open it; 2: show the return code
};

// Runs record: in its directory when one is given, through the runner when
// it is an i386 image and a runner is set, its output captured and opened
// with flag 1, its return code shown with flag 2.
void run_program_record(const ProgramRecord& record);

void execute_program_command(int, shell::CommandParameter);
// The second form of running the built program (1290): "zezezud.exe %s"
// with the executable's name.
void execute_with_zezezud_command(int, shell::CommandParameter);
// Starts command_line in the current directory, in a process group of its
// own, shown in its default way and not waited for; "Impossible to execute
// '%s'" when it can't be created.
bool start_program(const std::string& command_line);
// Execute (1124): the dialog "Execute a program" and the run it describes.
void execute_command(int, shell::CommandParameter);

}  // namespace vyn::project::win32
