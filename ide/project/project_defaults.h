// Defaults of a new project (or of one opened without make settings), the
// make directory's name, and the completion of the record that the makefile
// generator relies on.
#pragma once

#include <optional>
#include <string>

#include "ide/project/project.h"
#include "ide/project/project_ui.h"
#include "platform/registry.h"

namespace vyn::project {

inline constexpr char kCompilerKey[] = "Software\\vyn\\Compiler";

// Creates the make directory below sources_dir: "vyn", else "vyn1", "vyn12"
// ... up to eight digits, the first name that does not exist. Tells the user
// the name when a digit was needed. Nothing (with the message) when nine
// names exist or the directory cannot be created.
std::optional<std::string> create_make_directory(const std::string& sources_dir, ProjectUi& ui);

// "%s\%s.err" of the make directory ("." when there is none) and the name.
std::string default_error_file(const Project& project);

// Fills the make settings and everything that comes with them (make
// directory created on disk). False (told) when the make directory cannot be
// made. includepath is the compiler's registry value, empty when missing.
bool fill_defaults(Project& project, const std::string& current_dir, const std::string& includepath,
                   ProjectUi& ui);

// The compiler root: includepath without its last component. Asks for the
// root when the value is missing and stores what the user typed. Nothing
// (told) when the value has no separator or the user cancels.
std::optional<std::string> find_compiler_root(vyn::platform::Registry& registry, ProjectUi& ui);

// Completes the record before a makefile is generated: compiler root,
// includes, sources directory, error file; warns about sources kept in the
// compiler's bin directory. False when there is no compiler root.
bool complete_project(Project& project, vyn::platform::Registry& registry, ProjectUi& ui);

}  // namespace vyn::project
