// The resource compiler of the Linux host, reached from vrc running under
// Wine through the platform's host-program runner.
#include <windows.h>

#include "kit/vrc/tool_host.h"
#include "platform/files.h"
#include "platform/process.h"

namespace vyn::vrc {

namespace {

// A tool that never answers must not hang a build for ever.
constexpr int kLongestRunSeconds = 10 * 60;

std::string full_windows_path(const std::string& path)
{
    char buffer[MAX_PATH * 4];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : path;
}

class WineHost : public ToolHost {
public:
    std::string tool_path(const std::string& user_path) override
    {
        std::string host = platform::wine_host_name(full_windows_path(user_path));
        return host.empty() ? user_path : host;
    }

    ToolResult run(const std::string& program, const std::vector<std::string>& args) override
    {
        std::vector<std::string> argv{program};
        argv.insert(argv.end(), args.begin(), args.end());
        platform::HostProgramOptions options;
        options.longest_seconds = kLongestRunSeconds;
        platform::HostProgramRun run = platform::run_host_program(argv, options);
        ToolResult r;
        r.exit_code = run.exit_code;
        r.error = std::move(run.error);
        r.stderr_text = std::move(run.stderr_text);
        return r;
    }
};

}  // namespace

std::unique_ptr<ToolHost> make_wine_host()
{
    // Wine's conversions answer; on Windows there are none.
    if (platform::wine_windows_name("/").empty())
        return nullptr;
    return std::make_unique<WineHost>();
}

}  // namespace vyn::vrc
