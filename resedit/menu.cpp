#include "resedit/menu.h"

#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "resedit/utf16.h"

namespace vyn::resedit {
namespace {

constexpr int kMaxDepth = 32;  // deeper nesting is not a menu anybody wrote

bool read_items(ByteReader& r, std::vector<MenuItem>& items, int depth)
{
    if (depth > kMaxDepth)
        return false;
    for (;;) {
        MenuItem item;
        std::uint16_t flags = r.u16();
        item.popup = (flags & MF_POPUP) != 0;
        item.options = flags & ~(MF_POPUP | MF_END);
        if (!item.popup)
            item.id = r.u16();
        item.text = read_utf16z(r);
        if (!r.ok())
            return false;
        if (item.popup && !read_items(r, item.items, depth + 1))
            return false;
        items.push_back(std::move(item));
        if (flags & MF_END)
            return true;
    }
}

void write_items(ByteWriter& w, const std::vector<MenuItem>& items)
{
    for (std::size_t i = 0; i < items.size(); ++i) {
        const MenuItem& item = items[i];
        std::uint16_t flags = item.options | (item.popup ? MF_POPUP : 0) | (i + 1 == items.size() ? MF_END : 0);
        w.u16(flags);
        if (!item.popup)
            w.u16(item.id);
        write_utf16z(w, item.text);
        if (item.popup)
            write_items(w, item.items);
    }
}

}  // namespace

std::optional<Menu> parse_menu(std::span<const std::uint8_t> data)
{
    ByteReader r(data);
    std::uint16_t version = r.u16();
    std::uint16_t header = r.u16();
    if (!r.ok() || version != 0 || !r.skip(header))
        return std::nullopt;
    Menu menu;
    if (!r.at_end() && !read_items(r, menu.items, 0))
        return std::nullopt;
    return menu;
}

std::vector<std::uint8_t> write_menu(const Menu& menu)
{
    ByteWriter w;
    w.u16(0);
    w.u16(0);
    write_items(w, menu.items);
    return w.release();
}

std::size_t count_menu_items(const std::vector<MenuItem>& items)
{
    std::size_t n = items.size();
    for (const MenuItem& item : items)
        n += count_menu_items(item.items);
    return n;
}

bool add_menu_item(Menu& menu, std::vector<MenuItem>& where, MenuItem item, Ui& ui)
{
    if (count_menu_items(menu.items) + 1 + count_menu_items(item.items) > kMaxMenuItems) {
        ui.message("Menu with more than 255 items!");
        return false;
    }
    where.push_back(std::move(item));
    return true;
}

}  // namespace vyn::resedit
