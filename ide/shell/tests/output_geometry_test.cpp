// Where the output window's panel, its parts and its floating window go.
#include "ide/shell/output_geometry.h"

#include <gtest/gtest.h>

namespace {

using namespace vyn::shell;

TEST(OutputGeometry, ThePanelIsTallOnlyWhenOpenAndDocked)
{
    struct Case {
        unsigned flags;
        int expected;
    } cases[] = {
        {0, 22},
        {outputflag::open, 150},
        {outputflag::floating, 22},
        {outputflag::open | outputflag::floating, 22},
    };
    for (const Case& c : cases)
        EXPECT_EQ(panel_height(c.flags, 150, 22, 600), c.expected) << c.flags;
    EXPECT_EQ(panel_height(outputflag::open, 900, 22, 600), 600);  // never taller than the client area
    EXPECT_EQ(panel_height(0, 150, 22, -5), 0);
}

TEST(OutputGeometry, TheFirstOpenHeightIsAQuarterOfTheClientArea)
{
    EXPECT_EQ(first_open_height(800, 22), 200);
    EXPECT_EQ(first_open_height(100, 22), 44);  // a small frame still shows two rows' worth
}

TEST(OutputGeometry, TheFrameSplitsIntoTheMdiClientAboveAndThePanelBelow)
{
    FrameSplit split = split_frame(640, 480, 120);
    EXPECT_EQ(split.mdi_client, (PixelRect{0, 0, 640, 360}));
    EXPECT_EQ(split.panel, (PixelRect{0, 360, 640, 480}));
    EXPECT_EQ(split_frame(640, 100, 300).panel, (PixelRect{0, 0, 640, 100}));
}

TEST(OutputGeometry, DraggingFollowsTheMouseWithinLimits)
{
    // Panel bottom at 500 in a 500-pixel client area, closed height 22.
    EXPECT_EQ(dragged_height(300, 500, 22, 500), 200);
    EXPECT_EQ(dragged_height(490, 500, 22, 500), 44);              // at least twice the row
    EXPECT_EQ(dragged_height(5, 500, 22, 500), 500 - kMinimumMdiHeight);  // the edit windows keep some room
    EXPECT_EQ(dragged_height(-200, 500, 22, 30), 44);               // a tiny frame: the lower limit wins
    EXPECT_TRUE(in_grab_strip(0));
    EXPECT_TRUE(in_grab_strip(kGrabStrip - 1));
    EXPECT_FALSE(in_grab_strip(kGrabStrip));
    EXPECT_FALSE(in_grab_strip(-1));
}

TEST(OutputGeometry, TheFloatingWindowCoversTheLowerQuarterOfTheFrame)
{
    EXPECT_EQ(floating_rect({100, 50, 900, 850}), (PixelRect{100, 650, 900, 850}));
}

TEST(OutputGeometry, TheBottomRowHoldsTheToggleThePagesAndTheRunState)
{
    int names[] = {30, 40};
    PanelLayout open = panel_layout(400, 200, 22, true, names);
    EXPECT_EQ(open.list, (PixelRect{0, kGrabStrip, 400, 178}));
    EXPECT_EQ(open.toggle, (PixelRect{kButtonGap, 179, kButtonGap + kToggleWidth, 199}));
    ASSERT_EQ(open.pages.size(), 2u);
    EXPECT_EQ(open.pages[0].width(), 30 + 2 * kPageMargin);
    EXPECT_EQ(open.pages[1].left, open.pages[0].right + kButtonGap);
    EXPECT_EQ(open.pages[1].width(), 40 + 2 * kPageMargin);
    EXPECT_GT(open.run_state_left, open.pages[1].right);

    PanelLayout closed = panel_layout(400, 22, 22, false, names);
    EXPECT_EQ(closed.list, PixelRect{});
    EXPECT_EQ(closed.toggle.top, 1);
    EXPECT_EQ(closed.pages[0].left, open.pages[0].left);
}

}  // namespace
