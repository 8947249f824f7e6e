// vrc: compiles a resource script into a 32-bit ".res" file through LLVM's
// resource compiler, with the kit's headers on the include path.
#include <cstdio>
#include <string>
#include <vector>

#include "common/strings.h"
#include "common/winpath.h"
#include "kit/vrc/tool_host.h"
#include "kit/vrc/vrc_options.h"
#include "platform/files.h"
#include "platform/registry.h"

namespace {

std::unique_ptr<vyn::vrc::ToolHost> make_host()
{
#ifdef _WIN32
    if (auto wine = vyn::vrc::make_wine_host())
        return wine;
#endif
    return vyn::vrc::make_process_host();
}

// The compiler root's headers: "include" beside the folder of vrc's own
// program when vrc is the compiler root's, else the include path of the
// IDE's configuration. The makefile names vrc without a folder, so the vrc
// that runs may lie outside the compiler root: beside an IDE started from
// elsewhere, whose folder is searched before the PATH.
std::string kit_include()
{
    std::string bin = vyn::winpath::directory(vyn::platform::executable_path());
    std::string include = vyn::winpath::join(vyn::winpath::directory(bin), "include");
    if (vyn::platform::directory_exists(vyn::winpath::to_host(include)))
        return include;
    auto configured = vyn::platform::open_registry()->read_string(vyn::platform::RegistryRoot::CurrentUser,
                                                                   "Software\\vyn\\Compiler", "includepath");
    if (configured && !configured->empty() && vyn::platform::directory_exists(vyn::winpath::to_host(*configured)))
        return *configured;
    return {};
}

}  // namespace

int main(int argc, char** argv)
{
    std::string error;
    auto options = vyn::vrc::parse_options({argv + 1, argv + argc}, error);
    if (!options) {
        std::fprintf(stderr, "vrc: %s\nusage: vrc [-I dir]... [-D name[=value]]... [-U name]... [-fo file.res] [-v] file.rc\n",
                     error.c_str());
        return 1;
    }
    auto host = make_host();
    vyn::vrc::Options tool = *options;
    for (std::string& dir : tool.includes)
        dir = host->tool_path(dir);
    tool.input = host->tool_path(options->input);
    tool.output = host->tool_path(options->output);
    std::string include = kit_include();
    std::vector<std::string> args =
        vyn::vrc::resource_compiler_arguments(tool, include.empty() ? "" : host->tool_path(include));
    vyn::vrc::ToolResult r = host->run(vyn::vrc::resource_compiler(), args);
    for (const std::string& line : vyn::split(r.stderr_text, '\n'))
        if (!line.empty())
            std::fprintf(stderr, "%s\n", vyn::vrc::ide_diagnostic(line).c_str());
    if (!r.exit_code) {
        std::fprintf(stderr, "vrc: cannot run %s: %s\n", vyn::vrc::resource_compiler().c_str(), r.error.c_str());
        return 1;
    }
    return *r.exit_code == 0 ? 0 : 1;
}
