// A project's registry key, HKEY_CURRENT_USER\Software\vyn\Tavra\<name>:
// writing the record value by value in its fixed order, reading it back, and
// the list of known projects kept in the IDE key.
#pragma once

#include <string>
#include <vector>

#include "ide/project/project.h"
#include "platform/registry.h"

namespace vyn::project {

inline constexpr char kProjectsKey[] = "Software\\vyn\\Tavra";
// The longest project name the list takes from the subkeys of the IDE key.
inline constexpr std::size_t kMaxProjectName = 50;

std::string project_key(const std::string& name);

// Writes the record's values in their order, then the file list and the
// version-control values. Stops at the first failed write and returns false;
// the registry's last_error() says why.
bool save_project(vyn::platform::Registry& registry, const Project& project);

// Reads the key of project name into a fresh record (missing values keep
// their defaults). False when the key does not exist.
bool load_project(vyn::platform::Registry& registry, const std::string& name, Project& project);

// The known projects: the subkeys of the IDE key (names up to 50 characters),
// without duplicates.
std::vector<std::string> read_project_list(vyn::platform::Registry& registry);
// Adds name unless it is there already (exact comparison); true when added.
bool add_to_project_list(std::vector<std::string>& list, const std::string& name);
bool remove_from_project_list(std::vector<std::string>& list, const std::string& name);
// Deletes the project's key.
bool erase_project_key(vyn::platform::Registry& registry, const std::string& name);

}  // namespace vyn::project
