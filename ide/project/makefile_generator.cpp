// Generating the project's makefile on disk, and the compiler's dependency
// run that lists a source's headers.
#include "ide/project/makefile_generator.h"

#include <cstdio>
#include <filesystem>

#include "common/strings.h"
#include "common/winpath.h"
#include "ide/project/project_defaults.h"
#include "platform/files.h"
#include "platform/process.h"

namespace vyn::project {

using vyn::format;
namespace winpath = vyn::winpath;
namespace platform = vyn::platform;

namespace {

constexpr std::size_t kDependencyLineLimit = 400;

std::vector<std::string> list_lines(const std::vector<std::uint8_t>& bytes)
{
    std::vector<std::string> lines;
    std::string line;
    auto finish = [&] {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() > kDependencyLineLimit - 1)
            line.resize(kDependencyLineLimit - 1);
        lines.push_back(line);
        line.clear();
    };
    for (std::uint8_t b : bytes) {
        if (b == '\n')
            finish();
        else
            line += char(b);
    }
    if (!line.empty())
        finish();
    return lines;
}

bool make_directory_ready(Project& p, const std::string& current_dir, vyn::platform::Registry& registry, ProjectUi& ui)
{
    if (!p.has_make_settings) {
        std::string includepath =
            registry.read_string(platform::RegistryRoot::CurrentUser, kCompilerKey, "includepath").value_or("");
        return fill_defaults(p, current_dir, includepath, ui);
    }
    if (p.make.dir.empty()) {
        auto dir = create_make_directory(p.sources_dir, ui);
        if (!dir)
            return false;
        p.make.dir = *dir;
    }
    if (platform::directory_exists(winpath::to_host(p.make.dir)))
        return true;
    if (!ui.ask(format("Directory %s does not exist. Create it?", p.make.dir.c_str())))
        return false;
    if (platform::make_directories(winpath::to_host(p.make.dir)))
        return true;
    ui.error(format("Impossible to create %s", p.make.dir.c_str()));
    return false;
}

// A makefile that did not come from here is kept as "Makefile.old".
void keep_users_makefile(const std::string& make_dir, ProjectUi& ui)
{
    std::string makefile = winpath::to_host(make_dir + "\\Makefile");
    auto bytes = platform::read_file(makefile);
    if (!bytes)
        return;
    std::string head(bytes->begin(), bytes->begin() + std::min<std::size_t>(bytes->size(), 16));
    if (head == kMakefileMark)
        return;
    std::string old = winpath::to_host(make_dir + "\\Makefile.old");
    platform::remove_file(old);
    std::error_code ec;
    std::filesystem::rename(makefile, old, ec);
    if (ec)
        ui.error(format("Impossible to rename %s\\Makefile to Makefile.old", make_dir.c_str()));
    else
        ui.inform(format("The makefile %s\\Makefile was moved to Makefile.old", make_dir.c_str()));
}

bool write_text(const std::string& path, const std::string& text)
{
    return platform::write_file_atomically(winpath::to_host(path), std::vector<std::uint8_t>(text.begin(), text.end()));
}

}  // namespace

DependencyScanner::Result ProcessDependencyScanner::scan(const std::string& command_line)
{
    Result result;
    std::string list = winpath::to_host(winpath::join(directory_, kDependencyListName));
    platform::ProcessOptions options;
    options.directory = directory_;
    options.hidden = true;
    std::string error;
    auto process = platform::Process::start(command_line, options, error);
    if (!process) {
        result.error_code = -1;
        return result;
    }
    auto code = process->wait();
    if (!code || *code != 0) {
        result.error_code = code ? long(*code) : -1;
        platform::remove_file(list);
        return result;
    }
    auto bytes = platform::read_file(list);
    platform::remove_file(list);
    result.ok = true;
    if (bytes)
        result.lines = list_lines(*bytes);
    return result;
}

bool generate_makefile(Project& project, vyn::platform::Registry& registry, const std::string& current_dir,
                       MakefileHooks& hooks)
{
    if (!project.is_open()) {
        hooks.ui.error("No project defined");
        return false;
    }
    if (!complete_project(project, registry, hooks.ui) ||
        !make_directory_ready(project, current_dir, registry, hooks.ui))
        return false;
    std::string makefile = project.make.dir + "\\Makefile";
    if (hooks.close_makefile_window)
        hooks.close_makefile_window(makefile);
    keep_users_makefile(project.make.dir, hooks.ui);
    std::string partial;
    auto text = makefile_text(project, hooks, &partial);
    if (!write_text(makefile, text ? *text : partial)) {
        hooks.ui.error(format("Impossible to open\n%s\nfor writing", makefile.c_str()));
        return false;
    }
    return text.has_value();
}

}  // namespace vyn::project
