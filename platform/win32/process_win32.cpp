#include <windows.h>

#include "common/strings.h"
#include "platform/process.h"

namespace vyn::platform {

namespace {

// An inheritable handle of a file opened for writing, or INVALID_HANDLE_VALUE.
HANDLE open_for_child(const std::string& path)
{
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

std::optional<Process> Process::start(const std::string& command_line, const ProcessOptions& options,
                                      std::string& error)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    DWORD flags = 0;
    if (options.hidden) {
        startup.dwFlags |= STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        flags |= CREATE_NO_WINDOW;
    }
    HANDLE out = INVALID_HANDLE_VALUE, err = INVALID_HANDLE_VALUE;
    bool redirect = !options.stdout_file.empty() || !options.stderr_file.empty();
    if (redirect) {
        if (!options.stdout_file.empty())
            out = open_for_child(options.stdout_file);
        if (!options.stderr_file.empty())
            err = open_for_child(options.stderr_file);
        startup.dwFlags |= STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = out != INVALID_HANDLE_VALUE ? out : GetStdHandle(STD_OUTPUT_HANDLE);
        startup.hStdError = err != INVALID_HANDLE_VALUE ? err : GetStdHandle(STD_ERROR_HANDLE);
    }
    PROCESS_INFORMATION info{};
    std::string mutable_line = command_line;
    BOOL ok = CreateProcessA(nullptr, mutable_line.data(), nullptr, nullptr, redirect ? TRUE : FALSE, flags,
                             nullptr, options.directory.empty() ? nullptr : options.directory.c_str(),
                             &startup, &info);
    DWORD failure = GetLastError();
    if (out != INVALID_HANDLE_VALUE)
        CloseHandle(out);
    if (err != INVALID_HANDLE_VALUE)
        CloseHandle(err);
    if (!ok) {
        error = format("cannot start %s (error %lu)", command_line.c_str(), failure);
        return std::nullopt;
    }
    CloseHandle(info.hThread);
    Process process;
    process.handle_ = info.hProcess;
    process.id_ = info.dwProcessId;
    return process;
}

std::optional<std::uint32_t> Process::wait(int timeout_ms)
{
    if (exit_code_ || !handle_)
        return exit_code_;
    DWORD result = WaitForSingleObject(handle_, timeout_ms < 0 ? INFINITE : DWORD(timeout_ms));
    if (result != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    if (!GetExitCodeProcess(handle_, &code))
        return std::nullopt;
    exit_code_ = code;
    return exit_code_;
}

bool Process::running()
{
    return handle_ && !wait(0);
}

void Process::kill()
{
    if (running())
        TerminateProcess(handle_, 1);
    wait();
}

void Process::close()
{
    if (handle_)
        CloseHandle(handle_);
    handle_ = nullptr;
}

}  // namespace vyn::platform
