// Drives tavra.exe under Wine: a C source painted with coloured keywords,
// comments and a preprocessor line; Find, Find next and Replace with
// confirmation through the dialogs; the line and column in the status text.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/strings.h"
#include "common/winpath.h"
#include "ide/command_ids.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/tests/test_dirs.h"
#include "testing/guidriver/gui_driver.h"

namespace {

namespace gui = vyn::gui;
using vyn::platform::RegistryRoot;
constexpr RegistryRoot HKCU = RegistryRoot::CurrentUser;
const char kTavraKey[] = "Software\\vyn\\Tavra";

// Colours easy to tell from antialiased black text: keywords pure blue,
// comments pure green (COLORREF is 0x00BBGGRR).
constexpr long kKeywordColour = 0xFF0000;
constexpr long kCommentColour = 0x00C000;

std::string tavra_exe()
{
    return vyn::winpath::join(vyn::winpath::directory(vyn::platform::executable_path()), "tavra.exe");
}

std::string file_text(const std::string& path)
{
    auto bytes = vyn::platform::read_file(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<missing>";
}

bool bluish(std::uint32_t p)
{
    int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    return b > 150 && r < 100 && g < 100;
}

bool greenish(std::uint32_t p)
{
    int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    return g > 120 && r < 80 && b < 80;
}

// Rows of pixels [from, to) that hold a pixel for which test holds.
int count_rows_with(const gui::Capture& c, int from, int to, bool (*test)(std::uint32_t))
{
    int rows = 0;
    for (int y = from; y < std::min(to, c.height); ++y)
        for (int x = 0; x < c.width; ++x)
            if (test(c.at(x, y))) {
                ++rows;
                break;
            }
    return rows;
}

class SearchAndDisplay : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = vyn::testing::fresh_test_dir();
        registry = vyn::platform::open_registry();
        registry->delete_key(HKCU, kTavraKey);
        registry->write_string(HKCU, "Software\\vyn\\Compiler", "includepath", dir + "\\include");
        registry->write_string(HKCU, "Software\\vyn\\vynlnk", "libpath", dir + "\\lib");
        registry->write_string(HKCU, kTavraKey, "CurrentDir", dir);
        registry->write_string(HKCU, kTavraKey, "KeywordColor", std::to_string(kKeywordColour));
        registry->write_string(HKCU, kTavraKey, "CommentColor", std::to_string(kCommentColour));
    }

    std::string path(const char* name) const { return vyn::winpath::join(dir, name); }

    gui::Program start(const std::string& arguments)
    {
        auto program = gui::Program::start("\"" + tavra_exe() + "\" " + arguments, dir);
        EXPECT_TRUE(program);
        frame = gui::wait_for_window("clMDIFrame", program->id(), 30000);
        EXPECT_NE(frame, nullptr);
        gui::settle(frame);
        return std::move(*program);
    }

    HWND edit_window() { return gui::find_child(frame, "clMDIDocument"); }
    std::string status() { return gui::window_text(gui::find_child(frame, "TavraOutput")); }
    bool status_becomes(const std::string& expected)
    {
        return gui::wait_until([&] { return status() == expected; });
    }

    // Opens a dialog by command, fills the search text (and replacement), sets check boxes, presses OK.
    HWND open_dialog(WORD command, const char* title, DWORD process)
    {
        gui::post_command(frame, command);
        return gui::wait_for_window_titled(title, process, 10000);
    }

    std::string dir;
    std::unique_ptr<vyn::platform::Registry> registry;
    HWND frame = nullptr;
};

void press(HWND dialog, int button)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

