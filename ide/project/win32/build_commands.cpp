// Make, Show results, Link, Rebuild all and Generate Makefile: the build of
// the open project on a thread of its own, and its results in the output
// window's list.
#include "ide/project/win32/build_commands.h"

#include <atomic>
#include <functional>

#include "common/strings.h"
#include "common/winpath.h"
#include "ide/command_ids.h"
#include "ide/editor/editor_flags.h"
#include "ide/project/diagnostics.h"
#include "ide/project/external_tools.h"
#include "ide/project/makefile_generator.h"
#include "ide/project/project_store.h"
#include "ide/project/win32/project_session.h"
#include "ide/shell/win32/documents.h"
#include "ide/shell/win32/edit_window.h"
#include "ide/shell/win32/exit_steps.h"
#include "ide/shell/win32/ide.h"
#include "ide/shell/win32/output_window.h"
#include "ide/shell/win32/win32_ui.h"
#include "platform/files.h"

namespace vyn::project::win32 {

using namespace vyn::shell;
using vyn::format;
namespace winpath = vyn::winpath;

namespace {

// The last run, written by the runner thread before it posts CM_BUILD_FINISHED.
MakeRun last_run;
// What waits for the end of the current make run (interface thread only).
std::function<void()> after_make;

void set_make_menu_text(const char* text)
{
    ModifyMenuA(ide().menu, CM_MAKE, MF_BYCOMMAND | MF_STRING, CM_MAKE, text);
    DrawMenuBar(ide().frame);
}

DWORD WINAPI make_runner(LPVOID parameter)
{
    auto* job = static_cast<MakeJob*>(parameter);
    last_run = run_make(*job, build_shared());
    delete job;
    PostMessageA(ide().frame, WM_TAVRA_POSTED_COMMAND, CM_BUILD_FINISHED, 0);
    return 0;
}

// The width test of the results list: the text's extent in the list's font.
FitsWidth list_width()
{
    HWND list = output_list();
    RECT client{};
    GetClientRect(list, &client);
    int width = std::max<int>(client.right - GetSystemMetrics(SM_CXVSCROLL), 200);
    return [list, width](std::string_view text) {
        HDC dc = GetDC(list);
        HGDIOBJ old = SelectObject(dc, HFONT(SendMessageA(list, WM_GETFONT, 0, 0)));
        SIZE size{};
        GetTextExtentPoint32A(dc, text.data(), int(text.size()), &size);
        SelectObject(dc, old);
        ReleaseDC(list, dc);
        return size.cx <= width;
    };
}

void on_results_double_click(HWND list)
{
    LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (selected < 0)
        return;
    ClickedDiagnostic clicked = diagnostic_at(output_lines(), std::size_t(selected), current_directory());
    SendMessageA(list, LB_SETCURSEL, WPARAM(clicked.first_line), 0);
    if (!clicked.diagnostic)
        return;
    HWND window = open_file("\"" + clicked.diagnostic->file + "\"");
    if (!window)
        return;
    SendMessageA(ide().mdi_client, WM_MDIACTIVATE, WPARAM(window), 0);
    if (vyn::editor::View* view = view_of(window)) {
        int lines = int(view->document->line_count());
        int line = clicked.diagnostic->line <= lines ? int(clicked.diagnostic->line) : 1;
        ide().editor->go_to_line(*view, line);
        refresh_edit_window(window);
    }
    SetFocus(window);
}

void show_results()
{
    Project& p = current_project();
    SendMessageA(ide().output, WM_OUTPUT_CLEAR_OPEN, 0, 0);
    SendMessageA(ide().output, WM_OUTPUT_SET_HANDLER, WPARAM(&on_results_double_click), 1);
    auto contents = read_diagnostics_file(p.error_file, p.make.dir);
    if (!contents) {
        output_add_line(format("Diagnostics file %s doesn't exist", p.error_file.c_str()));
        return;
    }
    BuildOutcome outcome{p.exe, p.build_ms, p.return_code};
    for (const std::string& line : results_lines(*contents, p.error_file, outcome, list_width()))
        output_add_line(line);
}

class Hooks {
public:
    Hooks() : scanner_(current_directory()), hooks_{project_ui(), scanner_, {}, progress, close_window} {}
    MakefileHooks& get() { return hooks_; }

private:
    static void progress(const std::string& file)
    {
        show_status_text(file);
        MSG message;
        for (int i = 0; i < 15 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    static void close_window(const std::string& makefile)
    {
        std::string name = winpath::upper_az(winpath::full_path(makefile, current_directory()));
        for (HWND child = GetWindow(ide().mdi_client, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (vyn::editor::View* view = view_of(child))
                if (view->document->name == name) {
                    SendMessageA(child, WM_CLOSE, 0, 0);
                    break;
                }
    }
    ProcessDependencyScanner scanner_;
    MakefileHooks hooks_;
};

}  // namespace

bool generate_project_makefile()
{
    Project& p = current_project();
    BuildShared& shared = build_shared();
    shared.state = kBuildGenerating;
    show_status_text(format("Building makefile for %s", p.name.c_str()));
    Hooks hooks;
    bool ok = generate_makefile(p, *ide().registry, current_directory(), hooks.get());
    shared.state = kBuildIdle;
    show_status_text("");
    if (ok)
        save_current_project();
    return ok;
}

namespace {

// What Make does before make starts: the documents saved (or the user asked
// about them) and the makefile there. False when the build stops here.
bool prepare_make()
{
    Project& p = current_project();
    if (ide().settings.editor_flags & vyn::editor::editorflag::save_before_build)
        SendMessageA(ide().frame, WM_COMMAND, CM_SAVE_ALL, 0);
    else if (!confirm_modified_documents())
        return false;
    std::string makefile = p.make.dir + "\\makefile";
    if (!vyn::platform::file_exists(makefile)) {
        if (!ask_yes_no("Makefile doesn't exist. Generate it?") || !generate_project_makefile())
            return false;
    }
    return true;
}

}  // namespace

void make_command(int, CommandParameter)
{
    Project& p = current_project();
    BuildShared& shared = build_shared();
    if (!p.is_open()) {
        tell("No project defined");
        return;
    }
    if (shared.state == kBuildGenerating) {
        tell("Makefile is being generated. Wait till that finishes.");
        return;
    }
    if (shared.state == kBuildMaking) {
        shared.stop_request = 1;
        return;
    }
    if (prepare_make())
        start_make();
}

bool make_then(std::function<void()> ended)
{
    if (!current_project().is_open() || build_shared().state != kBuildIdle) {
        tell("Wait till make finishes");
        return false;
    }
    if (!prepare_make())
        return false;
    after_make = std::move(ended);
    start_make();
    return true;
}

void start_make()
{
    Project& p = current_project();
    BuildShared& shared = build_shared();
    save_current_project();
    p.return_code = -1;
    auto* job = new MakeJob(make_job(p));
    SendMessageA(ide().output, WM_OUTPUT_CLEAR_OPEN, 0, 0);
    shared.state = kBuildMaking;
    ide().make_running = true;
    set_make_menu_text("Stop build");
    HANDLE thread = CreateThread(nullptr, 0, make_runner, job, 0, nullptr);
    if (!thread) {
        delete job;
        shared.state = kBuildIdle;
        ide().make_running = false;
        set_make_menu_text("Make\tF9");
        return;
    }
    CloseHandle(thread);
}

void build_finished(int, CommandParameter)
{
    Project& p = current_project();
    ide().make_running = false;
    set_make_menu_text("Make\tF9");
    std::function<void()> ended = std::move(after_make);
    after_make = nullptr;
    if (!last_run.started) {
        tell(last_run.message);
        return;
    }
    p.return_code = last_run.return_code;
    p.build_ms = last_run.build_ms;
    show_results();
    if (ended)
        ended();
}

void show_results_command(int, CommandParameter)
{
    if (!current_project().is_open()) {
        tell("No project defined");
        return;
    }
    if (build_shared().state != kBuildIdle) {
        tell("Wait till make finishes");
        return;
    }
    show_results();
}

void generate_makefile_command(int, CommandParameter)
{
    if (!current_project().is_open()) {
        tell("No project defined");
        return;
    }
    if (build_shared().state != kBuildIdle || !generate_project_makefile())
        return;
    if (ask_yes_no("View the makefile?"))
        open_file("\"" + current_project().make.dir + "\\makefile\"");
}

void link_command(int, CommandParameter)
{
    Project& p = current_project();
    if (!p.is_open() || !p.has_make_settings) {
        tell("Make parameters not defined");
        return;
    }
    if (p.exe.empty()) {
        tell("Executable name not defined\nChange this in the linker options.");
        return;
    }
    std::string exe = executable_path(p);
    if (!DeleteFileA(exe.c_str()) && GetLastError() == ERROR_ACCESS_DENIED) {
        tell(format("Impossible to erase %s", exe.c_str()));
        return;
    }
    PostMessageA(ide().frame, WM_COMMAND, CM_MAKE, 0);
}

void rebuild_all_command(int, CommandParameter)
{
    Project& p = current_project();
    if (!p.is_open() || !p.has_make_settings) {
        tell("Make parameters not defined");
        return;
    }
    std::vector<std::string> objects = rebuild_object_list(p.files);
    if (objects.empty()) {
        tell("No object files defined in this project");
        return;
    }
    int deleted = 0;
    bool told = false;
    for (const std::string& object : objects) {
        std::string name = winpath::last_separator(object) == std::string::npos
                               ? vyn::to_lower_ascii(p.make.dir + "\\" + object)
                               : object;
        if (name.find(".obj") == std::string::npos)
            continue;
        if (DeleteFileA(name.c_str()))
            ++deleted;
        else if (GetLastError() == ERROR_ACCESS_DENIED && !told) {
            tell(format("Impossible to delete %s", name.c_str()));
            told = true;
        }
    }
    if (deleted)
        output_message(format("%d object files deleted", deleted));
    PostMessageA(ide().frame, WM_COMMAND, CM_MAKE, 0);
}

int take_stop_request() { return build_shared().stop_request.exchange(0); }

}  // namespace vyn::project::win32
