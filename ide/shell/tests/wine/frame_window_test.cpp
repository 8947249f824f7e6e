// Starts the real tavra.exe under Wine and looks at its frame.
#include <gtest/gtest.h>

#include "common/winpath.h"
#include "platform/files.h"
#include "testing/guidriver/gui_driver.h"

namespace {

namespace gui = vyn::gui;

std::string tavra_exe()
{
    return vyn::winpath::join(vyn::winpath::directory(vyn::platform::executable_path()), "tavra.exe");
}

TEST(FrameWindow, ComesUpWithItsMdiClientAndClosesCleanly)
{
    auto program = gui::Program::start("\"" + tavra_exe() + "\"");
    ASSERT_TRUE(program) << "cannot start " << tavra_exe();
    HWND frame = gui::wait_for_window("clMDIFrame", program->id(), 30000);
    ASSERT_NE(frame, nullptr) << "no clMDIFrame window appeared";
    EXPECT_EQ(gui::window_text(frame), "tavra");
    EXPECT_NE(gui::find_child(frame, "MDIClient"), nullptr);
    gui::settle(frame);
    EXPECT_TRUE(gui::save_screenshot(gui::screenshot_path("tavra_first_window.png")));

    PostMessageW(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(program->wait_exit(30000), 0u);
    EXPECT_FALSE(IsWindow(frame));
}

}  // namespace
