// make: reads a makefile and brings its targets up to date.
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "common/winpath.h"
#include "kit/make/builder.h"
#include "kit/make/makefile.h"
#include "kit/make/options.h"
#include "kit/make/system.h"
#include "platform/files.h"

#ifdef _WIN32
#define environ _environ
#else
extern char** environ;
#endif

namespace {

using namespace vyn::make;

constexpr const char* kUsage =
    "Usage: make [options] [NAME=value ...] [target ...]\n"
    "  -f FILE   read FILE as the makefile (default: makefile, then Makefile)\n"
    "  -C DIR    change to DIR before doing anything\n"
    "  -n        print the commands that would run, run none\n"
    "  -k        keep going with targets that do not depend on a failed one\n"
    "  -s        do not echo commands\n"
    "  -i        ignore errors of every command\n";

std::map<std::string, std::string> read_environment()
{
    std::map<std::string, std::string> env;
    for (char** e = environ; e && *e; ++e) {
        std::string entry(*e);
        std::size_t eq = entry.find('=');
        if (eq != std::string::npos && eq > 0)
            env[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    return env;
}

std::optional<std::string> read_text(const std::string& name)
{
    auto bytes = vyn::platform::read_file(vyn::winpath::to_host(name));
    if (!bytes)
        return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
}

std::optional<std::string> read_include(const std::string& name, void*)
{
    return read_text(name);
}

int run(const std::vector<std::string>& args, const std::string& program)
{
    std::string error;
    auto cl = parse_command_line(args, error);
    if (!cl) {
        std::cerr << "make: " << error << "\n" << kUsage;
        return 2;
    }
    if (cl->help) {
        std::cout << kUsage;
        return 0;
    }
    for (const std::string& dir : cl->directories) {
        std::error_code ec;
        std::filesystem::current_path(vyn::winpath::to_host(dir), ec);
        if (ec) {
            std::cerr << "make: *** " << dir << ": " << ec.message() << ".  Stop.\n";
            return 2;
        }
    }
    std::vector<std::string> files = cl->makefiles;
    if (files.empty()) {
        for (const char* name : {"makefile", "Makefile"})
            if (vyn::platform::file_exists(name)) {
                files.push_back(name);
                break;
            }
        if (files.empty()) {
            std::cerr << "make: *** No targets specified and no makefile found.  Stop.\n";
            return 2;
        }
    }
    ParseContext context;
    context.overrides = cl->macros;
    context.environment = read_environment();
    context.environment.emplace("MAKE", program);
    context.read_include = read_include;
    Makefile makefile;
    for (const std::string& file : files) {
        auto text = read_text(file);
        if (!text) {
            std::cerr << "make: " << file << ": No such file or directory\n";
            return 2;
        }
        if (auto e = parse_makefile(*text, file, context, makefile)) {
            std::cerr << e->file << ":" << e->line << ": *** " << e->message << ".  Stop.\n";
            return 2;
        }
    }
    SystemFileTimes times;
    SystemRunner runner;
    Builder builder(makefile, context.overrides, context.environment, cl->build, times, runner, std::cout, std::cerr);
    return builder.make_goals(cl->goals);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    return run(args, argc > 0 ? argv[0] : "make");
}
