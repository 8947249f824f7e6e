#include "ide/project/win32/project_session.h"

#include "common/strings.h"
#include "common/winpath.h"
#include "ide/project/project_defaults.h"
#include "ide/project/project_files.h"
#include "ide/project/project_store.h"
#include "ide/project/win32/project_tree_window.h"
#include "ide/shell/win32/documents.h"
#include "ide/shell/win32/edit_window.h"
#include "ide/shell/win32/exit_steps.h"
#include "ide/shell/win32/frame.h"
#include "ide/shell/win32/ide.h"
#include "ide/shell/win32/win32_ui.h"
#include "platform/files.h"

namespace vyn::project::win32 {

using namespace vyn::shell;
using vyn::format;
namespace winpath = vyn::winpath;

namespace {

Project the_project;
BuildShared the_build;

class Win32ProjectUi final : public ProjectUi {
public:
    void inform(const std::string& m) override
    {
        MessageBoxA(ide().frame, m.c_str(), "Information", MB_OK | MB_ICONINFORMATION);
    }
    void error(const std::string& m) override { MessageBoxA(ide().frame, m.c_str(), "tavra", MB_OK | MB_ICONERROR); }
    bool ask(const std::string& q) override { return ask_yes_no(q); }
    std::optional<std::string> ask_text(const std::string& prompt) override { return choose_directory(prompt); }
};
Win32ProjectUi the_ui;

void change_directory(const std::string& dir) { SetCurrentDirectoryA(dir.c_str()); }

}  // namespace

Project& current_project() { return the_project; }
BuildShared& build_shared() { return the_build; }
ProjectUi& project_ui() { return the_ui; }

std::string runner_setting()
{
    return ide().registry->read_string(vyn::platform::RegistryRoot::CurrentUser, kProjectsKey, "Runner").value_or("");
}

bool save_current_project()
{
    if (!the_project.is_open())
        return true;
    std::vector<OpenFileEntry> open = capture_open_files();
    the_project.open_files.clear();
    for (const OpenFileEntry& e : open)
        the_project.open_files.push_back({e.name, {e.line, e.left, e.top, e.right, e.bottom}});
    if (save_project(*ide().registry, the_project))
        return true;
    the_ui.error(ide().registry->last_error());
    return false;
}

void close_project_windows()
{
    std::vector<HWND> windows;
    for (HWND child = GetWindow(ide().mdi_client, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (vyn::editor::View* view = view_of(child))
            if (belongs_to_project(the_project, view->document->name))
                windows.push_back(child);
    for (HWND window : windows)
        SendMessageA(ide().mdi_client, WM_MDIDESTROY, WPARAM(window), 0);
}

bool close_project()
{
    if (!the_project.is_open())
        return true;
    // The project's modified documents are saved or forgotten first; Cancel
    // keeps the project open.
    if (!confirm_modified_documents(
            [](const vyn::editor::Document& d) { return belongs_to_project(the_project, d.name); }))
        return false;
    if (ide().save_configuration)
        save_configuration();
    else
        save_current_project();
    close_project_windows();
    the_project = Project{};
    ide().settings.current_project.clear();
    update_frame_title();
    refresh_project_tree();
    return true;
}

bool open_project(const std::string& name)
{
    if (!close_project())
        return false;
    Project p;
    if (!load_project(*ide().registry, name, p)) {
        the_ui.error(format("Impossible to open project %s", name.c_str()));
        return false;
    }
    add_to_project_list(ide().settings.projects, name);
    std::string current = current_directory();
    if (!p.project_path.empty() && !vyn::equals_nocase(p.project_path, current)) {
        if (vyn::platform::directory_exists(p.project_path))
            change_directory(p.project_path);
        else
            the_ui.error(format("Directory %s doesn't exist", p.project_path.c_str()));
    }
    if (p.project_path.empty())
        p.project_path = current_directory();
    if (p.cms_directory.empty())
        p.cms_directory = current_directory() + "\\CMS";
    if (!p.has_make_settings) {
        std::string includepath = ide().registry->read_string(vyn::platform::RegistryRoot::CurrentUser, project::kCompilerKey,
                                                              "includepath")
                                      .value_or("");
        if (!fill_defaults(p, current_directory(), includepath, the_ui))
            return false;
    }
    the_project = std::move(p);
    ide().settings.current_project = name;
    std::vector<OpenFileEntry> entries;
    for (const OpenFile& f : the_project.open_files) {
        OpenFileEntry e;
        e.name = f.path;
        const auto& n = f.numbers;
        if (n.size() == 5) {
            e.line = n[0];
            e.left = n[1];
            e.top = n[2];
            e.right = n[3];
            e.bottom = n[4];
        }
        entries.push_back(e);
    }
    restore_open_files(entries);
    update_frame_title();
    if (!the_project.sources_dir.empty() && vyn::platform::directory_exists(the_project.sources_dir))
        change_directory(the_project.sources_dir);
    save_current_project();
    refresh_project_tree();
    return true;
}

void open_start_project()
{
    std::string name = ide().settings.current_project;
    ide().settings.current_project.clear();
    if (!name.empty() && ide().registry->key_exists(vyn::platform::RegistryRoot::CurrentUser, project_key(name)))
        open_project(name);
    update_frame_title();
}

}  // namespace vyn::project::win32
