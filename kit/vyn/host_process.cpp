// The compiler as a child process, standard error captured through a file.
#include "kit/vyn/host.h"

#include "common/strings.h"
#include "common/winpath.h"
#include "platform/files.h"
#include "platform/process.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace vyn::cc {

std::string clang_program()
{
    const char* set = std::getenv("VYN_CLANG");
    return set && *set ? set : "clang";
}

namespace {

class ProcessHost : public Host {
public:
    ClangRun run_clang(const std::vector<std::string>& args, bool verbose) override
    {
        std::vector<std::string> argv = {clang_program()};
        argv.insert(argv.end(), args.begin(), args.end());
        std::string line = platform::command_line(argv);
        if (verbose)
            std::fprintf(stderr, "%s\n", line.c_str());
        ClangRun run;
        platform::ProcessOptions options;
        options.hidden = true;
        options.stderr_file = platform::temporary_file_name("", "vynerr");
        auto process = platform::Process::start(line, options, run.error);
        if (process) {
            if (auto code = process->wait())
                run.exit_code = static_cast<int>(*code);
            else
                run.error = "the compiler's exit code could not be read";
        }
        if (auto text = platform::read_file(options.stderr_file))
            run.stderr_text.assign(text->begin(), text->end());
        platform::remove_file(options.stderr_file);
        return run;
    }

    // Makefiles and the IDE write Windows names; the host's separator replaces the backslashes.
    std::string to_host(const std::string& user_path) override { return winpath::to_host(user_path); }

    std::string full_path(const std::string& user_path) override { return to_user(user_path); }

    std::string to_user(const std::string& host_path) override
    {
        std::error_code ec;
        auto full = std::filesystem::absolute(host_path, ec);
        return ec ? host_path : full.lexically_normal().string();
    }
};

}  // namespace

std::unique_ptr<Host> make_process_host()
{
    return std::make_unique<ProcessHost>();
}

std::unique_ptr<Host> make_host()
{
#ifdef _WIN32
    if (auto wine = make_wine_host())
        return wine;
#endif
    return make_process_host();
}

}  // namespace vyn::cc
