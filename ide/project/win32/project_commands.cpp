// The Project menu: Create, Open, Close, Erase, files, Export, Import, Open
// all files; and the command table rows of the project and build commands.
#include <windows.h>
#include <commdlg.h>

#include <fstream>
#include <sstream>

#include "common/strings.h"
#include "common/winpath.h"
#include "ide/command_ids.h"
#include "ide/project/project_defaults.h"
#include "ide/project/project_file.h"
#include "ide/project/project_store.h"
#include "ide/project/project_versions.h"
#include "ide/project/win32/build_commands.h"
#include "ide/project/win32/compile_command.h"
#include "ide/project/win32/project_tree_window.h"
#include "ide/project/win32/program_runner.h"
#include "ide/project/win32/project_session.h"
#include "ide/shell/win32/documents.h"
#include "ide/shell/win32/frame.h"
#include "ide/shell/win32/ide.h"
#include "ide/shell/win32/output_window.h"
#include "ide/shell/win32/win32_ui.h"
#include "platform/files.h"

namespace vyn::project::win32 {

using namespace vyn::shell;
using vyn::format;
namespace winpath = vyn::winpath;

namespace {

constexpr std::size_t kAskBeforeOpening = 45;
constexpr std::size_t kWizardOutputLimit = 8192;

// Project files chosen in the common dialog (several at once), kept
// relative to the sources directory when they lie in it.
std::vector<std::string> choose_project_files(const std::string& sources_dir)
{
    std::vector<char> buffer(32768, '\0');
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = ide().frame;
    ofn.lpstrFilter = "Sources (*.c;*.h;*.rc;*.def;*.asm)\0*.c;*.h;*.rc;*.def;*.asm;*.res;*.obj;*.f\0All files\0*.*\0";
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = DWORD(buffer.size());
    ofn.lpstrTitle = "Selected project files";
    ofn.lpstrInitialDir = sources_dir.c_str();
    ofn.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    std::vector<std::string> files;
    if (!GetOpenFileNameA(&ofn))
        return files;
    std::string first = buffer.data();
    const char* next = buffer.data() + first.size() + 1;
    if (!*next) {
        files.push_back(winpath::relative_to(first, sources_dir));
        return files;
    }
    for (; *next; next += strlen(next) + 1)
        files.push_back(winpath::relative_to(winpath::join(first, next), sources_dir));
    return files;
}

// The wizard writes three lines "label: value": the project's name and two
// generated files.
bool run_wizard(Project& p, bool dll)
{
    std::string out = current_directory() + "\\wizard.out";
    std::string command = format("wizard.exe /tavra:%d /prjname:%s /prjpath:%s /out:%s", int(INT_PTR(ide().frame)),
                                 p.name.c_str(), p.project_path.c_str(), out.c_str());
    if (dll)
        command += " /dll";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        tell(format("Impossible to execute '%s'", command.c_str()));
        return false;
    }
    WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    auto bytes = vyn::platform::read_file(out);
    DeleteFileA(out.c_str());
    if (!bytes)
        return false;
    std::string text(bytes->begin(), bytes->begin() + std::min(bytes->size(), kWizardOutputLimit));
    std::vector<std::string> values;
    for (std::string line_text : vyn::split(text, '\n')) {
        std::size_t colon = line_text.find(':');
        if (colon == std::string::npos)
            continue;
        values.emplace_back(vyn::trim(line_text.substr(colon + 1)));
    }
    if (values.size() < 3)
        return false;
    p.name = values[0];
    for (std::size_t i = 1; i < 3; ++i) {
        std::string file = values[i];
        if (vyn::starts_with_nocase(file, p.project_path + "\\"))
            file = file.substr(p.project_path.size() + 1);
        p.files.push_back(file);
    }
    return true;
}

// The user name of the store: the logged-on user's, at most 48 characters.
std::string version_user()
{
    char name[256] = "";
    DWORD size = sizeof name;
    if (!GetUserNameA(name, &size) || !*name)
        return "user";
    return std::string(name).substr(0, 48);
}

// A new project under version control: its files become their initial
// revisions; what the store says goes to the output window.
void put_initial_revisions(const Project& p)
{
    class OutputUi final : public vyn::versions::Ui {
    public:
        void tell(const std::string& m) override { output_message(m); }
        bool ask(const std::string& q) override { return ask_yes_no(q); }
    } ui;
    CheckInResult result = check_in_project_files(p, version_user(), "", ui);
    output_message(format("%d files put into %s", result.revisions, p.cms_directory.c_str()));
    if (!result.failed.empty())
        tell(format("Impossible to put %s into the versioning system", vyn::join(result.failed, ", ").c_str()));
}

void create_project(int, CommandParameter)
{
    auto answer = ask_new_project();
    if (!answer)
        return;
    if (!close_project())
        return;
    Project p;
    p.name = answer->name;
    p.project_path = answer->path.empty() ? current_directory() : answer->path;
    if (!vyn::platform::directory_exists(p.project_path) && !vyn::platform::make_directories(p.project_path)) {
        tell(format("Impossible to create %s", p.project_path.c_str()));
        return;
    }
    SetCurrentDirectoryA(p.project_path.c_str());
    p.sources_dir = p.project_path;
    p.compiler_flags = with_output_type(flag::kDebugInfo, answer->type_bit);
    if (answer->versioning)
        p.project_flags |= kProjectUsesVersions;
    bool wizard_type = answer->type_bit == flag::kWindows || answer->type_bit == flag::kDll;
    if (!(wizard_type && ask_yes_no("Do you want to use the wizard to generate the application skeleton?") &&
          run_wizard(p, answer->type_bit == flag::kDll)))
        p.files = choose_project_files(p.sources_dir);
    std::string includepath =
        ide().registry->read_string(vyn::platform::RegistryRoot::CurrentUser, project::kCompilerKey, "includepath").value_or("");
    if (!fill_defaults(p, current_directory(), includepath, project_ui()))
        return;
    p.cms_directory = current_directory() + "\\CMS";
    if (!edit_project_settings(p))
        return;
    add_to_project_list(ide().settings.projects, p.name);
    current_project() = std::move(p);
    ide().settings.current_project = current_project().name;
    save_current_project();
    update_frame_title();
    Project& cur = current_project();
    if (cur.project_flags & kProjectUsesVersions)
        put_initial_revisions(cur);
    refresh_project_tree();
    if (cur.files.size() <= kAskBeforeOpening ||
        ask_yes_no(format("Open %d files?", int(cur.files.size()))))
        for (const std::string& file : cur.files)
            open_file("\"" + winpath::join(cur.sources_dir, file) + "\"");
    if (generate_project_makefile() && ask_yes_no("View the makefile?"))
        open_file("\"" + cur.make.dir + "\\makefile\"");
}

void open_project_command(int, CommandParameter)
{
    if (auto name = choose_project("Open"))
        open_project(*name);
}

void close_project_command(int, CommandParameter) { close_project(); }

void erase_project_command(int, CommandParameter)
{
    auto name = choose_project("Erase");
    if (!name || !ask_yes_no(format("%s %s", "Erase", name->c_str())))
        return;
    if (current_project().name == *name)
        close_project();
    remove_from_project_list(ide().settings.projects, *name);
    if (!erase_project_key(*ide().registry, *name))
        tell(ide().registry->last_error());
    refresh_project_tree();
}

void project_files_command(int, CommandParameter)
{
    Project& p = current_project();
    if (!p.is_open()) {
        tell("No project defined");
        return;
    }
    std::vector<std::string> files = choose_project_files(p.sources_dir);
    if (files.empty())
        return;
    p.files = files;
    p.dependencies.clear();
    save_current_project();
    refresh_project_tree();
}

void export_project_command(int, CommandParameter)
{
    save_current_project();
    if (auto name = choose_project("Export"))
        export_project(*ide().registry, *name, current_directory(), project_ui());
}

void import_project_command(int, CommandParameter)
{
    auto file = choose_file(false, "Import a project file", "Project files (*.prj)\0*.prj\0");
    if (!file)
        return;
    auto name = import_project(*ide().registry, *file, project_ui());
    if (!name)
        return;
    if (current_project().name == *name)
        current_project() = Project{};
    add_to_project_list(ide().settings.projects, *name);
    open_project(*name);
}

void open_all_files_command(int, CommandParameter)
{
    const Project& p = current_project();
    for (const std::string& file : p.files)
        open_file("\"" + winpath::join(p.sources_dir, file) + "\"");
}

}  // namespace


