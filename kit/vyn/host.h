// Where clang runs: the seam between vyn and the machine.
//
// Natively (Linux, or Windows with an installed clang) clang is started as a
// process and waited for. Under Wine, vyn is a Windows program but clang is
// the Linux host's: it is started through /bin/sh, which leaves its exit
// status in a file that vyn polls for, and every path crosses between the
// Windows side (what the user and make speak) and the Unix side (what clang
// speaks).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vyn::cc {

struct ClangRun {
    std::optional<int> exit_code;  // nothing: clang could not be started (error says why)
    std::string stderr_text;
    std::string error;
};

class Host {
public:
    virtual ~Host() = default;
    // Runs the compiler with args (paths in them already host paths).
    virtual ClangRun run_clang(const std::vector<std::string>& args, bool verbose) = 0;
    // A path the user gave, as the compiler must see it.
    virtual std::string to_host(const std::string& user_path) = 0;
    // A path the compiler printed, as a full path of the user's side.
    virtual std::string to_user(const std::string& host_path) = 0;
    // A path the user gave, made full on the user's side.
    virtual std::string full_path(const std::string& user_path) = 0;
};

// The compiler program: VYN_CLANG when set, else "clang" found on PATH.
std::string clang_program();

// The host of this machine.
std::unique_ptr<Host> make_host();

// A host that starts clang as a child process (Linux, and Windows with an
// installed clang).
std::unique_ptr<Host> make_process_host();

#ifdef _WIN32
// Under Wine: nothing when this is real Windows.
std::unique_ptr<Host> make_wine_host();
#endif

}  // namespace vyn::cc
