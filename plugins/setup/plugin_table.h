// The plug-ins the installer offers: their library files and the ids of
// their check boxes in the dialog, in table order.
#pragma once

#include <array>

namespace vyn::setup {

struct PluginEntry {
    const char* file;  // library file name, found in the installer's directory
    int check_box;     // dialog control id
};

constexpr int kFirstCheckBox = 1000;
constexpr std::size_t kPluginCount = 6;

constexpr std::array<PluginEntry, kPluginCount> kPluginTable = {{
    {"delay.dll", 1000},
    {"Vodaruvezuz.dll", 1001},
    {"chorus.dll", 1002},
    {"flanger.dll", 1003},
    {"reverb.dll", 1004},
    {"tremolo.dll", 1005},
}};

using Ticks = std::array<bool, kPluginCount>;

}  // namespace vyn::setup
