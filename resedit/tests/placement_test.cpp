#include "resedit/placement.h"

#include <gtest/gtest.h>

#include "resedit/dialog_editing.h"

namespace vyn::resedit {
namespace {

EditorSettings grid(int cx, int cy, int xm, int ym)
{
    EditorSettings s = EditorSettings::defaults();
    s[kCxGrid] = cx;
    s[kCyGrid] = cy;
    s[kXMargin] = xm;
    s[kYMargin] = ym;
    return s;
}

TEST(Placement, RoundingDownFollowsTheFloorAlsoBelowZero)
{
    EXPECT_EQ(round_down_to_grid(74, 4), 72);
    EXPECT_EQ(round_down_to_grid(72, 4), 72);
    EXPECT_EQ(round_down_to_grid(-5, 4), -8);
    EXPECT_EQ(round_down_to_grid(-8, 4), -8);
    EXPECT_EQ(round_down_to_grid(7, 0), 7);
}

TEST(Placement, ControlPastTheRightMarginEndsOnTheGridInside)
{
    // 20 wide, dragged so that its right edge passes a client width of 100.
    Rect r = keep_inside({85, 10, 105, 22}, 100, 80, grid(4, 1, 6, 6));
    EXPECT_EQ(r, (Rect{72, 10, 92, 22}));
}

TEST(Placement, ControlLeftOfTheMarginSnapsToTheMarginExactly)
{
    Rect r = keep_inside({-13, -2, 7, 10}, 100, 80, grid(4, 4, 6, 5));
    EXPECT_EQ(r, (Rect{6, 5, 26, 17}));
}

TEST(Placement, ControlWiderThanTheDialogEndsAtTheLeftMargin)
{
    Rect r = keep_inside({50, 10, 150, 20}, 100, 80, grid(1, 1, 6, 6));
    EXPECT_EQ(r.left, 6);
    EXPECT_EQ(r.width(), 100);
}

TEST(Placement, GripsAtCornersEdgesAndBody)
{
    Rect r{10, 10, 50, 30};
    EXPECT_EQ(grip_at(r, 10, 10, 1), unsigned(kGripLeft | kGripTop));
    EXPECT_EQ(grip_at(r, 50, 30, 1), unsigned(kGripRight | kGripBottom));
    EXPECT_EQ(grip_at(r, 30, 30, 1), unsigned(kGripBottom));
    EXPECT_EQ(grip_at(r, 50, 20, 1), unsigned(kGripRight));
    EXPECT_EQ(grip_at(r, 20, 15, 1), unsigned(kGripBody));
    EXPECT_EQ(grip_at(r, 70, 15, 1), unsigned(kGripNone));
    // Between handles an edge is not a grip.
    EXPECT_EQ(grip_at(r, 15, 10, 1), unsigned(kGripBody));
}

TEST(Placement, ResizingNeverInvertsARectangle)
{
    EXPECT_EQ(drag({10, 10, 50, 30}, kGripRight, -100, 0), (Rect{10, 10, 11, 30}));
    EXPECT_EQ(drag({10, 10, 50, 30}, kGripTop, 0, 100), (Rect{10, 29, 50, 30}));
    EXPECT_EQ(drag({10, 10, 50, 30}, kGripBody, 3, -4), (Rect{13, 6, 53, 26}));
}

}  // namespace
}  // namespace vyn::resedit
