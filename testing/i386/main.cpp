// vyni386 IMAGE [ARGS...]: runs a PE32 console program on the emulated i386
// machine with this process's standard streams, and exits with the
// program's exit code. Its own failures (bad image, fault, unimplemented
// import, budget) are reported as "vyni386: ..." with exit code 125.
#include "testing/i386/machine.h"

#include "platform/files.h"

#include <cstdio>
#include <string>

namespace {

constexpr int kOwnFailure = 125;
// Enough for any test program; a runaway one stops rather than hangs.
constexpr std::uint64_t kInstructionBudget = 20'000'000'000ull;

int fail(const std::string& message)
{
    std::fprintf(stderr, "vyni386: %s\n", message.c_str());
    return kOwnFailure;
}

// The Windows command line the program sees: arguments separated by blanks,
// those holding blanks or quotes (or empty ones) quoted.
std::string command_line(int argc, char** argv)
{
    std::string line;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (i > 1)
            line += ' ';
        if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) {
            line += arg;
            continue;
        }
        line += '"';
        std::size_t backslashes = 0;
        for (char c : arg) {
            if (c == '\\') {
                ++backslashes;
            } else {
                // Backslashes before a quote are doubled, and the quote escaped.
                if (c == '"')
                    line.append(backslashes + 1, '\\');
                backslashes = 0;
            }
            line += c;
        }
        line.append(backslashes, '\\');
        line += '"';
    }
    return line;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return fail("usage: vyni386 IMAGE [ARGS...]");
    auto file = vyn::platform::read_file(argv[1]);
    if (!file)
        return fail(std::string("cannot read ") + argv[1]);
    vyn::i386::HostConsole console;
    vyn::i386::Machine machine(console);
    if (!machine.load(*file, command_line(argc, argv)))
        return fail(std::string(argv[1]) + ": " + machine.error());
    vyn::i386::StopResult stop = machine.run(kInstructionBudget);
    if (stop.kind != vyn::i386::StopKind::Exited)
        return fail(stop.message);
    return static_cast<int>(stop.exit_code);
}
