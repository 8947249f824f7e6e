// Running a program from a test: a shell command line, in a directory,
// with text on its standard input, its output captured. Shared by the test
// harnesses of the tools (POSIX hosts, where the native tests run).
#pragma once

#include <optional>
#include <string>

namespace vyn::runner {

struct CommandResult {
    int exit_code = -1;  // the program's exit status, -1 when it did not exit
    int signal = 0;      // the signal that ended it, 0 when it exited
    std::string out;     // standard output (with standard error when merged)
    std::string err;     // standard error, empty when merged
    // The exit status, or 128 + the signal, as a shell reports it.
    int shell_status() const { return signal ? 128 + signal : exit_code; }
};

struct CommandOptions {
    std::string directory;                 // where it runs; the test's own when empty
    std::optional<std::string> stdin_text; // its standard input; the test's own when empty
    bool merge_streams = false;            // standard error goes to out, in order
};

// Runs command (already quoted for the shell) and waits for it.
CommandResult run_command(const std::string& command, const CommandOptions& options = {});

// word as one shell word, quoted.
std::string shell_quote(const std::string& word);

}  // namespace vyn::runner
