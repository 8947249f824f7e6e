// Where the resource compiler runs. Natively and on Windows it is started as
// a child process. Under Wine, vrc is a Windows program but llvm-rc is the
// Linux host's: it is started through /bin/sh, which leaves its exit status
// in a file that vrc polls for (Wine gives no usable process handle for a
// Linux program), and every path is translated to the Unix side.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vyn::vrc {

struct ToolResult {
    std::optional<int> exit_code;  // nothing: the tool could not be started
    std::string error;             // why it could not
    std::string stderr_text;       // what it wrote on standard error
};

class ToolHost {
public:
    virtual ~ToolHost() = default;
    // A path the user gave, as the tool must see it.
    virtual std::string tool_path(const std::string& user_path) = 0;
    virtual ToolResult run(const std::string& program, const std::vector<std::string>& args) = 0;
};

// The resource compiler: VYN_LLVM_RC when set, else "llvm-rc" on PATH.
std::string resource_compiler();

std::unique_ptr<ToolHost> make_process_host();
#ifdef _WIN32
// Nothing on real Windows.
std::unique_ptr<ToolHost> make_wine_host();
#endif

}  // namespace vyn::vrc
