// The menu editor's operations on a menu tree. An item is addressed by its
// path: the indices from the top level down to it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "resedit/menu.h"
#include "resedit/res_file.h"

namespace vyn::resedit {

using MenuPath = std::vector<std::size_t>;

// Every item in display order (a popup before its items).
std::vector<MenuPath> menu_rows(const Menu& menu);
// The item's line in the editor's list: indented by depth, "POPUP " before a
// popup's text, the id after a tab, "----" for a separator.
std::string menu_row_text(const Menu& menu, const MenuPath& path);

MenuItem* menu_item_at(Menu& menu, const MenuPath& path);

// Inserts item after the one at `at` (at the end of the top level when there
// is none), or at the end of the popup at `at` when inside is true. The path
// of the new item, or nothing when the 255-item limit refused it.
std::optional<MenuPath> insert_menu_item(Menu& menu, const std::optional<MenuPath>& at, bool inside, MenuItem item,
                                         Ui& ui);
// Removes the item at path with everything under it.
bool remove_menu_item(Menu& menu, const MenuPath& path);

// Moves the item at path by delta places among its siblings (at most to
// either end); its new path, or nothing when path leads nowhere.
std::optional<MenuPath> move_menu_item(Menu& menu, const MenuPath& path, int delta);

// The menu records of a resource file, in file order.
std::vector<std::size_t> menu_records(const ResFile& file);
// The first name number from 1 that no menu of file uses.
std::uint16_t free_menu_name(const ResFile& file);

}  // namespace vyn::resedit
