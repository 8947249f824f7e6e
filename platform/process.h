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

// Splits a Windows-style command line into arguments by the usual rules
// (blanks separate, '"' groups, backslashes before a quote escape it).
std::vector<std::string> split_command_line(const std::string& command_line);

}  // namespace vyn::platform
