// The Arrange menu's picture items: each command shows a small drawing of
// what it does to two or three controls, then its name. The items are
// owner-drawn; their names stay in the menu resource and are kept here.
#include "resedit/win32/app.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <string>

#include "resedit/command_ids.h"

namespace vyn::resedit::win32 {

namespace {

constexpr int kCell = 16;      // the drawing's grid, scaled to the item's height
constexpr int kTextGap = 8;

struct Box {
    int x, y, w, h;
};

struct Picture {
    int command;
    Box boxes[3];
    int box_count;
    Box guide;        // a line (w or h of 0), or a frame around the drawing (both set)
};

// Guides: a border line for the alignments, the common axis for the
// centring of controls, the dialog's frame for the rest.
constexpr Box kFrame{0, 0, kCell, kCell};
constexpr Box kNone{0, 0, 0, 0};

const Picture kPictures[] = {
    {CMD_ALIGN_LEFT, {{2, 3, 10, 3}, {2, 9, 6, 3}}, 2, {2, 1, 0, 14}},
    {CMD_ALIGN_TOP, {{3, 2, 3, 10}, {9, 2, 3, 6}}, 2, {1, 2, 14, 0}},
    {CMD_ALIGN_RIGHT, {{3, 3, 10, 3}, {7, 9, 6, 3}}, 2, {13, 1, 0, 14}},
    {CMD_ALIGN_BOTTOM, {{3, 3, 3, 10}, {9, 7, 3, 6}}, 2, {1, 13, 14, 0}},
    {CMD_CENTER_CTLS_V, {{3, 2, 10, 4}, {5, 9, 6, 4}}, 2, {8, 1, 0, 14}},
    {CMD_CENTER_CTLS_H, {{2, 3, 4, 10}, {9, 5, 4, 6}}, 2, {1, 8, 14, 0}},
    {CMD_CENTER_V, {{2, 6, 6, 4}}, 1, kFrame},
    {CMD_CENTER_H, {{6, 2, 4, 6}}, 1, kFrame},
    {CMD_SPACE_H, {{1, 5, 3, 6}, {6, 5, 3, 6}, {11, 5, 3, 6}}, 3, kNone},
    {CMD_SPACE_V, {{5, 1, 6, 3}, {5, 6, 6, 3}, {5, 11, 6, 3}}, 3, kNone},
    {CMD_SAME_WIDTH, {{3, 3, 10, 3}, {3, 9, 10, 4}}, 2, kNone},
    {CMD_SAME_HEIGHT, {{3, 3, 3, 10}, {9, 3, 4, 10}}, 2, kNone},
    {CMD_SAME_SIZE, {{2, 2, 5, 5}, {9, 9, 5, 5}}, 2, kNone},
    {CMD_BUTTONS_ROW, {{2, 11, 5, 3}, {9, 11, 5, 3}}, 2, kFrame},
    {CMD_BUTTONS_COLUMN, {{11, 2, 3, 5}, {11, 9, 3, 5}}, 2, kFrame},
};

std::map<int, std::string> g_names;  // the items' names, by command

const Picture* picture_of(int command)
{
    for (const Picture& p : kPictures)
        if (p.command == command)
            return &p;
    return nullptr;
}

RECT scaled(const Box& b, const RECT& area)
{
    int side = area.bottom - area.top;
    auto at = [&](int v) { return v * side / kCell; };
    return {area.left + at(b.x), area.top + at(b.y), area.left + at(b.x + b.w), area.top + at(b.y + b.h)};
}

void draw_picture(HDC dc, const Picture& p, const RECT& area, bool grey)
{
    HBRUSH fill = GetSysColorBrush(grey ? COLOR_GRAYTEXT : COLOR_HIGHLIGHT);
    HBRUSH ink = GetSysColorBrush(grey ? COLOR_GRAYTEXT : COLOR_MENUTEXT);
    if (p.guide.w && p.guide.h) {
        RECT frame = scaled(p.guide, area);
        FrameRect(dc, &frame, ink);
    } else if (p.guide.w || p.guide.h) {
        RECT line = scaled(p.guide, area);
        line.right = std::max(line.right, line.left + 1);
        line.bottom = std::max(line.bottom, line.top + 1);
        FillRect(dc, &line, ink);
    }
    for (int i = 0; i < p.box_count; ++i) {
        RECT r = scaled(p.boxes[i], area);
        FillRect(dc, &r, fill);
        FrameRect(dc, &r, ink);
    }
}

// The font menus are written in.
HFONT menu_font()
{
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    return CreateFontIndirectA(&metrics.lfMenuFont);
}

}  // namespace

void make_arrange_pictures(HMENU menu)
{
    for (const Picture& p : kPictures) {
        char text[128] = {};
        if (!GetMenuStringA(menu, UINT(p.command), text, sizeof text, MF_BYCOMMAND))
            continue;
        g_names[p.command] = text;
        ModifyMenuA(menu, UINT(p.command), MF_BYCOMMAND | MF_OWNERDRAW, UINT_PTR(p.command),
                    reinterpret_cast<LPCSTR>(INT_PTR(p.command)));
    }
}

bool measure_arrange_item(MEASUREITEMSTRUCT& item)
{
    if (item.CtlType != ODT_MENU || !picture_of(int(item.itemID)))
        return false;
    HDC dc = GetDC(app().frame);
    HFONT font = menu_font();
    HGDIOBJ old = SelectObject(dc, font);
    const std::string& name = g_names[int(item.itemID)];
    SIZE size{};
    GetTextExtentPoint32A(dc, name.c_str(), int(name.size()), &size);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(app().frame, dc);
    int side = std::max(kCell + 4, int(size.cy) + 6);
    item.itemHeight = UINT(side);
    item.itemWidth = UINT(side + kTextGap + size.cx + kTextGap);
    return true;
}

bool draw_arrange_item(const DRAWITEMSTRUCT& item)
{
    const Picture* p = item.CtlType == ODT_MENU ? picture_of(int(item.itemID)) : nullptr;
    if (!p)
        return false;
    bool selected = item.itemState & ODS_SELECTED, grey = item.itemState & (ODS_GRAYED | ODS_DISABLED);
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
    int side = item.rcItem.bottom - item.rcItem.top;
    RECT picture{item.rcItem.left + 2, item.rcItem.top + 2, item.rcItem.left + side - 2, item.rcItem.bottom - 2};
    if (selected) {
        RECT back = picture;
        FillRect(item.hDC, &back, GetSysColorBrush(COLOR_MENU));
    }
    draw_picture(item.hDC, *p, picture, grey);

    HFONT font = menu_font();
    HGDIOBJ old = SelectObject(item.hDC, font);
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(grey ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    RECT text = item.rcItem;
    text.left += side + kTextGap;
    const std::string& name = g_names[int(item.itemID)];
    DrawTextA(item.hDC, name.c_str(), int(name.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    SelectObject(item.hDC, old);
    DeleteObject(font);
    return true;
}

}  // namespace vyn::resedit::win32
