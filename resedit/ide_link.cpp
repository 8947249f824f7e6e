#include "resedit/ide_link.h"

#include "common/strings.h"

namespace vyn::resedit {

std::string ide_command(const std::string& editor_full_path, const std::string& editor_path)
{
    if (!trim(editor_full_path).empty())
        return std::string(trim(editor_full_path));
    // The editor lives in <root>\bin; the IDE beside it.
    std::size_t slash = editor_path.find_last_of("\\/");
    std::string dir = slash == std::string::npos ? std::string(".") : editor_path.substr(0, slash);
    if (ends_with_nocase(dir, "\\bin") || ends_with_nocase(dir, "/bin"))
        dir.resize(dir.size() - 4);
    return dir + "\\bin\\tavra.exe";
}

bool reach_ide(IdeSystem& system, const std::string& command, const std::string& directory)
{
    if (system.find())
        return true;
    if (!system.start(command, directory))
        return false;
    for (int i = 0; i < kIdePolls; ++i) {
        system.sleep(kIdePollMs);
        if (system.find())
            return true;
    }
    return false;
}

}  // namespace vyn::resedit
