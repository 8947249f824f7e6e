#include "ide/project/default_project.h"

#include <algorithm>

#include "common/strings.h"
#include "common/winpath.h"
#include "ide/project/project_defaults.h"

namespace vyn::project {

using vyn::format;
namespace winpath = vyn::winpath;

namespace {

constexpr char kImpossible[] = "\nImpossible to generate default project";

// Collects what fill_defaults tells, so that a failure can carry the
// closing line of the default project; information goes through at once.
class FailureSuffixUi final : public ProjectUi {
public:
    explicit FailureSuffixUi(ProjectUi& ui) : ui_(ui) {}
    void inform(const std::string& m) override { ui_.inform(m); }
    void error(const std::string& m) override { ui_.error(m + kImpossible); }
    bool ask(const std::string& q) override { return ui_.ask(q); }
    std::optional<std::string> ask_text(const std::string& p) override { return ui_.ask_text(p); }

private:
    ProjectUi& ui_;
};

bool defines(const std::vector<std::string>& functions, const char* name)
{
    return std::find(functions.begin(), functions.end(), name) != functions.end();
}

}  // namespace

std::optional<Project> make_default_project(const std::string& source, const std::vector<std::string>& functions,
                                            const std::vector<std::string>& known_projects,
                                            const std::string& includepath, ProjectUi& ui)
{
    std::string file = std::string(winpath::base_name(source));
    std::string name = winpath::replace_extension(file, "");
    if (std::find(known_projects.begin(), known_projects.end(), name) != known_projects.end()) {
        ui.error(format("A project with the name '%s' exists already", name.c_str()) + kImpossible);
        return std::nullopt;
    }
    // The functions decide before anything is made on disk, so that a file
    // that cannot make a program leaves no empty make directory behind.
    std::uint32_t type = 0;
    if (functions.empty()) {
        ui.error(format("No functions defined in %s", source.c_str()) + kImpossible);
        return std::nullopt;
    }
    if (defines(functions, "main"))
        type = flag::kConsole;
    else if (defines(functions, "WinMain"))
        type = flag::kWindows;
    else {
        ui.error(format("Neither 'main' nor 'WinMain' defined in %s", source.c_str()) + kImpossible);
        return std::nullopt;
    }
    Project p;
    p.name = name;
    p.project_path = winpath::directory(source);
    p.sources_dir = p.project_path;
    p.cms_directory = p.project_path + "\\CMS";
    p.files = {file};
    p.compiler_flags = with_output_type(flag::kDebugInfo, type);
    FailureSuffixUi told(ui);
    if (!fill_defaults(p, p.project_path, includepath, told))
        return std::nullopt;
    return p;
}

}  // namespace vyn::project
