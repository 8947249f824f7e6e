// Releases: named sets of file revisions kept in the project's registry
// key, and the project values that rule the store.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ide/versions/store.h"
#include "ide/versions/ui.h"
#include "platform/registry.h"

namespace vyn::versions {

struct Release {
    std::string name;
    std::string author;
    std::string description;
    std::string date;
    std::vector<std::pair<std::string, std::string>> files;  // project file name, revision
};

// "Software\vyn\Tavra\<project>".
std::string project_key(std::string_view project);

// The releases of a project, in their stored order. Values that are missing
// read as empty; a count that is not a number reads as 0.
std::vector<Release> read_releases(platform::Registry& registry, std::string_view key);

// Checks a new release's name against the project's list: "Release name
// required" for an empty name, "Release %s already exists" for a taken one.
bool check_release_name(platform::Registry& registry, std::string_view key, const std::string& name,
                        std::string& error);

// Appends release to the project's list ("Release name required" for an
// empty name; a name already in the list is refused).
bool add_release(platform::Registry& registry, std::string_view key, const Release& release, std::string& error);

// Builds a release of the given project files at their current revisions
// (the default revision of each revision file). An empty description asks
// "Release description empty. Use default?".
bool make_release(const StoreContext& context, const std::string& name, const std::string& description,
                  const std::vector<std::string>& files, Ui& ui, Release& release);

// Gets every file of release into the context's working directory at its
// revision; after a failure asks "Error getting %s. Continue?".
bool get_release(const StoreContext& context, const Release& release, bool overwrite, Ui& ui);

// The project values of the store: "CmsDirectory", "FileOptions",
// "LockOptions", "UsersOptions", "ManagerID", "UserName", with their
// defaults when missing.
struct ProjectSettings {
    std::string cms_directory;
    StoreOptions options;
    std::string manager;
    std::string user;
    unsigned get_options = 0;
    unsigned put_options = 4;
};
ProjectSettings read_project_settings(platform::Registry& registry, std::string_view key);

}  // namespace vyn::versions
