// Where the music host keeps its plug-ins, found from the program path it
// registered under the local machine's App Paths key.
#pragma once

#include "platform/registry.h"

#include <string>
#include <string_view>

namespace vyn::setup {

// The App Paths key of the host program, under HKEY_LOCAL_MACHINE.
inline constexpr const char* kHostAppPathKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Cubase.exe";
// The longest registered value accepted, in bytes with its NUL.
inline constexpr std::size_t kHostPathLimit = 260;

// The plug-in folder for a registered program path: the path cut at its last
// 'c' or 'C' (where the program's file name starts) and "VSTPlugins\" added.
std::string plugin_folder_for(std::string_view program_path);

// The host's plug-in folder with its trailing backslash, or "" when the key
// cannot be opened or read (or holds more than kHostPathLimit bytes).
std::string find_host_folder(platform::Registry& registry);

}  // namespace vyn::setup
