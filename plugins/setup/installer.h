// Installing and removing plug-ins in the host's plug-in folder: ticked
// entries are copied there unless present, unticked ones deleted from there.
#pragma once

#include "plugins/setup/plugin_table.h"

#include <string>

namespace vyn::setup {

// How the installer talks to its user (message boxes in the program,
// recorded messages in tests).
class InstallerUi {
public:
    virtual ~InstallerUi() = default;
    // A message with the caption "Install.", as an error or as plain news.
    virtual void tell(const std::string& text, bool error) = 0;
};

enum class InstallOutcome {
    Completed,     // every entry handled; "Installation complete!" was told
    Incomplete,    // a copy or a delete failed; each was told, then kIncompleteMessage
    NoHostFolder,  // refused before touching any file
};

inline constexpr const char* kInstallCaption = "Install.";
inline constexpr const char* kNoHostFolderMessage =
    "No music host is registered on this computer, so there is no plug-in folder: "
    "nothing was installed or removed.";
inline constexpr const char* kIncompleteMessage =
    "Installation incomplete: the plug-ins named before could not be installed or removed. "
    "Close the programs that use them and press Install/Remove again.";

/* Runs the table in order with target = host_folder + file name:
   - ticked: copied from source_directory (empty: the current directory) when
     the target does not exist, never overwriting; a failed copy is told as
     "Unable to copy <file>" and the run goes on;
   - unticked: the target is deleted when it exists; a failed delete (a
     plug-in in use stays where it is) is told as "Unable to remove <file>"
     and the run goes on.
   Then "Installation complete!" is told when every entry succeeded, and
   kIncompleteMessage when any failed. An empty host_folder would make every
   target the installer's own copy, so the run is refused instead. */
InstallOutcome install_remove(const std::string& host_folder, const Ticks& ticked, const std::string& source_directory,
                              InstallerUi& ui);

// Which table entries are present in host_folder (all false when it is empty).
Ticks present_plugins(const std::string& host_folder);

}  // namespace vyn::setup
