#include "ide/project/win32/compile_command.h"

#include <windows.h>

#include "common/strings.h"
#include "common/winpath.h"
#include "ide/command_ids.h"
#include "ide/editor/editor_flags.h"
#include "ide/editor/function_finder.h"
#include "ide/project/default_project.h"
#include "ide/project/project_defaults.h"
#include "ide/project/project_files.h"
#include "ide/project/project_store.h"
#include "ide/project/win32/build_commands.h"
#include "ide/project/win32/project_session.h"
#include "ide/project/win32/project_tree_window.h"
#include "ide/shell/win32/documents.h"
#include "ide/shell/win32/edit_window.h"
#include "ide/shell/win32/frame.h"
#include "ide/shell/win32/ide.h"
#include "ide/shell/win32/win32_ui.h"

namespace vyn::project::win32 {

using namespace vyn::shell;
using vyn::format;
namespace winpath = vyn::winpath;

namespace {

// What Compile needs of the document, taken before any window may close.
struct Source {
    std::string path;  // full path
    std::string name;  // the document's name
    std::vector<std::string> functions;
};

INT_PTR CALLBACK compile_file_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_INITDIALOG) {
        SetDlgItemTextA(dialog, IDC_COMPILE_NAME, reinterpret_cast<const char*>(lparam));
        return TRUE;
    }
    if (message == WM_COMMAND) {
        int id = LOWORD(wparam);
        if (id == IDC_COMPILE_ADD || id == IDC_COMPILE_NEW_PROJECT || id == IDCANCEL) {
            EndDialog(dialog, id);
            return TRUE;
        }
    }
    return FALSE;
}

// Makes the default project of source current, saved and with its makefile.
bool open_default_project(const Source& source)
{
    std::string includepath =
        ide().registry->read_string(vyn::platform::RegistryRoot::CurrentUser, project::kCompilerKey, "includepath").value_or("");
    auto p = make_default_project(source.path, source.functions, ide().settings.projects, includepath, project_ui());
    if (!p)
        return false;
    SetCurrentDirectoryA(p->project_path.c_str());
    add_to_project_list(ide().settings.projects, p->name);
    current_project() = std::move(*p);
    ide().settings.current_project = current_project().name;
    save_current_project();
    update_frame_title();
    refresh_project_tree();
    if (!generate_project_makefile()) {
        tell("Error generating the make file");
        return false;
    }
    return true;
}

// The project to compile source in: the open one (the file added when the
// user wants), or a default project. False when the compile stops.
bool choose_project_for(const Source& source)
{
    Project& p = current_project();
    if (!p.is_open())
        return open_default_project(source);
    if (is_project_file(p, source.name))
        return true;
    std::string base(winpath::base_name(source.path));
    INT_PTR choice = DialogBoxParamA(ide().instance, MAKEINTRESOURCEA(IDD_COMPILE_FILE), ide().frame,
                                     compile_file_procedure, LPARAM(base.c_str()));
    if (choice == IDC_COMPILE_ADD) {
        p.files.push_back(winpath::relative_to(source.path, p.sources_dir.empty() ? p.project_path : p.sources_dir));
        save_current_project();
        refresh_project_tree();
        return generate_project_makefile();
    }
    if (choice != IDC_COMPILE_NEW_PROJECT || !close_project())
        return false;
    open_file("\"" + source.path + "\"");
    return open_default_project(source);
}

// The path with every name in it spelled as on disk: documents hold their
// names upper-cased, and the default project, its directories and its file
// are named after the source.
std::string spelled_as_on_disk(const std::string& path)
{
    if (!winpath::has_drive(path))
        return path;  // a network name keeps its spelling
    std::string spelled = path.substr(0, 2);
    for (std::string name : vyn::split(path.substr(2), '\\')) {
        if (name.empty())
            continue;
        WIN32_FIND_DATAA found{};
        HANDLE search = FindFirstFileA((spelled + "\\" + name).c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            FindClose(search);
            if (name != "." && name != "..")
                name = found.cFileName;
        }
        spelled += "\\" + name;
    }
    return spelled;
}

}  // namespace

void compile_command(int, CommandParameter)
{
    vyn::editor::View* view = current_view();
    if (!view || is_untitled(*view->document))
        return;
    if (build_shared().state == kBuildGenerating) {
        tell("Makefile is being generated. Wait till that finishes.");
        return;
    }
    if (build_shared().state == kBuildMaking) {
        tell("Wait till make finishes");
        return;
    }
    const vyn::editor::Document& document = *view->document;
    Source source;
    source.path = spelled_as_on_disk(winpath::full_path(document.path, current_directory()));
    source.name = document.name;
    for (const vyn::editor::FunctionRecord& f : vyn::editor::find_functions(document.lines))
        source.functions.push_back(f.name);
    if (ide().settings.editor_flags & vyn::editor::editorflag::save_before_build)
        SendMessageA(ide().frame, WM_COMMAND, CM_SAVE_ALL, 0);
    if (!choose_project_for(source))
        return;
    std::string error;
    auto object = compiled_object_file(current_project(), source.path, error);
    if (!object) {
        tell(error);
        return;
    }
    DeleteFileA(object->c_str());
    start_make();
}

}  // namespace vyn::project::win32
