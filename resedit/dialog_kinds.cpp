#include "resedit/dialog_kinds.h"

#include "common/strings.h"
#include "resedit/dialog_editing.h"
#include "resedit/dialog_template.h"
#include "resedit/window_styles.h"

namespace vyn::resedit {
namespace {

constexpr std::uint16_t kIdOk = 1, kIdCancel = 2;

Control& button(Dialog& d, const char* text, std::uint16_t id, int x, int y, const EditorSettings& s)
{
    Control& c = d.controls[add_control(d, kButton, x, y, s)];
    c.text = {false, 0, text};
    c.x = std::int16_t(x);
    c.y = std::int16_t(y);
    c.cx = 50;
    c.cy = 14;
    if (id)
        c.id = id;
    return c;
}

}  // namespace

Dialog unfolding_dialog(std::uint16_t id, const std::string& name, const EditorSettings& s)
{
    Dialog d = new_dialog(id, name, s[kFontStyle]);
    d.cx = 220;
    d.cy = 150;
    Control& ok = button(d, "OK", kIdOk, 164, 6, s);
    ok.style |= kBsDefPushButton;
    button(d, "Cancel", kIdCancel, 164, 24, s).flags |= kCtlCancel;
    Control& frame = d.controls[add_control(d, kGroupbox, 6, 70, s)];
    frame.text = {false, 0, "More"};
    frame.x = 6;
    frame.y = 70;
    frame.cx = 208;
    frame.cy = 74;
    std::uint16_t frame_id = frame.id;
    Control& more = button(d, "&More >>", 0, 164, 42, s);
    more.flags |= kCtlUnfoldsFrame;
    more.links = {frame_id};
    return d;
}

std::vector<Dialog> property_sheet(std::uint16_t id, const std::string& name, int pages, const EditorSettings& s)
{
    std::vector<Dialog> out;
    Dialog sheet = new_dialog(id, name, s[kFontStyle]);
    sheet.cx = 250;
    sheet.cy = 190;
    Control& tab = sheet.controls[add_control(sheet, kText, 6, 6, s)];  // made a tab control below
    tab.kind = kCommon16;
    tab.window_class = {false, 0, "SysTabControl32"};
    tab.style = kWsChild | kWsVisible | kWsTabStop;
    tab.text = {false, 0, ""};
    tab.text_colour = kNoColour;
    tab.x = 6;
    tab.y = 6;
    tab.cx = 238;
    tab.cy = 158;
    Control& ok = button(sheet, "OK", kIdOk, 82, 170, s);
    ok.style |= kBsDefPushButton;
    button(sheet, "Cancel", kIdCancel, 138, 170, s).flags |= kCtlCancel;
    button(sheet, "&Apply", 0, 194, 170, s);
    out.push_back(sheet);
    for (int n = 1; n <= pages; ++n) {
        Dialog page = new_dialog(std::uint16_t(id + n), format("%s_PAGE%d", name.c_str(), n), s[kFontStyle]);
        page.style = kWsChild | kDsControl | kDs3dLook | DS_SETFONT;
        page.flags |= kDialogChildWindow;
        page.caption = format("Page %d", n);  // the tab's label
        // The tab's display area: inside its border, below the row of tabs.
        page.x = 10;
        page.y = 22;
        page.cx = 230;
        page.cy = 138;
        out.push_back(page);
    }
    return out;
}

}  // namespace vyn::resedit
