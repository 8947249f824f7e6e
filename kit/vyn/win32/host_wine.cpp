// The Linux host's clang started from vyn running under Wine: paths cross
// between the Windows and the Unix side through Wine's own conversions, and
// clang runs through the platform's host-program runner (inside /bin/sh,
// whose status file is polled for, as Wine gives no handle to wait on).
#include "kit/vyn/host.h"

#include "platform/files.h"
#include "platform/process.h"

#include <windows.h>

namespace vyn::cc {

namespace {

class WineHost : public Host {
public:
    std::string full_path(const std::string& user_path) override
    {
        char full[MAX_PATH * 2];
        DWORD n = GetFullPathNameA(user_path.c_str(), sizeof full, full, nullptr);
        return n > 0 && n < sizeof full ? std::string(full, n) : user_path;
    }

    std::string to_host(const std::string& user_path) override
    {
        std::string host = platform::wine_host_name(full_path(user_path));
        return host.empty() ? user_path : host;
    }

    std::string to_user(const std::string& host_path) override
    {
        if (host_path.empty() || host_path[0] != '/')
            return host_path;
        std::string user = platform::wine_windows_name(host_path);
        return user.empty() ? host_path : user;
    }

    ClangRun run_clang(const std::vector<std::string>& args, bool verbose) override
    {
        std::vector<std::string> argv{clang_program()};
        argv.insert(argv.end(), args.begin(), args.end());
        platform::HostProgramOptions options;
        char cwd[MAX_PATH * 2];
        DWORD n = GetCurrentDirectoryA(sizeof cwd, cwd);
        options.directory = to_host(n > 0 && n < sizeof cwd ? std::string(cwd, n) : ".");
        options.verbose = verbose;
        platform::HostProgramRun run = platform::run_host_program(argv, options);
        ClangRun result;
        result.exit_code = run.exit_code;
        result.stderr_text = std::move(run.stderr_text);
        result.error = std::move(run.error);
        return result;
    }
};

}  // namespace

std::unique_ptr<Host> make_wine_host()
{
    // Wine's conversions answer; on Windows there are none.
    if (platform::wine_windows_name("/").empty())
        return nullptr;
    return std::make_unique<WineHost>();
}

}  // namespace vyn::cc
