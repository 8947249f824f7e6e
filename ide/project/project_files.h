// The project's files by full name: which document is a project file, which
// edit windows belong to the project (closed with it), and the object file
// that compiling one source makes.
#pragma once

#include <optional>
#include <string>

#include "ide/project/project.h"

namespace vyn::project {

// A project file's full path: a name without a directory lies in the
// sources directory (the project directory when that is empty).
std::string project_file_path(const Project& project, const std::string& file);

// True when document_name (a document's name: full path, a to z
// upper-cased) is one of the project's files.
bool is_project_file(const Project& project, const std::string& document_name);

// True when the edit window of document_name belongs to the project: a
// project file, a file the project's sources depend on, or a file in the
// make directory (the makefile, the diagnostics file, a program's output).
bool belongs_to_project(const Project& project, const std::string& document_name);

// The object file of one source in the make directory: "%s\%s" of the make
// directory and the source's base name with ".obj" for its extension (in
// lower case, as the makefile names it). Nothing, with "Error in object file
// name %s" in error, for a name without a dot.
std::optional<std::string> compiled_object_file(const Project& project, const std::string& source,
                                                std::string& error);

}  // namespace vyn::project
