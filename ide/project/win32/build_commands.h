// The Compiler menu's build commands (handlers for the command table).
#pragma once

#include <functional>

#include "ide/shell/dispatcher.h"

namespace vyn::project::win32 {

// Posted by the make runner thread to the frame when make has ended.
inline constexpr int CM_BUILD_FINISHED = 4803;

bool generate_project_makefile();
// Saves the project and starts make on its own thread, with no question
// asked (Make asks first; Compile starts it directly).
void start_make();
void make_command(int, shell::CommandParameter);
// Starts make as Make does (idle only) and calls ended once make has run,
// after its results are shown. False when make did not start.
bool make_then(std::function<void()> ended);
void build_finished(int, shell::CommandParameter);
void show_results_command(int, shell::CommandParameter);
void generate_makefile_command(int, shell::CommandParameter);
void link_command(int, shell::CommandParameter);
void rebuild_all_command(int, shell::CommandParameter);
// The stop request, answered to a build tool and cleared.
int take_stop_request();

}  // namespace vyn::project::win32
