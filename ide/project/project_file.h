// The project export file (".prj"): a header line, the key path, then one
// "name<TAB>data" line per value of the project's key.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ide/project/project_ui.h"
#include "platform/registry.h"

namespace vyn::project {

inline constexpr char kProjectFileHeader[] = "Tavra project file. Do NOT edit";

// The text of the export of project name; nothing when its key cannot be read.
std::optional<std::string> project_file_text(vyn::platform::Registry& registry, const std::string& name);

// Exports project name into "%s\%s.prj" of directory (name in lower case).
// Asks before overwriting; tells the outcome. The file's path on success.
std::optional<std::string> export_project(vyn::platform::Registry& registry, const std::string& name,
                                          const std::string& directory, ProjectUi& ui);

// The project key named by an export file's second line, when it is one:
// "SOFTWARE\vyn\Tavra\<name>" in any case, the name one component that is
// neither "." nor "..". Nothing for any other path.
std::optional<std::string> imported_project_name(std::string_view key_path);

// Imports the export text: checks the header and the key path, asks before
// replacing an existing project, then writes every value. Writes nothing
// unless it is all accepted. The project's name on success.
std::optional<std::string> import_project_text(vyn::platform::Registry& registry, std::string_view text,
                                               ProjectUi& ui);
// The same from a file.
std::optional<std::string> import_project(vyn::platform::Registry& registry, const std::string& path,
                                          ProjectUi& ui);

}  // namespace vyn::project
