#include "ide/project/win32/program_runner.h"

#include <fstream>

#include "common/strings.h"
#include "common/winpath.h"
#include "ide/project/external_tools.h"
#include "ide/project/win32/project_session.h"
#include "ide/shell/win32/documents.h"
#include "ide/shell/win32/ide.h"
#include "ide/shell/win32/output_window.h"
#include "ide/shell/win32/win32_ui.h"
#include "platform/files.h"

namespace tavra::project_win32 {

using namespace tavra::project;
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
std::string unix_name(const std::string& windows_path)
{
    using Convert = char*(CDECL*)(const wchar_t*);
    auto convert = reinterpret_cast<Convert>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!convert)
        return {};
    std::wstring wide(windows_path.begin(), windows_path.end());
    char* name = convert(wide.c_str());
    if (!name)
        return {};
    std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

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

}  // namespace

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

}  // namespace tavra::project_win32
