// Makefile parser fuzz target: any text is parsed, every macro expanded and
// a dry build planned, with scripted files and commands.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "kit/make/builder.h"
#include "kit/make/expand.h"
#include "kit/make/makefile.h"

namespace {

class NoFiles : public vyn::make::FileTimes {
public:
    std::optional<std::int64_t> time(const std::string& path) override
    {
        if (path.size() % 3 == 0)
            return static_cast<std::int64_t>(path.size());
        return std::nullopt;
    }
};

class NoCommands : public vyn::make::CommandRunner {
public:
    std::optional<int> run(const std::string& command, std::string&) override
    {
        return static_cast<int>(command.size() % 2);
    }
};

std::optional<std::string> include_self(const std::string& name, void*)
{
    if (name.size() > 64)
        return std::nullopt;
    return "X=" + name + "\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    vyn::make::ParseContext context;
    context.environment["HOME"] = "/home";
    context.read_include = include_self;
    vyn::make::Makefile makefile;
    if (vyn::make::parse_makefile(text, "Makefile", context, makefile))
        return 0;
    vyn::make::Scope scope{&makefile, &context.overrides, &context.environment, nullptr};
    for (const auto& [name, macro] : makefile.macros)
        (void)vyn::make::expand(macro.value, scope);
    NoFiles files;
    NoCommands runner;
    std::ostringstream out, err;
    vyn::make::BuildOptions options;
    options.keep_going = true;
    vyn::make::Builder builder(makefile, context.overrides, context.environment, options, files, runner, out, err);
    builder.make_goals({});
    return 0;
}
