#include "plugins/setup/installer.h"

#include "common/strings.h"
#include "common/winpath.h"

#include <filesystem>
#include <system_error>

namespace vyn::setup {

namespace {

std::filesystem::path host_path(const std::string& windows_path)
{
    return std::filesystem::path(winpath::to_host(windows_path));
}

bool exists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(host_path(path), error);
}

// Copies a file to a target that must not exist yet.
bool copy_new(const std::string& from, const std::string& to)
{
    std::error_code error;
    return std::filesystem::copy_file(host_path(from), host_path(to), std::filesystem::copy_options::none, error);
}

// Deletes a file; false when it is still there (in use, read-only, not a file).
bool remove(const std::string& path)
{
    std::error_code error;
    return std::filesystem::remove(host_path(path), error) && !error;
}

std::string source_of(const std::string& source_directory, const char* file)
{
    return source_directory.empty() ? std::string(file) : winpath::join(source_directory, file);
}

}  // namespace

InstallOutcome install_remove(const std::string& host_folder, const Ticks& ticked, const std::string& source_directory,
                              InstallerUi& ui)
{
    if (host_folder.empty()) {
        ui.tell(kNoHostFolderMessage, true);
        return InstallOutcome::NoHostFolder;
    }
    bool failed = false;
    for (std::size_t i = 0; i < kPluginTable.size(); ++i) {
        const PluginEntry& entry = kPluginTable[i];
        std::string target = host_folder + entry.file;
        if (ticked[i]) {
            if (!exists(target) && !copy_new(source_of(source_directory, entry.file), target)) {
                ui.tell(format("Unable to copy %s", entry.file), true);
                failed = true;
            }
        } else if (exists(target) && !remove(target)) {
            ui.tell(format("Unable to remove %s", entry.file), true);
            failed = true;
        }
    }
    if (failed) {
        ui.tell(kIncompleteMessage, true);
        return InstallOutcome::Incomplete;
    }
    ui.tell("Installation complete!", false);
    return InstallOutcome::Completed;
}

Ticks present_plugins(const std::string& host_folder)
{
    Ticks present{};
    if (host_folder.empty())
        return present;
    for (std::size_t i = 0; i < kPluginTable.size(); ++i)
        present[i] = exists(host_folder + kPluginTable[i].file);
    return present;
}

}  // namespace vyn::setup
