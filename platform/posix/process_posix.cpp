#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "common/strings.h"
#include "common/winpath.h"
#include "platform/process.h"

extern char** environ;

namespace vyn::platform {

std::optional<Process> Process::start(const std::string& command_line, const ProcessOptions& options,
                                      std::string& error)
{
    std::vector<std::string> args = split_command_line(command_line);
    if (args.empty()) {
        error = "empty command line";
        return std::nullopt;
    }
    args[0] = winpath::to_host(args[0]);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!options.directory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, options.directory.c_str());
    if (!options.stdout_file.empty())
        posix_spawn_file_actions_addopen(&actions, 1, options.stdout_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!options.stderr_file.empty())
        posix_spawn_file_actions_addopen(&actions, 2, options.stderr_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);

    pid_t pid = 0;
    int status = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (status != 0) {
        error = format("cannot start %s: %s", args[0].c_str(), std::strerror(status));
        return std::nullopt;
    }
    Process process;
    process.id_ = static_cast<std::uint32_t>(pid);
    return process;
}

std::optional<std::uint32_t> Process::wait(int timeout_ms)
{
    if (exit_code_ || id_ == 0)
        return exit_code_;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        int status = 0;
        pid_t done = waitpid(static_cast<pid_t>(id_), &status, timeout_ms < 0 ? 0 : WNOHANG);
        if (done == static_cast<pid_t>(id_)) {
            // A program ended by a signal reports 128 + the signal, as shells do.
            exit_code_ = WIFEXITED(status) ? std::uint32_t(WEXITSTATUS(status))
                                           : std::uint32_t(128 + WTERMSIG(status));
            return exit_code_;
        }
        if (done < 0 && errno != EINTR)
            return std::nullopt;
        if (timeout_ms >= 0 && std::chrono::steady_clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

bool Process::running()
{
    return id_ != 0 && !wait(0);
}

void Process::kill()
{
    if (running())
        ::kill(static_cast<pid_t>(id_), SIGKILL);
    wait();
}

void Process::close()
{
    // A child that is still running is left to run; reap it if it already ended.
    if (id_ != 0 && !exit_code_)
        wait(0);
}

}  // namespace vyn::platform
