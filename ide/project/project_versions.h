// A new project under version control: every project file is put into the
// store as its initial revision, the working files kept.
#pragma once

#include <string>
#include <vector>

#include "ide/project/project.h"
#include "ide/versions/ui.h"

namespace vyn::project {

struct CheckInResult {
    int revisions = 0;                // files now in the store
    std::vector<std::string> failed;  // project files the store refused
};

// Puts each project file (quietly, keeping the working file) into the
// project's CMS directory, which is created when missing. user is the
// version-control user name; date the store's "now" (empty: the clock).
// What the store says goes to ui.
CheckInResult check_in_project_files(const Project& project, const std::string& user, const std::string& date,
                                     vyn::versions::Ui& ui);

}  // namespace vyn::project
