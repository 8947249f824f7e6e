// The project made from one source file when Compile finds no project open
// (or the user asks for a new one): named after the file, in the file's
// directory, a console application when the file defines main and a
// Windows application when it defines WinMain.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ide/project/project.h"
#include "ide/project/project_ui.h"

namespace vyn::project {

// The record of the default project of source (a full path) whose defined
// functions are functions, its make directory created. Nothing when the name
// is taken in known_projects, the file defines neither main nor WinMain, or
// the make directory cannot be made; the user is told the reason followed by
// "\nImpossible to generate default project". includepath is the compiler's
// registry value (empty when missing).
std::optional<Project> make_default_project(const std::string& source, const std::vector<std::string>& functions,
                                            const std::vector<std::string>& known_projects,
                                            const std::string& includepath, ProjectUi& ui);

}  // namespace vyn::project
