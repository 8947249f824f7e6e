// The project's resource file, as the resource editor is started with it:
// the compiled ".res" of the project's first resource file.
#pragma once

#include <optional>
#include <string>

#include "ide/project/project.h"

namespace vyn::project {

// The first ".res" of the project's files (in the sources directory when
// named without a backslash), or the ".res" that the first ".rc" compiles
// into (its base name, in the make directory, else the sources directory);
// nothing when the project has no resource file.
std::optional<std::string> project_resource_file(const Project& project);

// The script and the ".res" it compiles into, when the project's resource
// file is the compiled form of its first ".rc" (the script in the sources
// directory when named without a backslash).
struct CompiledScript {
    std::string script;
    std::string compiled;
};
std::optional<CompiledScript> compiled_resource_script(const Project& project);

// Whether the compiled file is missing or older than its script: the editor
// would then open what the next build overwrites, or never compiles the
// script's resources into the program (make takes the newer ".res" as done).
bool compiled_resources_out_of_date(const CompiledScript& files);

// The command line of command 1265: the editor beside the compiler root's
// bin directory and the resource file, quoted when it holds blanks.
std::string resource_editor_command(const std::string& compiler_root, const std::string& resource_file);

}  // namespace vyn::project
