#include "ide/project/project_defaults.h"

#include "common/strings.h"
#include "common/winpath.h"
#include "platform/files.h"

namespace vyn::project {

using vyn::format;
namespace winpath = vyn::winpath;
namespace platform = vyn::platform;

namespace {
// vyn, vyn1, vyn12 ... vyn12345678.
constexpr int kMakeDirectoryNames = 9;
}  // namespace

std::optional<std::string> create_make_directory(const std::string& sources_dir, ProjectUi& ui)
{
    std::string name = sources_dir + "\\vyn";
    for (int i = 0; i < kMakeDirectoryNames; ++i) {
        if (i > 0)
            name += char('0' + i);
        if (platform::directory_exists(winpath::to_host(name)) || platform::file_exists(winpath::to_host(name)))
            continue;
        if (!platform::make_directories(winpath::to_host(name)))
            break;
        if (i > 0)
            ui.inform(format("Project directory is:\n%s", name.c_str()));
        return name;
    }
    ui.error(format("Impossible to create a project subdir in\n%s", sources_dir.c_str()));
    return std::nullopt;
}

std::string default_error_file(const Project& p)
{
    return format("%s\\%s.err", p.make.dir.empty() ? "." : p.make.dir.c_str(), p.name.c_str());
}

bool fill_defaults(Project& p, const std::string& current_dir, const std::string& includepath, ProjectUi& ui)
{
    if (p.sources_dir.empty())
        p.sources_dir = current_dir;
    auto make_dir = create_make_directory(p.sources_dir, ui);
    if (!make_dir)
        return false;
    p.has_make_settings = true;
    p.make = MakeSettings{};
    p.make.dir = *make_dir;
    p.compiler_flags |= flag::kDebugInfo;
    ProjectType type = project_type(p.compiler_flags);
    if (type == ProjectType::Dll && p.entry_point.empty())
        p.entry_point = "LibMain";
    p.debugger_dir = p.make.dir;
    p.error_file = default_error_file(p);
    if (p.includes.empty())
        p.includes = includepath;
    p.exe = p.name + type_extension(type);
    if (p.exe.find(".exe") != std::string::npos)
        p.debuggee = p.exe;
    return true;
}

std::optional<std::string> find_compiler_root(platform::Registry& registry, ProjectUi& ui)
{
    auto includepath = registry.read_string(platform::RegistryRoot::CurrentUser, kCompilerKey, "includepath");
    if (!includepath) {
        auto root = ui.ask_text("Enter path for the compiler root directory");
        if (!root || root->empty())
            return std::nullopt;
        std::string value = winpath::join(*root, "include");
        registry.write_string(platform::RegistryRoot::CurrentUser, kCompilerKey, "includepath", value);
        includepath = value;
    }
    std::size_t sep = winpath::last_separator(*includepath);
    if (sep == std::string::npos) {
        ui.error("Incorrect path for compiler in registry");
        return std::nullopt;
    }
    return includepath->substr(0, sep);
}

bool complete_project(Project& p, platform::Registry& registry, ProjectUi& ui)
{
    auto root = find_compiler_root(registry, ui);
    if (!root)
        return false;
    p.compiler_root = *root;
    if (p.includes.empty())
        p.includes = format("%s\\include", root->c_str());
    if (p.sources_dir.empty())
        p.sources_dir = p.project_path;
    if (p.error_file.empty())
        p.error_file = default_error_file(p);
    if (vyn::equals_nocase(p.sources_dir, format("%s\\bin", root->c_str())))
        ui.inform(format("Warning:\nPlease do not use %s to put your sources", p.sources_dir.c_str()));
    return true;
}

}  // namespace vyn::project
