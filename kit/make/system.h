// The real file times and the real command runner.
#pragma once

#include "kit/make/builder.h"

namespace vyn::make {

// Modification times in nanoseconds, read through std::filesystem so that two
// files written within one second still compare in order.
class SystemFileTimes : public FileTimes {
public:
    std::optional<std::int64_t> time(const std::string& path) override;
};

// How a command line is started: directly, or through the command interpreter
// when it uses the interpreter's syntax (redirection, pipes, quoting,
// variables, built-in commands).
enum class Launch { Direct, Shell };
// The decision for a POSIX shell (posix = true) or the Windows command
// interpreter (posix = false). Portable, so both are tested everywhere.
Launch choose_launch(const std::string& command, bool posix);

// The command line that starts command on this host: itself, or
// "/bin/sh -c ..." / "cmd /s /c "..."".
std::string host_command_line(const std::string& command);

class SystemRunner : public CommandRunner {
public:
    std::optional<int> run(const std::string& command, std::string& error) override;
};

}  // namespace vyn::make
