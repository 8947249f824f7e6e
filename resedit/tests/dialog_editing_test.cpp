#include "resedit/dialog_editing.h"

#include <gtest/gtest.h>

#include "resedit/dialog_template.h"
#include "resedit/editor_commands.h"
#include "resedit/command_ids.h"

namespace vyn::resedit {
namespace {

Dialog sample()
{
    Dialog d = new_dialog(100, "IDD_TEST");
    EditorSettings s = EditorSettings::defaults();
    add_control(d, kGroupbox, 6, 6, s);   // 48 x 35
    add_control(d, kEdit, 10, 14, s);     // 32 x 12, inside the box
    add_control(d, kButton, 100, 70, s);  // 40 x 14
    return d;
}

TEST(DialogEditing, NewControlsTakeTheirSizesFromTheSettingsAndFreshIds)
{
    EditorSettings s = EditorSettings::defaults();
    s[kEditX] = 50;
    s[kEditY] = 13;
    Dialog d = new_dialog(100, "D");
    std::size_t a = add_control(d, kEdit, 20, 20, s);
    std::size_t b = add_control(d, kText, 20, 40, s);
    EXPECT_EQ(d.controls[a].cx, 50);
    EXPECT_EQ(d.controls[a].cy, 13);
    EXPECT_EQ(d.controls[b].cx, 20);
    EXPECT_EQ(d.controls[b].cy, 12);
    EXPECT_EQ(d.controls[a].id, 1000);
    EXPECT_EQ(d.controls[b].id, 1001);
    // The class and style give back the kind when the template is read again.
    for (std::uint16_t kind : {kText, kEdit, kGroupbox, kButton, kCheckbox, kRadiobutton, kCombo, kList,
                               kHScroll, kVScroll, kListview, kTree, kSpin, kSlider}) {
        Control c = new_control(kind, s);
        EXPECT_EQ(control_kind_of(c.window_class, c.style), kind) << kind;
    }
}

TEST(DialogEditing, AddedControlIsPlacedOnTheGridInsideTheMargins)
{
    EditorSettings s = EditorSettings::defaults();
    s[kCxGrid] = 4;
    s[kCyGrid] = 4;
    Dialog d = new_dialog(100, "D");  // 160 x 100
    std::size_t i = add_control(d, kButton, 150, 2, s);
    EXPECT_EQ(d.controls[i].x, 112);  // 160 - 6 - 40 = 114, down to 112
    EXPECT_EQ(d.controls[i].y, 6);
}

TEST(DialogEditing, HitTestPrefersTheInnerControl)
{
    Dialog d = sample();
    EXPECT_EQ(control_at(d, 12, 16), std::optional<std::size_t>(1));
    EXPECT_EQ(control_at(d, 8, 38), std::optional<std::size_t>(0));
    EXPECT_EQ(control_at(d, 150, 5), std::nullopt);
}

TEST(DialogEditing, DraggingMovesOnTheGridAndKeepsInside)
{
    Dialog d = sample();
    EditorSettings s = EditorSettings::defaults();
    s[kCxGrid] = 4;
    drag_selection(d, {1}, kGripBody, 7, 3, s);
    EXPECT_EQ(d.controls[1].x, 16);  // 17 down to 16
    EXPECT_EQ(d.controls[1].y, 17);
    drag_selection(d, {2}, kGripBody, 100, 0, s);
    EXPECT_EQ(d.controls[2].x, 112);  // 160 - 6 - 40 = 114, down to 112
    drag_selection(d, {2}, kGripRight | kGripBottom, 5, 2, s);
    EXPECT_EQ(d.controls[2].cx, 45);
    EXPECT_EQ(d.controls[2].cy, 16);
    EXPECT_EQ(d.controls[2].x, 108);  // pushed back left by the margin rule
}

TEST(DialogEditing, ArrowKeysMoveAndShiftArrowsResizeByOneGridStep)
{
    Dialog d = sample();
    EditorSettings s = EditorSettings::defaults();
    s[kCxGrid] = 2;
    s[kCyGrid] = 3;
    auto move = arrow_action(0x27, 0);
    ASSERT_TRUE(move);
    nudge_selection(d, {1}, move->arrow, move->resize, s);
    EXPECT_EQ(d.controls[1].x, 12);
    auto grow = arrow_action(0x28, kShift);
    ASSERT_TRUE(grow && grow->resize);
    nudge_selection(d, {1}, grow->arrow, grow->resize, s);
    EXPECT_EQ(d.controls[1].cy, 15);
    EXPECT_EQ(d.controls[1].y, 14);
    EXPECT_FALSE(arrow_action(0x27, kCtrl));
}

TEST(DialogEditing, DuplicatePlacesCopiesBelowWithNewIds)
{
    Dialog d = sample();
    EditorSettings s = EditorSettings::defaults();
    s[kYSpace] = 2;
    d.controls[1].symbol = "IDC_X";
    Selection copies = duplicate_controls(d, {1}, s);
    ASSERT_EQ(copies.size(), 1u);
    const Control& c = d.controls[copies[0]];
    EXPECT_EQ(c.y, 14 + 12 + 2);
    EXPECT_EQ(c.x, 10);
    EXPECT_NE(c.id, d.controls[1].id);
    EXPECT_TRUE(c.symbol.empty());
}

TEST(DialogEditing, DeleteRemovesEverySelectedControl)
{
    Dialog d = sample();
    delete_controls(d, {0, 2});
    ASSERT_EQ(d.controls.size(), 1u);
    EXPECT_EQ(d.controls[0].kind, kEdit);
}

TEST(DialogEditing, ArrangeAlignsOnTheFirstSelectedControl)
{
    Dialog d = sample();
    EditorSettings s = EditorSettings::defaults();
    arrange_controls(d, {1, 2}, Arrange::AlignLeft, s);
    EXPECT_EQ(d.controls[2].x, 10);
    arrange_controls(d, {2, 0}, Arrange::SameSize, s);
    EXPECT_EQ(d.controls[0].cx, 40);
    EXPECT_EQ(d.controls[0].cy, 14);
    arrange_controls(d, {2}, Arrange::CenterHorizontally, s);
    EXPECT_EQ(d.controls[2].x, 60);  // (160 - 40) / 2

    // The control the user selected first is the reference, whatever its
    // place in the order; one not in the selection is ignored.
    Dialog e = sample();
    arrange_controls(e, {1, 2}, Arrange::AlignTop, s, 2);
    EXPECT_EQ(e.controls[1].y, 70);
    EXPECT_EQ(e.controls[2].y, 70);
    arrange_controls(e, {1, 2}, Arrange::AlignLeft, s, 0);
    EXPECT_EQ(e.controls[2].x, 10);
}

TEST(DialogEditing, SpaceEvenlyEqualisesTheGaps)
{
    Dialog d = new_dialog(1, "D");
    EditorSettings s = EditorSettings::defaults();
    for (int x : {10, 30, 100})
        add_control(d, kText, x, 10, s);  // 20 wide
    arrange_controls(d, {0, 1, 2}, Arrange::SpaceHorizontally, s);
    EXPECT_EQ(d.controls[1].x, 55);  // gaps of 25
    EXPECT_EQ(d.controls[2].x, 100);
}

TEST(DialogEditing, ButtonsRowSitsAtTheBottomWithPushSpacing)
{
    Dialog d = new_dialog(1, "D");
    EditorSettings s = EditorSettings::defaults();
    add_control(d, kButton, 10, 10, s);
    add_control(d, kButton, 10, 30, s);
    arrange_controls(d, {0, 1}, Arrange::ButtonsRow, s);
    EXPECT_EQ(d.controls[0].y, 100 - 6 - 14);
    EXPECT_EQ(d.controls[1].y, d.controls[0].y);
    // The gap is capped by xMaxPushSpace (16) and the pair centred.
    EXPECT_EQ(d.controls[1].x - (d.controls[0].x + 40), 16);
    EXPECT_EQ(d.controls[0].x, (160 - 96) / 2);
}

TEST(DialogEditing, RedimensionFitsTheDialogAroundItsControls)
{
    Dialog d = sample();
    fit_dialog_to_controls(d, EditorSettings::defaults());
    EXPECT_EQ(d.cx, 140 + 6);
    EXPECT_EQ(d.cy, 84 + 6);
}

TEST(DialogEditing, DialogNamesMustBeGivenWithoutBlanks)
{
    EXPECT_EQ(check_dialog_name(""), "A name for the dialog must be entered.");
    EXPECT_EQ(check_dialog_name("IDD A"), "The dialog's name cannot contain blanks.");
    EXPECT_EQ(check_dialog_name("IDD_A"), std::nullopt);
}

TEST(DialogEditing, NotificationsLiveInTheFlagsOfCommandControls)
{
    Control edit = new_control(kEdit, EditorSettings::defaults());
    edit.flags = kCtlOwnInit | 0x2000;
    set_notifications(edit, 0x4);
    EXPECT_EQ(edit.flags, kCtlOwnInit | 0x2000 | 0x4);
    EXPECT_EQ(edit.notify_mask, 0u);
    EXPECT_EQ(notifications_of(edit), 0x4u);
    Control tree = new_control(kTree, EditorSettings::defaults());
    set_notifications(tree, 0x10002);
    EXPECT_EQ(tree.notify_mask, 0x10002u);
    EXPECT_EQ(tree.flags, 0u);
}

TEST(DialogEditing, HierarchyMovesAControlWithinTheOrder)
{
    Dialog d = sample();  // group, edit, button
    EXPECT_EQ(move_in_order(d, 2, -1), 1u);
    EXPECT_EQ(d.controls[1].kind, kButton);
    EXPECT_EQ(d.controls[2].kind, kEdit);
    EXPECT_EQ(move_in_order(d, 1, -5), 0u);
    EXPECT_EQ(d.controls[0].kind, kButton);
    EXPECT_EQ(move_in_order(d, 0, 9), 2u);
    EXPECT_EQ(d.controls[2].kind, kButton);
}

TEST(EditorCommands, ShortcutsGiveTheirCommands)
{
    EXPECT_EQ(command_for_key(0x71, 0), CMD_OPEN);
    EXPECT_EQ(command_for_key(0x72, 0), CMD_SAVE);
    EXPECT_EQ(command_for_key(0x2E, kShift), CMD_CUT);
    EXPECT_EQ(command_for_key('X', kCtrl), CMD_CUT);
    EXPECT_EQ(command_for_key(0x2D, kCtrl), CMD_COPY);
    EXPECT_EQ(command_for_key(0x2D, kShift), CMD_PASTE);
    EXPECT_EQ(command_for_key(0x2E, kCtrl), CMD_DELETE);
    EXPECT_EQ(command_for_key(0x73, 0), CMD_DUPLICATE);
    EXPECT_EQ(command_for_key(0x76, 0), CMD_REDIMENSION);
    EXPECT_EQ(command_for_key(0x77, 0), CMD_SYMBOLS);
    EXPECT_EQ(command_for_key('N', kCtrl | kShift), CMD_NEW_DIALOG);
    EXPECT_EQ(command_for_key('N', kCtrl), std::nullopt);
    EXPECT_EQ(command_for_key(0x78, kCtrl), CMD_GOTO_IDE);
    EXPECT_EQ(command_for_key('D', kCtrl), CMD_SELECT_DIALOG);
}

TEST(EditorCommands, SelectionCommandsAndPalette)
{
    EXPECT_TRUE(needs_selection(CMD_DUPLICATE));
    EXPECT_TRUE(needs_selection(CMD_ALIGN_LEFT));
    EXPECT_FALSE(needs_selection(CMD_PASTE));
    EXPECT_EQ(arrange_of(CMD_SPACE_V), Arrange::SpaceVertically);
    EXPECT_EQ(palette_kind(CMD_ADD_CONTROL + kEdit), std::optional<std::uint16_t>(kEdit));
    EXPECT_EQ(palette_kind(CMD_ADD_CONTROL + kIcon), std::nullopt);
    for (int command : {CMD_STRING_TABLE, CMD_SYMBOLS, CMD_OPEN_DLL, CMD_HELP_INDEX, CMD_ZOOM, CMD_SPACE_V,
                        CMD_ADD_CONTROL + kCustom})
        EXPECT_TRUE(command_available(command)) << command;
    for (int command : {0, 7005, CMD_ADD_CONTROL + kLastControlKind + 1})
        EXPECT_FALSE(command_available(command)) << command;
}

}  // namespace
}  // namespace vyn::resedit
