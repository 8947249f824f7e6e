// The custom control libraries the editor has loaded, kept in the settings
// as one text: the paths separated by ';'. A path is listed once, whatever
// the case of its letters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "resedit/dialog_editing.h"

namespace vyn::resedit {

std::vector<std::string> split_dll_list(const std::string& text);
std::string join_dll_list(const std::vector<std::string>& paths);
// False when the path is listed already.
bool add_dll(std::vector<std::string>& list, const std::string& path);
bool remove_dll(std::vector<std::string>& list, const std::string& path);

// The check of a library: it must name at least one control class.
inline constexpr char kNotCustomControlDll[] = "%s is not a valid custom control DLL.";

// A control class a library offers, with its defaults.
struct CustomClass {
    std::string name, description, text;
    int cx = 0, cy = 0;  // default size in dialog units
    std::uint32_t style = 0, ex_style = 0;
};

// Adds a custom control (kind 13) of the class at x, y with its default
// size (40 x 14 when it gives none), kept inside the dialog like any
// other; its index.
std::size_t add_custom_control(Dialog& d, const CustomClass& cls, int x, int y, const EditorSettings& s);

}  // namespace vyn::resedit