void check(HWND dialog, int box, bool on)
{
    SendDlgItemMessageA(dialog, box, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

const char kSource[] =
    "#include <stdio.h>\r\n"
    "/* counts to one */\r\n"
    "int main(void)\r\n"
    "{\r\n"
    "    int count = 0;\r\n"
    "    count = count + 1;\r\n"
    "    return count;\r\n"
    "}\r\n";

TEST_F(SearchAndDisplay, ACSourceIsPaintedWithKeywordCommentAndPreprocessorColours)
{
    ASSERT_TRUE(vyn::platform::write_file_atomically(path("paint.c"), {kSource, kSource + sizeof kSource - 1}));
    auto program = start("\"" + path("paint.c") + "\"");
    HWND edit = edit_window();
    ASSERT_NE(edit, nullptr);
    SendMessageW(GetParent(edit), WM_MDIMAXIMIZE, WPARAM(edit), 0);
    SetForegroundWindow(frame);
    gui::settle(frame);
    RedrawWindow(edit, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    gui::settle(frame);
    gui::Capture shot = gui::capture_client(edit);
    gui::save_screenshot(gui::screenshot_path("tavra_colouring.png"));

    // The rows are found by their ink: the first row of pixels with any
    // non-white pixel starts line 1; lines are equally tall.
    int first_ink = -1, last_ink = -1;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x)
            if (shot.at(x, y) != 0xFFFFFF) {
                if (first_ink < 0)
                    first_ink = y;
                last_ink = y;
                break;
            }
    ASSERT_GE(first_ink, 0);
    int line_height = (last_ink - first_ink + 1 + 7) / 8;  // eight lines of text
    ASSERT_GT(line_height, 4);
    auto band = [&](int line) { return std::pair{first_ink + (line - 1) * line_height, first_ink + line * line_height}; };
    auto [l1, l1_end] = band(1);
    auto [l2, l2_end] = band(2);
    auto [l3, l3_end] = band(3);
    auto [l6, l6_end] = band(6);
    EXPECT_GT(count_rows_with(shot, l1, l1_end, bluish), 0) << "#include in the keyword colour";
    EXPECT_EQ(count_rows_with(shot, l1, l1_end, greenish), 0);
    EXPECT_GT(count_rows_with(shot, l2, l2_end, greenish), 0) << "the comment in the comment colour";
    EXPECT_EQ(count_rows_with(shot, l2, l2_end, bluish), 0);
    EXPECT_GT(count_rows_with(shot, l3, l3_end, bluish), 0) << "int and void in the keyword colour";
    EXPECT_EQ(count_rows_with(shot, l6, l6_end, bluish), 0) << "count = count + 1; has no keyword";

    PostMessageW(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.wait_exit(30000), 0u);
}

TEST_F(SearchAndDisplay, FindFindNextAndReplaceWithConfirmationThroughTheDialogs)
{
    ASSERT_TRUE(vyn::platform::write_file_atomically(path("find.c"), {kSource, kSource + sizeof kSource - 1}));
    auto program = start("\"" + path("find.c") + "\"");
    ASSERT_NE(edit_window(), nullptr);
    EXPECT_TRUE(status_becomes("1:1")) << status();

    HWND find = open_dialog(CM_FIND, "Search", program.id());
    ASSERT_NE(find, nullptr);
    SetDlgItemTextA(find, IDC_FIND_TEXT, "count");
    check(find, IDC_FORWARDS, true);
    check(find, IDC_BACKWARDS, false);
    check(find, IDC_WHOLE_WORDS, true);
    press(find, IDOK);
    EXPECT_TRUE(gui::wait_until([&] { return !IsWindow(find); }));
    EXPECT_TRUE(status_becomes("5:14")) << status();  // after "count" of "    int count = 0;"

    gui::post_command(frame, CM_FIND_NEXT);
    EXPECT_TRUE(status_becomes("6:10")) << status();
    gui::post_command(frame, CM_FIND_PREVIOUS);
    EXPECT_TRUE(status_becomes("5:9")) << status();  // backwards: the cursor at the match's start

    gui::post_command(frame, CM_TOP_OF_FILE);
    HWND replace = open_dialog(CM_REPLACE, "Search and replace", program.id());
    ASSERT_NE(replace, nullptr);
    SetDlgItemTextA(replace, IDC_FIND_TEXT, "count");
    SetDlgItemTextA(replace, IDC_REPLACE_TEXT, "total");
    check(replace, IDC_CONFIRM, true);
    check(replace, IDC_WHOLE_WORDS, true);
    press(replace, IDOK);
    // Four matches: yes to the first, no to the second, all for the rest.
    for (int answer : {IDYES, IDNO, IDC_ANSWER_ALL}) {
        HWND ask = gui::wait_for_window_titled("Replace", program.id(), 10000);
        ASSERT_NE(ask, nullptr);
        press(ask, answer);
        EXPECT_TRUE(gui::wait_until([&] { return !IsWindow(ask); }));
    }
    // The message box shares the frame's title; it stands above the frame.
    HWND told = nullptr;
    gui::wait_until([&] {
        told = gui::wait_for_window_titled("tavra", program.id(), 0);
        return told != nullptr && told != frame;
    });
    ASSERT_NE(told, nullptr);
    ASSERT_NE(told, frame);
    bool counted = false;
    for (HWND text : gui::find_children(told, "Static"))
        counted |= gui::window_text(text) == "3 substitutions";
    EXPECT_TRUE(counted);
    press(told, IDOK);
    gui::settle(frame);
    EXPECT_TRUE(gui::wait_until([&] { return gui::window_text(edit_window()).ends_with("*"); }));

    gui::post_command(frame, CM_SAVE);
    gui::settle(frame);
    EXPECT_TRUE(gui::wait_until([&] {
        return file_text(path("find.c")).find("    int total = 0;\r\n    count = total + 1;\r\n    return total;") !=
               std::string::npos;
    })) << file_text(path("find.c"));
    EXPECT_TRUE(gui::wait_until([&] { return !gui::window_text(edit_window()).ends_with("*"); }));

    HWND go = open_dialog(CM_GOTO, "Goto", program.id());
    ASSERT_NE(go, nullptr);
    SetDlgItemTextA(go, IDC_GOTO_LINE_NUMBER, "7");
    check(go, IDC_GOTO_START, false);
    check(go, IDC_GOTO_END, true);
    press(go, IDOK);
    EXPECT_TRUE(status_becomes("7:18")) << status();  // the end of "    return total;"

    PostMessageW(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.wait_exit(30000), 0u);
}

}  // namespace
