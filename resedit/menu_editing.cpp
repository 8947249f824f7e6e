#include "resedit/menu_editing.h"

#include <algorithm>

namespace vyn::resedit {
namespace {

void collect_rows(const std::vector<MenuItem>& items, MenuPath& path, std::vector<MenuPath>& rows)
{
    for (std::size_t i = 0; i < items.size(); ++i) {
        path.push_back(i);
        rows.push_back(path);
        collect_rows(items[i].items, path, rows);
        path.pop_back();
    }
}

// The list holding the item at path, or null when path leads nowhere.
std::vector<MenuItem>* siblings_of(Menu& menu, const MenuPath& path)
{
    if (path.empty())
        return nullptr;
    std::vector<MenuItem>* list = &menu.items;
    for (std::size_t depth = 0; depth + 1 < path.size(); ++depth) {
        if (path[depth] >= list->size())
            return nullptr;
        list = &(*list)[path[depth]].items;
    }
    return path.back() < list->size() ? list : nullptr;
}

bool is_menu(const ResRecord& rec)
{
    return rec.type.is_ordinal && rec.type.ordinal == kResTypeMenu;
}

}  // namespace

std::vector<MenuPath> menu_rows(const Menu& menu)
{
    std::vector<MenuPath> rows;
    MenuPath path;
    collect_rows(menu.items, path, rows);
    return rows;
}

std::string menu_row_text(const Menu& menu, const MenuPath& path)
{
    const MenuItem* item = menu_item_at(const_cast<Menu&>(menu), path);
    if (!item)
        return {};
    std::string line(4 * (path.size() - 1), ' ');
    if (item->separator())
        return line + "----";
    if (item->popup)
        return line + "POPUP " + item->text;
    return line + item->text + "\t" + std::to_string(item->id);
}

MenuItem* menu_item_at(Menu& menu, const MenuPath& path)
{
    std::vector<MenuItem>* list = siblings_of(menu, path);
    return list ? &(*list)[path.back()] : nullptr;
}

std::optional<MenuPath> insert_menu_item(Menu& menu, const std::optional<MenuPath>& at, bool inside, MenuItem item,
                                         Ui& ui)
{
    MenuPath path;
    std::vector<MenuItem>* list = &menu.items;
    std::size_t index = menu.items.size();
    if (at && menu_item_at(menu, *at)) {
        MenuItem* target = menu_item_at(menu, *at);
        if (inside && target->popup) {
            path = *at;
            list = &target->items;
            index = list->size();
        } else {
            path.assign(at->begin(), at->end() - 1);
            list = siblings_of(menu, *at);
            index = at->back() + 1;
        }
    }
    // add_menu_item applies the limit; the item then moves to its place.
    if (!add_menu_item(menu, *list, std::move(item), ui))
        return std::nullopt;
    std::rotate(list->begin() + std::ptrdiff_t(index), list->end() - 1, list->end());
    path.push_back(index);
    return path;
}

bool remove_menu_item(Menu& menu, const MenuPath& path)
{
    std::vector<MenuItem>* list = siblings_of(menu, path);
    if (!list)
        return false;
    list->erase(list->begin() + std::ptrdiff_t(path.back()));
    return true;
}

std::optional<MenuPath> move_menu_item(Menu& menu, const MenuPath& path, int delta)
{
    std::vector<MenuItem>* list = siblings_of(menu, path);
    if (!list)
        return std::nullopt;
    long to = std::clamp<long>(long(path.back()) + delta, 0, long(list->size()) - 1);
    MenuItem item = std::move((*list)[path.back()]);
    list->erase(list->begin() + std::ptrdiff_t(path.back()));
    list->insert(list->begin() + to, std::move(item));
    MenuPath moved = path;
    moved.back() = std::size_t(to);
    return moved;
}

std::vector<std::size_t> menu_records(const ResFile& file)
{
    std::vector<std::size_t> records;
    for (std::size_t i = 0; i < file.records.size(); ++i)
        if (is_menu(file.records[i]))
            records.push_back(i);
    return records;
}

std::uint16_t free_menu_name(const ResFile& file)
{
    for (std::uint16_t name = 1; name != 0; ++name) {
        bool used = false;
        for (std::size_t i : menu_records(file))
            used = used || (file.records[i].name.is_ordinal && file.records[i].name.ordinal == name);
        if (!used)
            return name;
    }
    return 0;
}

}  // namespace vyn::resedit
