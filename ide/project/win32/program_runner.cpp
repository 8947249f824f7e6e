#include "ide/project/win32/program_runner.h"

#include <fstream>

#include "common/strings.h"
#include "ide/command_ids.h"
#include "common/winpath.h"
#include "ide/project/external_tools.h"
#include "ide/project/win32/project_session.h"
#include "ide/shell/win32/documents.h"
#include "ide/shell/win32/ide.h"
#include "ide/shell/win32/output_window.h"
#include "ide/shell/win32/win32_ui.h"
#include "platform/files.h"

namespace vyn::project::win32 {

using namespace vyn::shell;
using vyn::format;

namespace {

constexpr UINT kPollMilliseconds = 200;

// A captured run in progress: its output file and the status file the
// shell writes when the program has ended.
struct CapturedRun {
    std::string output;
    std::string status;
    UINT_PTR timer = 0;
};
CapturedRun captured;

// The host's name of a Windows path under Wine; empty on Windows.
std::string unix_name(const std::string& windows_path) { return vyn::platform::wine_host_name(windows_path); }

std::string quoted_for_shell(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

bool start_process(const std::string& command_line, const std::string& directory, bool wait, DWORD* exit_code)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::vector<char> line(command_line.begin(), command_line.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NEW_PROCESS_GROUP, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
        tell(format("Impossible to execute '%s'", command_line.c_str()));
        return false;
    }
    if (wait) {
        WaitForSingleObject(info.hProcess, INFINITE);
        GetExitCodeProcess(info.hProcess, exit_code);
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

void CALLBACK poll_captured_run(HWND, UINT, UINT_PTR, DWORD)
{
    if (!vyn::platform::file_exists(captured.status))
        return;
    KillTimer(nullptr, captured.timer);
    captured.timer = 0;
    auto status = vyn::platform::read_file(captured.status);
    DeleteFileA(captured.status.c_str());
    std::string code = status ? std::string(status->begin(), status->end()) : "";
    output_message(format("Return code: %s", std::string(vyn::trim(code)).c_str()));
    open_file("\"" + captured.output + "\"");
}

// The runner (a host program) runs the executable; the output goes into a
// file and a status file appears when it has ended.
void run_with_runner(const std::string& runner, const std::string& exe, const std::string& args,
                     const std::string& directory)
{
    if (captured.timer) {
        tell("Last run is still active. Please close it first");
        return;
    }
    std::string dir = directory.empty() ? current_directory() : directory;
    captured.output = vyn::winpath::join(dir, "vynrun.out");
    captured.status = vyn::winpath::join(dir, "vynrun.status");
    DeleteFileA(captured.status.c_str());
    std::string unix_exe = unix_name(exe), unix_out = unix_name(captured.output), unix_status = unix_name(captured.status);
    if (unix_exe.empty()) {
        tell(format("Impossible to execute '%s'", with_runner(runner, exe).c_str()));
        return;
    }
    std::string script = format("%s %s %s </dev/null >%s 2>&1; echo $? >%s.tmp && mv %s.tmp %s", runner.c_str(),
                                quoted_for_shell(unix_exe).c_str(), args.c_str(), quoted_for_shell(unix_out).c_str(),
                                quoted_for_shell(unix_status).c_str(), quoted_for_shell(unix_status).c_str(),
                                quoted_for_shell(unix_status).c_str());
    if (!start_process("/bin/sh -c \"" + script + "\"", dir, false, nullptr))
        return;
    captured.timer = SetTimer(nullptr, 0, kPollMilliseconds, poll_captured_run);
    output_message(format("Running %s", exe.c_str()));
}

// Waits for a process while the IDE's windows go on answering.
DWORD wait_responsive(HANDLE process)
{
    while (MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    return code;
}

// The Execute dialog's record, kept for the session.
ProgramRecord execute_record;

std::string dialog_text(HWND dialog, int id)
{
    char buffer[513] = "";
    GetDlgItemTextA(dialog, id, buffer, sizeof buffer);
    return buffer;
}

INT_PTR CALLBACK execute_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        SetDlgItemTextA(dialog, IDC_EXEC_PROGRAM, execute_record.program.c_str());
        SetDlgItemTextA(dialog, IDC_EXEC_ARGS, execute_record.args.c_str());
        SetDlgItemTextA(dialog, IDC_EXEC_DIR, execute_record.directory.c_str());
        CheckDlgButton(dialog, IDC_EXEC_SAVE, (execute_record.flags & 1) ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_EXEC_RETURN_CODE, (execute_record.flags & 2) ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    switch (LOWORD(wparam)) {
    case IDC_EXEC_BROWSE:
        if (auto name = choose_file(false, "Execute a program", "Programs (*.exe)\0*.exe\0"))
            SetDlgItemTextA(dialog, IDC_EXEC_PROGRAM, name->c_str());
        return TRUE;
    case IDOK:
        execute_record.program = dialog_text(dialog, IDC_EXEC_PROGRAM);
        execute_record.args = dialog_text(dialog, IDC_EXEC_ARGS);
        execute_record.directory = dialog_text(dialog, IDC_EXEC_DIR);
        execute_record.flags = (IsDlgButtonChecked(dialog, IDC_EXEC_SAVE) == BST_CHECKED ? 1u : 0u) |
                               (IsDlgButtonChecked(dialog, IDC_EXEC_RETURN_CODE) == BST_CHECKED ? 2u : 0u);
        EndDialog(dialog, IDOK);
        return TRUE;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
    }
    return FALSE;
}

bool needs_runner(const std::string& program)
{
    auto image = vyn::platform::read_file(program);
    return image && is_i386_image(*image);
}

}  // namespace

// Runs the record's program; with the save flag through a command file that
// sends its output into a temporary file, waited for (the IDE stays
// responsive) so that the file opened afterwards is whole.
void run_program_record(const ProgramRecord& r)
{
    std::string runner = runner_setting();
    if (!runner.empty() && needs_runner(r.program)) {
        run_with_runner(runner, r.program, r.args, r.directory);
        return;
    }
    std::string previous = current_directory();
    if (!r.directory.empty())
        SetCurrentDirectoryA(r.directory.c_str());
    std::string command = format("%s %s", r.program.c_str(), r.args.c_str());
    std::string output;
    if (r.flags & 1) {
        char temp_dir[MAX_PATH] = "", temp_name[MAX_PATH] = "";
        GetTempPathA(MAX_PATH, temp_dir);
        if (GetTempFileNameA(temp_dir, "t", 0, temp_name)) {
            output = temp_name;
            std::string batch = std::string(temp_dir) + "vynexec.bat";
            std::ofstream file(batch, std::ios::binary);
            file << capture_command_file(r.program, r.args, output);
            if (file.good())
                command = format("cmd.exe /c \"%s\"", batch.c_str());
            else
                output.clear();  // the program runs without capture
        }
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NEW_PROCESS_GROUP, nullptr,
                                  nullptr, &startup, &info);
    SetCurrentDirectoryA(previous.c_str());
    if (!started) {
        DWORD code = GetLastError();
        if (r.flags & 2)
            MessageBoxA(ide().frame, format("Return code: %lu", code).c_str(), "Information", MB_OK);
        else
            tell(format("Impossible to execute '%s'", command.c_str()));
        return;
    }
    CloseHandle(info.hThread);
    DWORD code = 0;
    if (!output.empty() || (r.flags & 2))
        code = wait_responsive(info.hProcess);
    CloseHandle(info.hProcess);
    if (r.flags & 2)
        MessageBoxA(ide().frame, format("Return code: %lu", code).c_str(), "Information", MB_OK);
    if (!output.empty())
        open_file("\"" + output + "\"");
}

bool start_program(const std::string& command_line)
{
    return start_process(command_line, "", false, nullptr);
}

void execute_command(int, CommandParameter)
{
    if (DialogBoxParamA(ide().instance, MAKEINTRESOURCEA(IDD_EXECUTE), ide().frame, execute_procedure, 0) == IDOK)
        run_program_record(execute_record);
}

void execute_program_command(int, CommandParameter)
{
    const Project& p = current_project();
    if (!p.is_open()) {
        tell("No project defined");
        return;
    }
    std::string exe = executable_path(p);
    std::string directory = p.debugger_dir;
    std::string runner = runner_setting();
    if (!runner.empty()) {
        run_with_runner(runner, exe, p.debugger_arguments, directory);
        return;
    }
    std::string command = format("%s %s", exe.c_str(), p.debugger_arguments.c_str());
    std::string previous = current_directory();
    if (!directory.empty())
        SetCurrentDirectoryA(directory.c_str());
    if (project_type(p.compiler_flags) == ProjectType::Console) {
        std::ofstream batch(kRunBatchName, std::ios::binary);
        if (!batch) {
            tell("Last run is still active. Please close it first");
            SetCurrentDirectoryA(previous.c_str());
            return;
        }
        batch << console_batch_file(command);
        batch.close();
        command = format("cmd.exe /c %s", kRunBatchName);
    }
    start_process(command, "", false, nullptr);
    SetCurrentDirectoryA(previous.c_str());
}

void execute_with_zezezud_command(int, CommandParameter)
{
    const Project& p = current_project();
    if (!p.is_open()) {
        tell("No project defined");
        return;
    }
    start_program(format("zezezud.exe %s", executable_path(p).c_str()));
}

}  // namespace vyn::project::win32
