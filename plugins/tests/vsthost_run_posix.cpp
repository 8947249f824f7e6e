#include "plugins/tests/vsthost_run.h"

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace vyn::fxtest {

namespace {

std::string shell_quoted(const std::string& arg)
{
    std::string text = "'";
    for (char c : arg)
        text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return text + "'";
}

std::string test_tmp()
{
    const char* dir = std::getenv("VYN_TEST_TMP");
    std::string path = dir ? dir : "/tmp";
    std::error_code ignored;
    std::filesystem::create_directories(path, ignored);
    return path;
}

}  // namespace

HostRun run_vsthost(const std::vector<std::string>& args)
{
    std::string err_file = scratch_path("stderr.txt");
    std::string command = shell_quoted(VSTHOST_EXE);
    for (const std::string& arg : args)
        command += " " + shell_quoted(arg);
    command += " 2>" + shell_quoted(err_file);
    HostRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        run.out.append(buffer, n);
    int status = pclose(pipe);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::ifstream err(err_file, std::ios::binary);
    run.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
    return run;
}

std::string plugin_path(const std::string& name)
{
    return name == "delay" ? DELAY_PLUGIN : VODARUVEZUZ_PLUGIN;
}

std::string scratch_path(const std::string& name)
{
    return test_tmp() + "/plugins_" + std::to_string(getpid()) + "_" + name;
}

}  // namespace vyn::fxtest