void add_project_commands()
{
    Dispatcher& d = *ide().dispatcher;
    d.add(CM_CREATE_PROJECT, create_project);
    d.add(CM_OPEN_PROJECT, open_project_command);
    d.add(CM_CLOSE_PROJECT, close_project_command);
    d.add(CM_ERASE_PROJECT, erase_project_command);
    d.add(CM_PROJECT_FILES, project_files_command);
    d.add(CM_EXPORT_PROJECT, export_project_command);
    d.add(CM_IMPORT_PROJECT, import_project_command);
    d.add(CM_OPEN_ALL_FILES, open_all_files_command);
    d.add(CM_OUTLINE, [](int, CommandParameter) { show_project_tree(); });
    d.add(CM_CTRL_F9, compile_command);
    d.add(CM_MAKE, make_command);
    d.add(CM_BUILD_FINISHED, build_finished);
    d.add(CM_SHOW_RESULTS, show_results_command);
    d.add(CM_GENERATE_MAKEFILE, generate_makefile_command);
    d.add(CM_LINK, link_command);
    d.add(CM_REBUILD_ALL, rebuild_all_command);
    d.add(CM_EXECUTE_PROGRAM, execute_program_command);
    d.add(CM_EXECUTE, execute_command);
    set_stop_request_source(take_stop_request);
}

}  // namespace vyn::project::win32
