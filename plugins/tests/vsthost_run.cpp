#include "plugins/tests/vsthost_run.h"

#include "common/strings.h"
#include "common/winpath.h"
#include "platform/files.h"
#include "platform/process.h"

#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <process.h>
#define VYN_GETPID _getpid
#else
#include <unistd.h>
#define VYN_GETPID getpid
#endif

namespace vyn::fxtest {

namespace {

#ifdef _WIN32
// The directory of the built programs: beside this test program.
std::string bin_directory()
{
    return winpath::directory(platform::executable_path());
}
#endif

std::string quoted(const std::string& arg)
{
    return "\"" + arg + "\"";
}

// A file of text as lines ending in "\n" (a Windows program writes "\r\n").
std::string read_text(const std::string& path)
{
    auto bytes = platform::read_file(path);
    std::string text = bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
    replace_all(text, "\r\n", "\n");
    return text;
}

}  // namespace

HostRun run_vsthost(const std::vector<std::string>& args)
{
#ifdef _WIN32
    std::string command = quoted(winpath::join(bin_directory(), "vsthost.exe"));
#else
    std::string command = quoted(VSTHOST_EXE);
#endif
    for (const std::string& arg : args)
        command += " " + quoted(arg);
    platform::ProcessOptions options;
    options.hidden = true;
    options.stdout_file = scratch_path("stdout.txt");
    options.stderr_file = scratch_path("stderr.txt");
    HostRun run;
    std::string error;
    auto process = platform::Process::start(command, options, error);
    if (!process) {
        run.err = error;
        return run;
    }
    auto code = process->wait(120000);
    run.exit_code = code ? static_cast<int>(*code) : -1;
    run.out = read_text(options.stdout_file);
    run.err = read_text(options.stderr_file);
    return run;
}

std::string plugin_path(const std::string& name)
{
#ifdef _WIN32
    return winpath::join(bin_directory(), name + ".dll");
#else
    return name == "delay" ? DELAY_PLUGIN : VODARUVEZUZ_PLUGIN;
#endif
}

std::string scratch_path(const std::string& name)
{
    const char* dir = std::getenv("VYN_TEST_TMP");
    std::string root = dir ? dir : platform::temporary_directory();
    platform::make_directories(root);
    // Process ids repeat (under Wine often): a file left by an earlier run
    // must never stand in for one this run failed to write.
    std::string path = winpath::to_host(winpath::join(root, "plugins_" + std::to_string(VYN_GETPID()) + "_" + name));
    platform::remove_file(path);
    return path;
}

}  // namespace vyn::fxtest
