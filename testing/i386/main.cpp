// vyni386 [--budget N] [--exit-code] IMAGE [ARGS...]: runs a PE32 console
// program on the emulated i386 machine with this process's standard streams.
// The DLLs it imports beyond the system's own are loaded from beside IMAGE,
// else from the directories of PATH; a missing or damaged one ends the run
// before the program starts, with a message naming it.
//
// Exit status: the program's exit code when it lies in 0..255 and is not
// 125; 125 is vyni386's own failure (bad image, fault, unimplemented import,
// budget spent), reported as "vyni386: ..." on standard error. A program
// code that a process status cannot carry (125 itself, or anything beyond
// 255) gives status 124, so that it never reads as 0 or as our failure; the
// full 32-bit code is then printed on standard error, and always with
// --exit-code ("vyni386: exit code 4294967295 (0xffffffff)").
//
// --budget N stops the program after N instructions (default 200 million,
// a few seconds of emulation), so that a runaway program ends.
#include "testing/i386/dll_search.h"
#include "testing/i386/machine.h"

#include "platform/files.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

constexpr int kOwnFailure = 125;
constexpr int kCodeBeyondStatus = 124;
constexpr std::uint64_t kDefaultBudget = 200'000'000ull;

struct Options {
    std::uint64_t budget = kDefaultBudget;
    bool print_exit_code = false;
    int image = 0;  // index of IMAGE in argv
};

int fail(const std::string& message)
{
    std::fprintf(stderr, "vyni386: %s\n", message.c_str());
    return kOwnFailure;
}

bool parse_options(int argc, char** argv, Options& options, std::string& error)
{
    int i = 1;
    for (; i < argc && std::string_view(argv[i]).starts_with("--"); ++i) {
        std::string_view option = argv[i];
        if (option == "--exit-code") {
            options.print_exit_code = true;
        } else if (option == "--budget" && i + 1 < argc) {
            std::string_view value = argv[++i];
            auto [end, status] = std::from_chars(value.data(), value.data() + value.size(), options.budget);
            if (status != std::errc() || end != value.data() + value.size() || options.budget == 0) {
                error = "--budget needs a positive number of instructions, not '" + std::string(value) + "'";
                return false;
            }
        } else {
            error = "unknown option " + std::string(option);
            return false;
        }
    }
    if (i >= argc) {
        error = "usage: vyni386 [--budget N] [--exit-code] IMAGE [ARGS...]";
        return false;
    }
    options.image = i;
    return true;
}

// The Windows command line the program sees: arguments separated by blanks,
// those holding blanks or quotes (or empty ones) quoted.
std::string command_line(int first, int argc, char** argv)
{
    std::string line;
    for (int i = first; i < argc; ++i) {
        std::string arg = argv[i];
        if (i > first)
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

std::string program_directory(const std::string& path)
{
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

int exit_status(std::uint32_t code, bool print)
{
    bool fits = code <= 255 && code != kOwnFailure;
    if (print || !fits)
        std::fprintf(stderr, "vyni386: exit code %u (0x%08x)\n", code, code);
    return fits ? static_cast<int>(code) : kCodeBeyondStatus;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    std::string error;
    if (!parse_options(argc, argv, options, error))
        return fail(error);
    const char* path = argv[options.image];
    auto file = vyn::platform::read_file(path);
    if (!file)
        return fail(std::string("cannot read ") + path);
    vyn::i386::HostConsole console;
    vyn::i386::Machine machine(console);
    const char* search_path = std::getenv("PATH");
    machine.set_dll_finder(vyn::i386::dll_search(program_directory(path), search_path ? search_path : ""));
    if (!machine.load(*file, command_line(options.image, argc, argv)))
        return fail(std::string(path) + ": " + machine.error());
    vyn::i386::StopResult stop = machine.run(options.budget);
    if (stop.kind != vyn::i386::StopKind::Exited)
        return fail(stop.message);
    return exit_status(stop.exit_code, options.print_exit_code);
}
