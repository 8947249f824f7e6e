// The resource compiler of the Linux host, reached from vrc running under Wine.
#include <windows.h>

#include <chrono>
#include <thread>

#include "common/winpath.h"
#include "kit/vrc/tool_host.h"
#include "platform/files.h"
#include "platform/process.h"

namespace vyn::vrc {

namespace {

using UnixName = char*(CDECL*)(const WCHAR*);

// A tool that never answers must not hang a build for ever.
constexpr auto kLongestRun = std::chrono::minutes(10);

std::string shell_quote(const std::string& word)
{
    std::string q = "'";
    for (char c : word)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::wstring widen(const std::string& s)
{
    int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1)
        MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), n);
    return w;
}

std::string full_windows_path(const std::string& path)
{
    char buffer[MAX_PATH * 4];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : path;
}

class WineHost : public ToolHost {
public:
    explicit WineHost(UnixName unix_name) : unix_name_(unix_name) {}

    std::string tool_path(const std::string& user_path) override
    {
        std::wstring wide = widen(full_windows_path(user_path));
        char* name = unix_name_(wide.c_str());
        if (!name)
            return user_path;
        std::string result(name);
        HeapFree(GetProcessHeap(), 0, name);
        return result;
    }

    /* sh runs the tool with its standard error in a file, then leaves the
       exit status in a second file, renamed into place so that it is never
       read half written. */
    ToolResult run(const std::string& program, const std::vector<std::string>& args) override
    {
        std::string base = platform::temporary_file_name("", "vrc");
        std::string err_file = base + ".err", status_file = base + ".status";
        std::string script = shell_quote(program);
        for (const std::string& a : args)
            script += " " + shell_quote(a);
        std::string unix_status = tool_path(status_file);
        script += " 2>" + shell_quote(tool_path(err_file)) + "; echo $? >" + shell_quote(unix_status + ".tmp") +
                  " && mv " + shell_quote(unix_status + ".tmp") + " " + shell_quote(unix_status);
        std::string line = "/bin/sh -c \"" + escape_for_command_line(script) + "\"";
        ToolResult r;
        platform::ProcessOptions options;
        options.hidden = true;
        auto process = platform::Process::start(line, options, r.error);
        if (!process)
            return r;
        auto deadline = std::chrono::steady_clock::now() + kLongestRun;
        while (!platform::file_exists(status_file)) {
            if (std::chrono::steady_clock::now() > deadline) {
                r.error = program + " did not finish";
                return r;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (auto status = platform::read_file(status_file))
            r.exit_code = std::atoi(std::string(status->begin(), status->end()).c_str());
        if (auto text = platform::read_file(err_file))
            r.stderr_text.assign(text->begin(), text->end());
        platform::remove_file(status_file);
        platform::remove_file(err_file);
        return r;
    }

private:
    // Inside "...", the Windows splitting rules take \" as a quote and 2n
    // backslashes before it as n.
    static std::string escape_for_command_line(const std::string& s)
    {
        std::string out;
        std::size_t backslashes = 0;
        for (char c : s) {
            if (c == '\\') {
                ++backslashes;
                continue;
            }
            if (c == '"')
                out.append(backslashes * 2 + 1, '\\');
            else
                out.append(backslashes, '\\');
            out += c;
            backslashes = 0;
        }
        out.append(backslashes * 2, '\\');
        return out;
    }

    UnixName unix_name_;
};

}  // namespace

std::unique_ptr<ToolHost> make_wine_host()
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto unix_name = kernel ? reinterpret_cast<UnixName>(
                                  reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")))
                            : nullptr;
    if (!unix_name)
        return nullptr;
    return std::make_unique<WineHost>(unix_name);
}

}  // namespace vyn::vrc
