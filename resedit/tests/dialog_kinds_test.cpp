#include "resedit/dialog_kinds.h"

#include <gtest/gtest.h>

#include "resedit/codegen.h"
#include "resedit/dialog_template.h"
#include "resedit/tests/test_support.h"

namespace vyn::resedit {
namespace {

using namespace testing;

const Control* by_text(const Dialog& d, const char* text)
{
    for (const Control& c : d.controls)
        if (!c.text.is_ordinal && c.text.text == text)
            return &c;
    return nullptr;
}

TEST(DialogKinds, UnfoldingDialogLinksItsButtonToTheFrame)
{
    Dialog d = unfolding_dialog(120, "IDD_MORE", EditorSettings::defaults());
    const Control* more = by_text(d, "&More >>");
    const Control* frame = by_text(d, "More");
    ASSERT_TRUE(more && frame);
    EXPECT_EQ(frame->kind, kGroupbox);
    EXPECT_EQ(more->links, std::vector<std::uint16_t>{frame->id});
    EXPECT_TRUE(more->flags & kCtlUnfoldsFrame);
    ASSERT_TRUE(by_text(d, "Cancel"));
    EXPECT_TRUE(by_text(d, "Cancel")->flags & kCtlCancel);
    // Everything lies inside the dialog, the frame below the buttons.
    for (const Control& c : d.controls)
        EXPECT_LE(c.x + c.cx, d.cx - 6) << c.text.text;
    EXPECT_GT(frame->y, more->y + more->cy);

    Project p;
    p.dialogs.push_back(d);
    RecordingUi ui;
    GeneratedFiles code = generate_code(p, ui);
    EXPECT_NE(code.c_file.find("ShowZoomed(" + std::to_string(frame->id) + ",hwnd);"), std::string::npos);
    EXPECT_NE(code.c_file.find("EndDialog(hwnd,0);"), std::string::npos);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(DialogKinds, PropertySheetHasATabControlAndChildPages)
{
    auto dialogs = property_sheet(200, "IDD_PROPS", 3, EditorSettings::defaults());
    ASSERT_EQ(dialogs.size(), 4u);
    const Dialog& sheet = dialogs[0];
    ASSERT_FALSE(sheet.controls.empty());
    const Control& tab = sheet.controls[0];
    EXPECT_EQ(tab.kind, kCommon16);
    EXPECT_EQ(tab.window_class.text, "SysTabControl32");
    for (int n = 1; n <= 3; ++n) {
        const Dialog& page = dialogs[std::size_t(n)];
        EXPECT_EQ(page.id, 200 + n);
        EXPECT_EQ(page.name, "IDD_PROPS_PAGE" + std::to_string(n));
        EXPECT_TRUE(page.flags & kDialogChildWindow);
        EXPECT_TRUE(page.style & 0x40000000);  // a child window
        // Each page fits the tab control's display area.
        EXPECT_GE(page.x, tab.x);
        EXPECT_LE(page.x + page.cx, tab.x + tab.cx);
        EXPECT_LE(page.y + page.cy, tab.y + tab.cy);
    }
    // The template round-trips; the generator writes the pages' creation functions.
    Dialog back;
    ASSERT_TRUE(parse_dialog_template(write_dialog_template(sheet), back));
    EXPECT_EQ(back.controls.size(), sheet.controls.size());
    Project p;
    p.dialogs = dialogs;
    RecordingUi ui;
    GeneratedFiles code = generate_code(p, ui);
    EXPECT_NE(code.h_file.find("int IDD_PROPS_PAGE1Create(HWND hwnd,HANDLE hInst,HFONT font)"), std::string::npos)
        << code.h_file;
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace vyn::resedit
