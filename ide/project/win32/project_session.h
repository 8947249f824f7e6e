// The one open project of the IDE and the build that runs for it, on the
// GUI thread; the make runner's thread shares only the build words.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "ide/project/build_runner.h"
#include "ide/project/project.h"
#include "ide/project/project_ui.h"

namespace vyn::project::win32 {

project::Project& current_project();
project::BuildShared& build_shared();
project::ProjectUi& project_ui();

// Opens project name (the current one is saved and closed first).
bool open_project(const std::string& name);
// Saves the settings and the project, closes the project's edit windows
// (their modified documents saved or forgotten first) and clears the
// record. False when the user cancelled: the project stays open.
bool close_project();
bool save_current_project();
// At start: opens the project named by CurrentProject when its key exists.
void open_start_project();
// The runner put in front of an i386 program (registry value "Runner" of the
// IDE key), empty on Windows.
std::string runner_setting();

// Registers the Project and Compiler commands and the output window's
// answer to build tools.
void add_project_commands();

// Dialogs (project_dialogs.cpp).
struct NewProject {
    std::string name, path;
    bool multi_user = false, versioning = false;
    std::uint32_t type_bit = project::flag::kWindows;
};
std::optional<NewProject> ask_new_project();
std::optional<std::string> choose_project(const char* title);
// The three settings pages; false when cancelled.
bool edit_project_settings(project::Project& project);

}  // namespace vyn::project::win32
