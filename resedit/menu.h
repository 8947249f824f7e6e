// Menu resources (the standard MENU template) as a tree of items.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "resedit/model.h"

namespace vyn::resedit {

// Item option bits as the template stores them.
constexpr std::uint16_t MF_GRAYED = 0x1, MF_INACTIVE = 0x2, MF_CHECKED = 0x8, MF_POPUP = 0x10,
                        MF_MENUBARBREAK = 0x20, MF_MENUBREAK = 0x40, MF_END = 0x80;
constexpr std::size_t kMaxMenuItems = 255;

struct MenuItem {
    std::string text;
    std::uint16_t id = 0;
    std::uint16_t options = 0;  // MF_* without MF_POPUP and MF_END
    std::vector<MenuItem> items;  // a popup's items
    bool popup = false;
    bool separator() const { return !popup && text.empty() && id == 0 && options == 0; }
};

struct Menu {
    std::vector<MenuItem> items;
};

// Nothing when the data is not a standard menu template (extended menus included).
std::optional<Menu> parse_menu(std::span<const std::uint8_t> data);
std::vector<std::uint8_t> write_menu(const Menu& menu);
std::size_t count_menu_items(const std::vector<MenuItem>& items);

// The menu editor's insertion: refuses with "Menu with more than 255 items!"
// when the menu would hold more than 255 items.
bool add_menu_item(Menu& menu, std::vector<MenuItem>& where, MenuItem item, Ui& ui);

}  // namespace vyn::resedit
