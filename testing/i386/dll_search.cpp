#include "testing/i386/dll_search.h"

#include "common/strings.h"
#include "platform/files.h"

#include <vector>

namespace vyn::i386 {

namespace {

std::vector<std::string> directories(const std::string& program_directory, const std::string& search_path)
{
    std::vector<std::string> dirs{program_directory.empty() ? "." : program_directory};
    std::size_t start = 0;
    while (start <= search_path.size() && !search_path.empty()) {
        std::size_t colon = search_path.find(':', start);
        std::string dir = search_path.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        dirs.push_back(dir.empty() ? "." : dir);
        if (colon == std::string::npos)
            break;
        start = colon + 1;
    }
    return dirs;
}

// The file in dir whose name is name in any case: the exact name first, as
// that costs no listing.
std::optional<std::string> file_in(const std::string& dir, const std::string& name)
{
    std::string exact = dir + "/" + name;
    if (platform::file_exists(exact))
        return exact;
    auto entries = platform::list_directory(dir);
    if (!entries)
        return std::nullopt;
    const std::string lower = to_lower_ascii(name);
    for (const platform::DirEntry& entry : *entries)
        if (!entry.is_directory && to_lower_ascii(entry.name) == lower)
            return entry.path;
    return std::nullopt;
}

bool plain_file_name(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string::npos &&
           name.find('\0') == std::string::npos;
}

}  // namespace

DllFinder dll_search(std::string program_directory, std::string search_path)
{
    return [dirs = directories(program_directory, search_path)](const std::string& name) -> std::optional<DllFile> {
        if (!plain_file_name(name))
            return std::nullopt;
        for (const std::string& dir : dirs) {
            std::optional<std::string> path = file_in(dir, name);
            if (!path)
                continue;
            if (auto bytes = platform::read_file(*path))
                return DllFile{*path, std::move(*bytes)};
        }
        return std::nullopt;
    };
}

}  // namespace vyn::i386
