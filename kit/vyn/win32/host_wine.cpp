// The Linux host's clang started from vyn running under Wine.
//
// Wine starts an ELF program through CreateProcess and hands it the standard
// handles, but the process handle it returns cannot be waited for. So the
// compiler runs inside /bin/sh, which writes the exit status into a file
// once the compiler has ended (written under another name and renamed, so
// that a half-written status is never read); vyn polls for that file.
#include "kit/vyn/host.h"

#include "common/strings.h"
#include "platform/files.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace vyn::cc {

namespace {

using UnixName = char*(CDECL*)(LPCWSTR);
using DosName = WCHAR*(CDECL*)(const char*);

std::wstring widen(const std::string& s)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(n > 0 ? std::size_t(n) : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, w.data(), n);
    w.resize(w.size() - 1);
    return w;
}

std::string narrow(const WCHAR* w)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    std::string s(n > 0 ? std::size_t(n) : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
    s.resize(s.size() - 1);
    return s;
}

/* A word of the shell script, in single quotes. */
std::string shell_quote(const std::string& word)
{
    std::string out = "'";
    for (char c : word) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

class WineHost : public Host {
public:
    WineHost(UnixName unix_name, DosName dos_name) : unix_name_(unix_name), dos_name_(dos_name) {}

    std::string full_path(const std::string& user_path) override
    {
        char full[MAX_PATH * 2];
        DWORD n = GetFullPathNameA(user_path.c_str(), sizeof full, full, nullptr);
        return n > 0 && n < sizeof full ? std::string(full, n) : user_path;
    }

    std::string to_host(const std::string& user_path) override
    {
        std::string path = full_path(user_path);
        char* unix_path = unix_name_(widen(path).c_str());
        if (!unix_path)
            return user_path;
        std::string result = unix_path;
        HeapFree(GetProcessHeap(), 0, unix_path);
        return result;
    }

    std::string to_user(const std::string& host_path) override
    {
        if (host_path.empty() || host_path[0] != '/')
            return host_path;
        WCHAR* dos = dos_name_(host_path.c_str());
        if (!dos)
            return host_path;
        std::string result = narrow(dos);
        HeapFree(GetProcessHeap(), 0, dos);
        return result;
    }

    ClangRun run_clang(const std::vector<std::string>& args, bool verbose) override
    {
        ClangRun run;
        std::string work = platform::temporary_file_name("", "vynrun");
        if (!CreateDirectoryA(work.c_str(), nullptr)) {
            run.error = format("cannot create %s", work.c_str());
            return run;
        }
        std::string status = work + "\\STATUS", errors = work + "\\ERR";
        char cwd[MAX_PATH * 2];
        DWORD n = GetCurrentDirectoryA(sizeof cwd, cwd);
        std::string script = "cd " + shell_quote(to_host(n ? std::string(cwd, n) : ".")) + " && " +
                             shell_quote(clang_program());
        for (const std::string& a : args)
            script += " " + shell_quote(a);
        std::string unix_work = to_host(work);
        script += " 2>" + shell_quote(unix_work + "/ERR") + "; echo $? >" + shell_quote(unix_work + "/STATUS.tmp") +
                  " && mv " + shell_quote(unix_work + "/STATUS.tmp") + " " + shell_quote(unix_work + "/STATUS");
        if (verbose)
            std::fprintf(stderr, "/bin/sh -c \"%s\"\n", script.c_str());
        std::string command = "/bin/sh -c \"" + script + "\"";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
            run.error = format("cannot start /bin/sh (error %lu)", GetLastError());
            RemoveDirectoryA(work.c_str());
            return run;
        }
        if (pi.hProcess)
            CloseHandle(pi.hProcess);
        if (pi.hThread)
            CloseHandle(pi.hThread);
        while (GetFileAttributesA(status.c_str()) == INVALID_FILE_ATTRIBUTES)
            Sleep(10);
        if (auto text = platform::read_file(status))
            if (auto code = parse_long(std::string(text->begin(), text->end())))
                run.exit_code = static_cast<int>(*code);
        if (!run.exit_code)
            run.error = "the compiler's exit status could not be read";
        if (auto text = platform::read_file(errors))
            run.stderr_text.assign(text->begin(), text->end());
        platform::remove_file(status);
        platform::remove_file(errors);
        RemoveDirectoryA(work.c_str());
        return run;
    }

private:
    UnixName unix_name_;
    DosName dos_name_;
};

}  // namespace

std::unique_ptr<Host> make_wine_host()
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel)
        return nullptr;
    auto unix_name = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
    auto dos_name = reinterpret_cast<DosName>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")));
    if (!unix_name || !dos_name)
        return nullptr;
    return std::make_unique<WineHost>(unix_name, dos_name);
}

}  // namespace vyn::cc
