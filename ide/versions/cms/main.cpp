// vyncms: the revision store and the difference engine on the command line.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/strings.h"
#include "ide/versions/cms/cli.h"
#include "ide/versions/file_io.h"

namespace {

// VYNCMS_FAULT_AT=N stops the process at the N-th fault point of the
// store's write path, as a crash there would; used by the crash tests.
void install_fault_hook()
{
    const char* at = std::getenv("VYNCMS_FAULT_AT");
    if (!at)
        return;
    auto n = vyn::parse_long(at);
    if (!n || *n <= 0)
        return;
    long target = *n;
    vyn::versions::set_fault_hook([target, count = 0L]() mutable {
        if (++count == target) {
            std::fflush(stdout);
            std::_Exit(99);
        }
    });
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace vyn::versions::cms;
    if (argc < 2)
        return usage();
    install_fault_hook();
    std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "checksum")
        return cmd_checksum(args);
    if (command == "diff")
        return cmd_diff(args);
    if (command == "patch")
        return cmd_patch(args);
    if (command == "merge")
        return cmd_merge(args);
    if (command == "put")
        return cmd_put(args);
    if (command == "get")
        return cmd_get(args);
    if (command == "lock")
        return cmd_lock(args, true);
    if (command == "unlock")
        return cmd_lock(args, false);
    if (command == "admin")
        return cmd_admin(args);
    if (command == "log")
        return cmd_log(args);
    if (command == "ops")
        return cmd_ops(args);
    if (command == "changed")
        return cmd_changed(args);
    if (command == "release")
        return cmd_release(args);
    if (command == "-h" || command == "--help" || command == "help") {
        usage();
        return 0;
    }
    return usage(("unknown command " + command).c_str());
}
