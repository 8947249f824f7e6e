// The process seam: start a command line, wait for it, read its exit code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vyn::platform {

struct ProcessOptions {
    std::string directory;       // working directory; empty: the caller's
    bool hidden = false;         // no window (Windows); ignored on POSIX
    std::string stderr_file;     // standard error into this file (created/truncated); empty: inherited
    std::string stdout_file;     // standard output likewise
};

class Process {
public:
    Process() = default;
    Process(Process&&) noexcept;
    Process& operator=(Process&&) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();

    // Starts command_line (a Windows-style command line: program and
    // arguments separated by blanks, quoted with '"' where they hold blanks).
    // Nothing on failure, with a message in error.
    static std::optional<Process> start(const std::string& command_line, const ProcessOptions& options,
                                        std::string& error);

    // Waits up to timeout_ms (negative: for ever); the exit code once it ended.
    std::optional<std::uint32_t> wait(int timeout_ms = -1);
    bool running();
    // Ends the process at once.
    void kill();
    std::uint32_t id() const { return id_; }

private:
    void close();

    std::uint32_t id_ = 0;
    std::optional<std::uint32_t> exit_code_;
#ifdef _WIN32
    void* handle_ = nullptr;
#endif
};

#ifdef _WIN32
// A program of the Linux host run from a Windows program under Wine. Wine
// starts it and hands it the standard handles, but gives no handle that can
// be waited for; so it runs inside /bin/sh, which writes its own process id
// first and the program's exit status last (each under another name and
// renamed, never read half written), and the caller polls. A shell that
// ends without a status (killed, or crashed) is noticed through the host's
// process table and reported, never waited for.
struct HostProgramOptions {
    std::string directory;     // the host directory it runs in; empty: the shell's
    std::string stdout_file;   // a host path its standard output goes to; empty: inherited
    int longest_seconds = 0;   // ended and reported after this long; 0: no limit
    bool verbose = false;      // the shell's command line on standard error
};
struct HostProgramRun {
    std::optional<int> exit_code;  // nothing: not run to its end, error says why
    std::string stderr_text;       // what it wrote on standard error
    std::string error;
};
// argv: the program (a host path, or a name found on the host's PATH) and its
// arguments, as the host program must see them.
HostProgramRun run_host_program(const std::vector<std::string>& argv, const HostProgramOptions& options);
#endif

// Splits a Windows-style command line into arguments by the usual rules
// (blanks separate, '"' groups, backslashes before a quote escape it).
std::vector<std::string> split_command_line(const std::string& command_line);

// One argument written so that those rules give it back: as it stands when it
// is not empty and holds no blank, tab or quote; else in quotes, with 2n+1
// backslashes before an embedded quote that follows n of them and trailing
// backslashes doubled before the closing quote ("" for an empty argument).
std::string quote_argument(const std::string& argument);
// argv[0] and the arguments after it, each quoted as above, blank-separated.
std::string command_line(const std::vector<std::string>& argv);

}  // namespace vyn::platform
