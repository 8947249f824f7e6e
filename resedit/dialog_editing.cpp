#include "resedit/dialog_editing.h"

#include <algorithm>
#include <cassert>

#include "resedit/default_styles.h"
#include "resedit/dialog_template.h"
#include "resedit/window_styles.h"

namespace vyn::resedit {

namespace {

constexpr std::uint32_t kChildVisible = kWsChild | kWsVisible;

struct KindRow {
    std::uint16_t kind;
    std::uint16_t ordinal;  // 0: named class
    const char* class_name;
    std::uint32_t style;
    const char* text;
    int cx, cy;             // 0: from the settings
};

// Base styles: the choices of the default styles setting are added to them.
const KindRow kKinds[] = {
    {kText, kClassStatic, nullptr, kChildVisible, "Text", 0, 0},
    {kEdit, kClassEdit, nullptr, kChildVisible, "", 0, 0},
    {kGroupbox, kClassButton, nullptr, kChildVisible | 0x7, "Group", 0, 0},
    {kButton, kClassButton, nullptr, kChildVisible, "Button", 40, 14},
    {kCheckbox, kClassButton, nullptr, kChildVisible | 0x2, "Check", 48, 10},
    {kRadiobutton, kClassButton, nullptr, kChildVisible | 0x4, "Radio", 48, 10},
    {kCombo, kClassComboBox, nullptr, kChildVisible | 0x2, "", 48, 40},
    {kList, kClassListBox, nullptr, kChildVisible | kWsBorder, "", 48, 40},
    {kHScroll, kClassScrollBar, nullptr, kChildVisible, "", 48, 10},
    {kVScroll, kClassScrollBar, nullptr, kChildVisible | 0x1, "", 10, 40},
    {kListview, 0, "SysListView32", kChildVisible | kWsBorder | 0x1, "", 60, 50},
    {kTree, 0, "SysTreeView32", kChildVisible | kWsBorder | 0x7, "", 60, 50},
    {kSpin, 0, "msctls_updown32", kChildVisible | 0x20, "", 10, 14},
    {kSlider, 0, "msctls_trackbar32", kChildVisible, "", 60, 15},
};

const KindRow* kind_row(std::uint16_t kind)
{
    for (const KindRow& row : kKinds)
        if (row.kind == kind)
            return &row;
    return nullptr;
}

int client_width(const Dialog& d) { return d.cx; }
int client_height(const Dialog& d) { return d.cy; }

void place(Dialog& d, Control& c, const Rect& r, const EditorSettings& s)
{
    set_control_rect(c, keep_inside(r, client_width(d), client_height(d), s));
}

}  // namespace

Rect control_rect(const Control& c) { return {c.x, c.y, c.x + c.cx, c.y + c.cy}; }

void set_control_rect(Control& c, const Rect& r)
{
    c.x = std::int16_t(r.left);
    c.y = std::int16_t(r.top);
    c.cx = std::int16_t(r.width());
    c.cy = std::int16_t(r.height());
}

std::optional<std::size_t> control_at(const Dialog& d, int x, int y)
{
    std::optional<std::size_t> best;
    long best_area = 0;
    for (std::size_t i = 0; i < d.controls.size(); ++i) {
        Rect r = control_rect(d.controls[i]);
        if (!r.contains(x, y))
            continue;
        long area = long(r.width()) * r.height();
        if (!best || area <= best_area) {
            best = i;
            best_area = area;
        }
    }
    return best;
}

void drag_selection(Dialog& d, const Selection& sel, unsigned grip, int dx, int dy, const EditorSettings& s)
{
    for (std::size_t i : sel) {
        assert(i < d.controls.size());
        Rect r = drag(control_rect(d.controls[i]), grip, dx, dy);
        if (grip & kGripBody)
            r = snap_to_grid(r, s);
        place(d, d.controls[i], r, s);
    }
}

void nudge_selection(Dialog& d, const Selection& sel, Arrow arrow, bool resize, const EditorSettings& s)
{
    int gx = std::max(1, int(s[kCxGrid])), gy = std::max(1, int(s[kCyGrid]));
    int dx = arrow == Arrow::Left ? -gx : arrow == Arrow::Right ? gx : 0;
    int dy = arrow == Arrow::Up ? -gy : arrow == Arrow::Down ? gy : 0;
    unsigned grip = resize ? unsigned(kGripRight | kGripBottom) : unsigned(kGripBody);
    for (std::size_t i : sel) {
        Rect r = drag(control_rect(d.controls[i]), grip, dx, dy);
        place(d, d.controls[i], r, s);
    }
}

bool can_add_kind(std::uint16_t kind) { return kind_row(kind) != nullptr; }

Control new_control(std::uint16_t kind, const EditorSettings& s)
{
    const KindRow* row = kind_row(kind);
    assert(row);
    Control c;
    c.kind = kind;
    if (row->ordinal) {
        c.window_class.is_ordinal = true;
        c.window_class.ordinal = row->ordinal;
    } else {
        c.window_class.text = row->class_name;
    }
    c.text.text = row->text;
    c.style = apply_default_styles(kind, row->style, std::uint32_t(s[kControlStyles]));
    // Black, the system's own colour, and "not set" leave texts without a colour of their own.
    if (kind == kText && s[kTextColor] > 0 && s[kTextColor] < 0x1000000)
        c.text_colour = std::uint32_t(s[kTextColor]);
    c.cx = std::int16_t(row->cx);
    c.cy = std::int16_t(row->cy);
    if (kind == kText) {
        c.cx = std::int16_t(s[kTextX]);
        c.cy = std::int16_t(s[kTextY]);
    } else if (kind == kEdit) {
        c.cx = std::int16_t(s[kEditX]);
        c.cy = std::int16_t(s[kEditY]);
    } else if (kind == kGroupbox) {
        c.cx = std::int16_t(s[kGroupX]);
        c.cy = std::int16_t(s[kGroupY]);
    }
    c.cx = std::max<std::int16_t>(c.cx, 1);
    c.cy = std::max<std::int16_t>(c.cy, 1);
    return c;
}

std::uint16_t unused_control_id(const Dialog& d)
{
    int highest = 999;
    for (const Control& c : d.controls)
        if (c.id != 0xFFFF)
            highest = std::max(highest, int(c.id));
    if (highest + 1 < 0xFFFF)
        return std::uint16_t(highest + 1);
    // Every id up to the top is taken by the largest: find a gap.
    for (std::uint16_t id = 1000;; ++id)
        if (std::none_of(d.controls.begin(), d.controls.end(), [id](const Control& c) { return c.id == id; }))
            return id;
}

std::size_t add_control(Dialog& d, std::uint16_t kind, int x, int y, const EditorSettings& s)
{
    Control c = new_control(kind, s);
    c.id = unused_control_id(d);
    Rect r{x, y, x + c.cx, y + c.cy};
    place(d, c, snap_to_grid(r, s), s);
    d.controls.push_back(std::move(c));
    return d.controls.size() - 1;
}

void delete_controls(Dialog& d, const Selection& sel)
{
    for (auto it = sel.rbegin(); it != sel.rend(); ++it)
        d.controls.erase(d.controls.begin() + std::ptrdiff_t(*it));
}

Selection duplicate_controls(Dialog& d, const Selection& sel, const EditorSettings& s)
{
    if (sel.empty())
        return {};
    int top = d.controls[sel.front()].y, bottom = top;
    std::vector<Control> copies;
    for (std::size_t i : sel) {
        top = std::min(top, int(d.controls[i].y));
        bottom = std::max(bottom, d.controls[i].y + d.controls[i].cy);
        copies.push_back(d.controls[i]);
    }
    return paste_controls(d, copies, 0, bottom - top + int(s[kYSpace]), s);
}

Selection paste_controls(Dialog& d, const std::vector<Control>& controls, int dx, int dy, const EditorSettings& s)
{
    Selection added;
    for (Control c : controls) {
        c.id = unused_control_id(d);
        c.symbol.clear();
        c.callback.clear();
        c.links.clear();
        Rect r = control_rect(c);
        r = drag(r, kGripBody, dx, dy);
        place(d, c, r, s);
        d.controls.push_back(std::move(c));
        added.push_back(d.controls.size() - 1);
    }
    return added;
}

namespace {

Rect bounds(const Dialog& d, const Selection& sel)
{
    Rect b = control_rect(d.controls[sel.front()]);
    for (std::size_t i : sel) {
        Rect r = control_rect(d.controls[i]);
        b = {std::min(b.left, r.left), std::min(b.top, r.top), std::max(b.right, r.right), std::max(b.bottom, r.bottom)};
    }
    return b;
}

void shift_all(Dialog& d, const Selection& sel, int dx, int dy, const EditorSettings& s)
{
    for (std::size_t i : sel)
        place(d, d.controls[i], drag(control_rect(d.controls[i]), kGripBody, dx, dy), s);
}

// Spreads the selection so the gaps between neighbours along one axis are equal.
void space_evenly(Dialog& d, Selection sel, bool horizontal, const EditorSettings& s)
{
    if (sel.size() < 3)
        return;
    auto low = [&](std::size_t i) { return horizontal ? d.controls[i].x : d.controls[i].y; };
    auto size = [&](std::size_t i) { return horizontal ? d.controls[i].cx : d.controls[i].cy; };
    std::sort(sel.begin(), sel.end(), [&](std::size_t a, std::size_t b) { return low(a) < low(b); });
    int first = low(sel.front()), last_end = low(sel.back()) + size(sel.back());
    int used = 0;
    for (std::size_t i : sel)
        used += size(i);
    int gap = (last_end - first - used) / int(sel.size() - 1);
    int at = first;
    for (std::size_t i : sel) {
        Rect r = control_rect(d.controls[i]);
        Rect moved = horizontal ? drag(r, kGripBody, at - r.left, 0) : drag(r, kGripBody, 0, at - r.top);
        place(d, d.controls[i], moved, s);
        at += size(i) + gap;
    }
}

void arrange_buttons(Dialog& d, const Selection& sel, bool row, const EditorSettings& s)
{
    int n = int(sel.size());
    if (row) {
        int widths = 0, height = 0;
        for (std::size_t i : sel) {
            widths += d.controls[i].cx;
            height = std::max<int>(height, d.controls[i].cy);
        }
        int free = d.cx - 2 * int(s[kXMargin]) - widths;
        int gap = std::clamp(n > 1 ? free / (n - 1) : 0, int(s[kXMinPushSpace]), int(s[kXMaxPushSpace]));
        int total = widths + gap * (n - 1);
        int x = (d.cx - total) / 2, y = d.cy - int(s[kYMargin]) - height;
        for (std::size_t i : sel) {
            Control& c = d.controls[i];
            place(d, c, {x, y, x + c.cx, y + c.cy}, s);
            x += c.cx + gap;
        }
        return;
    }
    int width = 0;
    for (std::size_t i : sel)
        width = std::max<int>(width, d.controls[i].cx);
    int x = d.cx - int(s[kXMargin]) - width, y = int(s[kYMargin]);
    for (std::size_t i : sel) {
        Control& c = d.controls[i];
        place(d, c, {x, y, x + c.cx, y + c.cy}, s);
        y += c.cy + int(s[kYPushSpace]);
    }
}

}  // namespace

void arrange_controls(Dialog& d, const Selection& sel, Arrange how, const EditorSettings& s,
                      std::optional<std::size_t> reference)
{
    if (sel.empty())
        return;
    if (!reference || std::find(sel.begin(), sel.end(), *reference) == sel.end())
        reference = sel.front();
    const Rect ref = control_rect(d.controls[*reference]);
    const Rect box = bounds(d, sel);
    for (std::size_t i : sel) {
        Control& c = d.controls[i];
        Rect r = control_rect(c);
        switch (how) {
        case Arrange::AlignLeft: r = drag(r, kGripBody, ref.left - r.left, 0); break;
        case Arrange::AlignTop: r = drag(r, kGripBody, 0, ref.top - r.top); break;
        case Arrange::AlignRight: r = drag(r, kGripBody, ref.right - r.right, 0); break;
        case Arrange::AlignBottom: r = drag(r, kGripBody, 0, ref.bottom - r.bottom); break;
        case Arrange::CenterControlsVertically:  // centres on the reference's vertical axis
            r = drag(r, kGripBody, (ref.left + ref.right) / 2 - (r.left + r.right) / 2, 0);
            break;
        case Arrange::CenterControlsHorizontally:  // centres on the reference's horizontal axis
            r = drag(r, kGripBody, 0, (ref.top + ref.bottom) / 2 - (r.top + r.bottom) / 2);
            break;
        case Arrange::SameWidth: r.right = r.left + ref.width(); break;
        case Arrange::SameHeight: r.bottom = r.top + ref.height(); break;
        case Arrange::SameSize:
            r.right = r.left + ref.width();
            r.bottom = r.top + ref.height();
            break;
        default: continue;
        }
        place(d, c, r, s);
    }
    switch (how) {
    case Arrange::CenterVertically: shift_all(d, sel, 0, (d.cy - box.height()) / 2 - box.top, s); break;
    case Arrange::CenterHorizontally: shift_all(d, sel, (d.cx - box.width()) / 2 - box.left, 0, s); break;
    case Arrange::SpaceHorizontally: space_evenly(d, sel, true, s); break;
    case Arrange::SpaceVertically: space_evenly(d, sel, false, s); break;
    case Arrange::ButtonsRow: arrange_buttons(d, sel, true, s); break;
    case Arrange::ButtonsColumn: arrange_buttons(d, sel, false, s); break;
    default: break;
    }
}

std::optional<int> button_guide_y(const Dialog& d, const EditorSettings& s)
{
    long offset = s[kUnderscoreYOffset];
    if (offset <= 0 || d.cy - offset < s[kYMargin])
        return std::nullopt;
    return int(d.cy - offset);
}

void fit_dialog_to_controls(Dialog& d, const EditorSettings& s)
{
    if (d.controls.empty())
        return;
    Selection all(d.controls.size());
    for (std::size_t i = 0; i < all.size(); ++i)
        all[i] = i;
    Rect b = bounds(d, all);
    d.cx = std::int16_t(std::max(b.right + int(s[kXMargin]), 1));
    d.cy = std::int16_t(std::max(b.bottom + int(s[kYMargin]), 1));
}

namespace {

constexpr std::uint32_t kCommandNotificationBits = 0xFFF;

bool notifies_by_flags(const Control& c) { return c.kind == kEdit || c.kind == kList || c.kind == kCombo; }

}  // namespace

std::uint32_t notifications_of(const Control& c)
{
    return notifies_by_flags(c) ? c.flags & kCommandNotificationBits : c.notify_mask;
}

void set_notifications(Control& c, std::uint32_t bits)
{
    if (notifies_by_flags(c))
        c.flags = (c.flags & ~kCommandNotificationBits) | (bits & kCommandNotificationBits);
    else
        c.notify_mask = bits;
}

std::size_t move_in_order(Dialog& d, std::size_t index, int delta)
{
    assert(index < d.controls.size());
    long target = std::clamp<long>(long(index) + delta, 0, long(d.controls.size()) - 1);
    Control moved = std::move(d.controls[index]);
    d.controls.erase(d.controls.begin() + std::ptrdiff_t(index));
    d.controls.insert(d.controls.begin() + target, std::move(moved));
    return std::size_t(target);
}

std::optional<std::string> check_dialog_name(const std::string& name)
{
    if (name.empty())
        return std::string("A name for the dialog must be entered.");
    if (name.find_first_of(" \t") != std::string::npos)
        return std::string("The dialog's name cannot contain blanks.");
    return std::nullopt;
}

Dialog new_dialog(std::uint16_t id, const std::string& name, long font_style)
{
    Dialog d;
    d.id = id;
    d.name = name;
    d.style = kWsPopup | kWsCaption | kWsSysMenu | kDsModalFrame | DS_SETFONT;
    d.cx = 160;
    d.cy = 100;
    d.caption = name;
    d.point_size = 8;
    d.face = "MS Sans Serif";
    // Only the extended template holds a font's weight and slant.
    if (font_style & (kFontStyleBold | kFontStyleItalic)) {
        d.extended = true;
        d.weight = font_style & kFontStyleBold ? 700 : 400;
        d.italic = font_style & kFontStyleItalic ? 1 : 0;
    }
    return d;
}

}  // namespace vyn::resedit
