// Where the startup object and the default libraries are found: the "-L"
// directory, the "libpath" registry value, or a directory the user types in.
#include "linker/linker.h"

#include "common/strings.h"
#include "common/winpath.h"
#include "platform/files.h"
#include "platform/registry.h"

#include <cstdio>

namespace vyn::lnk {

namespace {

constexpr const char* kLinkerKey = "Software\\vyn\\vynlnk";

bool readable(const std::string& path)
{
    std::FILE* f = std::fopen(winpath::to_host(path).c_str(), "rb");
    if (!f)
        return false;
    std::fclose(f);
    return true;
}

std::optional<std::string> try_directory(const std::string& directory, const std::string& name)
{
    std::string path = winpath::join(directory, name);
    if (readable(path))
        return path;
    return std::nullopt;
}

/* The console dialogue for a missing library directory. Ends the process
   with -1 when the answer is no directory or cannot be stored. */
std::string ask_library_directory(Linker& l, const std::string& name)
{
    out("Can't find the path of the vyn libraries.(%s missing)\n", name.c_str());
    out("Please enter it now: (for example c:\\vyn\\lib)\n");
    std::fflush(stdout);
    char line[512] = {};
    if (!std::fgets(line, sizeof line, stdin))
        line[0] = '\0';
    std::string directory(trim(line));
    if (directory.empty() || !platform::directory_exists(winpath::to_host(directory))) {
        out("Directory %s does not exist\n. I quit\n", directory.c_str());
        xexit(l, -1);
    }
    if (!WriteLibPathToRegistry(directory)) {
        out("Impossible to write to registry\n");
        xexit(l, -1);
    }
    return directory;
}

}  // namespace

std::optional<std::string> ReadLibPathFromRegistry()
{
    auto registry = platform::open_registry();
    if (!registry)
        return std::nullopt;
    auto value = registry->read_string(platform::RegistryRoot::CurrentUser, kLinkerKey, "libpath");
    if (!value || value->empty())
        return std::nullopt;
    if (value->size() > 511)
        value->resize(511);
    if (!platform::directory_exists(winpath::to_host(*value)))
        return std::nullopt;
    return value;
}

bool WriteLibPathToRegistry(const std::string& directory)
{
    auto registry = platform::open_registry();
    return registry && registry->create_key(platform::RegistryRoot::CurrentUser, kLinkerKey) &&
           registry->write_string(platform::RegistryRoot::CurrentUser, kLinkerKey, "libpath", directory);
}

/* The full path of a default file (startup object or default library).
   The known library directory is tried first, then the registry's (which
   becomes the known one when there was none). Only
   when no directory is known at all is the user asked; a file missing from
   a known directory is simply not found, so that a default library that is
   not installed does not make the linker ask for ever. */
std::optional<std::string> FindDefaultFile(Linker& l, const std::string& name)
{
    Settings& s = l.settings;
    if (s.library_directory) {
        if (auto path = try_directory(*s.library_directory, name))
            return path;
    }
    if (auto registry_dir = ReadLibPathFromRegistry()) {
        // A directory given with "-L" stays the first place to look for the
        // files that follow.
        if (!s.library_directory)
            s.library_directory = *registry_dir;
        return try_directory(*registry_dir, name);
    }
    if (s.library_directory)
        return std::nullopt;
    s.library_directory = ask_library_directory(l, name);
    return try_directory(*s.library_directory, name);
}

}  // namespace vyn::lnk
