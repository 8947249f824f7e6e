#include "kit/vrc/tool_host.h"

#include <cstdlib>

#include "common/winpath.h"
#include "platform/files.h"
#include "platform/process.h"

namespace vyn::vrc {

namespace {

class ProcessHost : public ToolHost {
public:
    std::string tool_path(const std::string& user_path) override { return winpath::to_host(user_path); }

    ToolResult run(const std::string& program, const std::vector<std::string>& args) override
    {
        std::vector<std::string> argv = {program};
        argv.insert(argv.end(), args.begin(), args.end());
        std::string line = platform::command_line(argv);
        platform::ProcessOptions options;
        options.stderr_file = platform::temporary_file_name("", "vrc");
        options.hidden = true;
        ToolResult r;
        auto process = platform::Process::start(line, options, r.error);
        if (!process)
            return r;
        if (auto code = process->wait())
            r.exit_code = static_cast<int>(*code);
        else
            r.error = "lost " + program;
        if (auto text = platform::read_file(options.stderr_file))
            r.stderr_text.assign(text->begin(), text->end());
        platform::remove_file(options.stderr_file);
        return r;
    }
};

}  // namespace

std::string resource_compiler()
{
    const char* named = std::getenv("VYN_LLVM_RC");
    return named && *named ? named : "llvm-rc";
}

std::unique_ptr<ToolHost> make_process_host()
{
    return std::make_unique<ProcessHost>();
}

}  // namespace vyn::vrc
