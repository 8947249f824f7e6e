// The output window and the user utilities under Wine, as a user meets them:
// a utility defined in its dialog, given the capture option, run with its
// Shift+F key, its output opened in the editor and the utility stored at
// exit; the output panel's top edge dragged, the list floated into its own
// window and docked back.
#include <windows.h>

#include <filesystem>

#include "ide/command_ids.h"
#include "ide/shell/tests/wine/ide_fixture.h"

namespace vyn::shell::testing {
namespace {

void set_text(HWND dialog, int id, const std::string& text)
{
    std::wstring wide(text.begin(), text.end());
    SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, LPARAM(wide.c_str()));
}

// A control's text as the control itself answers it (an edit control's
// text is not its window caption).
std::string control_text(HWND dialog, int id)
{
    wchar_t text[600] = {};
    SendMessageW(GetDlgItem(dialog, id), WM_GETTEXT, 600, LPARAM(text));
    std::string narrow;
    for (const wchar_t* c = text; *c; ++c)
        narrow += char(*c);
    return narrow;
}

RECT screen_rect(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

class OutputAndUtilities : public IdeSession {
protected:
    HWND panel() { return gui::find_child(frame, "TavraOutput"); }
    HWND list() { return GetDlgItem(panel(), IDC_OUTPUT_LIST); }
    HWND holder() { return reinterpret_cast<HWND>(SendMessageW(panel(), WM_OUTPUT_HOLDER, 0, 0)); }
    int panel_height() { RECT r = screen_rect(panel()); return r.bottom - r.top; }
    HWND edit_window_containing(const std::string& part)
    {
        for (HWND edit : edit_windows())
            if (gui::window_text(edit).find(part) != std::string::npos)
                return edit;
        return nullptr;
    }
};

TEST_F(OutputAndUtilities, AUtilityDefinedInItsDialogRunsWithShiftF1AndItsOutputOpens)
{
    auto program = start("");
    DWORD process = program.id();

    gui::post_command(frame, CM_CHANGE_UTILITY);  // none yet: a message, no dialog
    gui::settle(frame);
    EXPECT_EQ(gui::wait_for_window_titled("Change a utility", process, 500), nullptr);

    gui::post_command(frame, CM_ADD_UTILITY);
    HWND add = wait_for_dialog("Utility definition", process);
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(control_text(add, IDC_UTIL_KEY), "Shift+F1");
    EXPECT_FALSE(IsWindowEnabled(frame));
    set_text(add, IDC_UTIL_PROGRAM, "cmd.exe");
    set_text(add, IDC_UTIL_ARGS, "/c echo utility says $CURRENT_TEXT$done");
    click(add, IDOK);  // no menu entry yet: refused, the dialog stays
    HWND refusal = nullptr;
    ASSERT_TRUE(gui::wait_until([&] { return (refusal = wait_for_dialog("tavra", process, 0)) != nullptr; }));
    EXPECT_NE(vyn::join(static_texts(refusal), "|").find("Missing name"), std::string::npos);
    click(refusal, IDOK);
    gui::wait_until([&] { return !IsWindow(refusal); });
    ASSERT_TRUE(IsWindow(add));
    EXPECT_FALSE(IsWindowEnabled(frame)) << "the dialog stays modal after the refusal";
    set_text(add, IDC_UTIL_NAME, "Echo");
    gui::settle(add);
    Sleep(500);  // the dialog repaints once the message box above it has gone
    gui::save_screenshot(gui::screenshot_path("utility_add_dialog.png"));
    click(add, IDOK);
    ASSERT_TRUE(gui::wait_until([&] { return !IsWindow(add); }));

    // The capture and return-code options live in the Change dialog.
    gui::post_command(frame, CM_CHANGE_UTILITY);
    HWND change = wait_for_dialog("Change a utility", process);
    ASSERT_NE(change, nullptr);
    EXPECT_EQ(control_text(change, IDC_UTIL_KEY), "Shift+F1");
    EXPECT_EQ(control_text(change, IDC_UTIL_PROGRAM), "cmd.exe");
    EXPECT_EQ(control_text(change, IDC_UTIL_NAME), "Echo");
    SendMessageW(GetDlgItem(change, IDC_UTIL_SAVE), BM_SETCHECK, BST_CHECKED, 0);
    gui::save_screenshot(gui::screenshot_path("utility_change_dialog.png"));
    click(change, IDC_UTIL_CHANGE);
    ASSERT_TRUE(gui::wait_until([&] { return !IsWindow(change); }));

    // A new document with a word before the cursor, then Shift+F1.
    gui::post_command(frame, CM_NEW);
    gui::settle(frame);
    HWND edit = nullptr;
    ASSERT_TRUE(gui::wait_until([&] { return (edit = active_edit_window()) != nullptr; }));
    gui::post_text(edit, "hello");
    gui::settle(frame);
    gui::type_key(edit, VK_F1, false, true);
    HWND output = nullptr;
    ASSERT_TRUE(gui::wait_until([&] { return (output = edit_window_containing(".tmp")) != nullptr; }, 60000));
    std::string captured_name = gui::window_text(output);
    EXPECT_TRUE(gui::wait_until([&] { return file_text(captured_name).find("utility says hello done") != std::string::npos; }))
        << captured_name << ": " << file_text(captured_name);
    gui::settle(frame);
    Sleep(1500);
    gui::save_screenshot(gui::screenshot_path("utility_output.png"));

    PostMessageW(frame, WM_CLOSE, 0, 0);
    HWND modified = wait_for_dialog("Modified files", process);
    ASSERT_NE(modified, nullptr);
    click(modified, IDC_FORGET);
    program.wait_exit(30000);
    EXPECT_EQ(value("NumberOfUtilities"), "1");
    EXPECT_EQ(value("Util1Nickname"), "Echo");
    EXPECT_EQ(value("Util1Progname"), "cmd.exe");
    EXPECT_EQ(value("Util1ProgArgs"), "/c echo utility says $CURRENT_TEXT$done");
    EXPECT_EQ(value("Util1ID"), "1300");
    std::filesystem::remove(captured_name);
}

TEST_F(OutputAndUtilities, AStoredUtilityIsErasedInTheChangeDialog)
{
    registry->write_string(HKCU, kTavraKey, "NumberOfUtilities", "2");
    registry->write_string(HKCU, kTavraKey, "Util1Nickname", "First");
    registry->write_string(HKCU, kTavraKey, "Util1Progname", "one.exe");
    registry->write_string(HKCU, kTavraKey, "Util1ID", "1300");
    registry->write_string(HKCU, kTavraKey, "Util2Nickname", "Fourth");
    registry->write_string(HKCU, kTavraKey, "Util2Progname", "four.exe");
    registry->write_string(HKCU, kTavraKey, "Util2ID", "1303");
    auto program = start("");
    DWORD process = program.id();
    gui::post_command(frame, CM_CHANGE_UTILITY);
    HWND change = wait_for_dialog("Change a utility", process);
    ASSERT_NE(change, nullptr);
    HWND choices = GetDlgItem(change, IDC_UTIL_LIST);
    EXPECT_EQ(SendMessageW(choices, CB_GETCOUNT, 0, 0), 2);
    SendMessageW(choices, CB_SETCURSEL, 1, 0);
    PostMessageW(change, WM_COMMAND, MAKEWPARAM(IDC_UTIL_LIST, CBN_SELCHANGE), LPARAM(choices));
    EXPECT_TRUE(gui::wait_until([&] { return control_text(change, IDC_UTIL_KEY) == "Shift+F4"; }));
    EXPECT_EQ(control_text(change, IDC_UTIL_PROGRAM), "four.exe");
    click(change, IDC_UTIL_ERASE);
    ASSERT_TRUE(gui::wait_until([&] { return !IsWindow(change); }));

    // The freed slot is not the first free one: a new utility takes F2.
    gui::post_command(frame, CM_ADD_UTILITY);
    HWND add = wait_for_dialog("Utility definition", process);
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(control_text(add, IDC_UTIL_KEY), "Shift+F2");
    set_text(add, IDC_UTIL_NAME, "First");
    click(add, IDOK);
    HWND refusal = nullptr;
    ASSERT_TRUE(gui::wait_until([&] { return (refusal = wait_for_dialog("tavra", process, 0)) != nullptr; }));
    EXPECT_NE(vyn::join(static_texts(refusal), "|").find("Name already used"), std::string::npos);
    click(refusal, IDOK);
    gui::wait_until([&] { return !IsWindow(refusal); });
    click(add, IDCANCEL);
    ASSERT_TRUE(gui::wait_until([&] { return !IsWindow(add); }));

    PostMessageW(frame, WM_CLOSE, 0, 0);
    program.wait_exit(30000);
    EXPECT_EQ(value("NumberOfUtilities"), "1");
    EXPECT_EQ(value("Util1Nickname"), "First");
    EXPECT_EQ(value("Util1ID"), "1300");
}

TEST_F(OutputAndUtilities, ThePanelsTopEdgeDragsItsHeightAndTheListFloatsAndDocks)
{
    auto program = start("");
    DWORD process = program.id();
    ShowWindow(frame, SW_MAXIMIZE);
    gui::settle(frame);
    PostMessageW(panel(), WM_OUTPUT_OPEN, 0, 0);
    gui::settle(frame);
    ASSERT_TRUE(gui::wait_until([&] { return IsWindowVisible(list()); }));
    int opened = panel_height();
    RECT frame_client{};
    GetClientRect(frame, &frame_client);
    EXPECT_NEAR(opened, frame_client.bottom / 4, 2);

    // Held for a second on the edge, then dragged 120 pixels up.
    RECT before = screen_rect(panel());
    POINT from{(before.left + before.right) / 2, before.top + 1};
    POINT to{from.x, from.y - 120};
    gui::drag_mouse(frame, from, to, 1000);
    gui::settle(frame);
    EXPECT_TRUE(gui::wait_until([&] { return panel_height() == opened + 119; }))
        << "height " << panel_height() << " after dragging from " << opened;
    EXPECT_EQ(screen_rect(panel()).top, to.y);
    gui::save_screenshot(gui::screenshot_path("output_dragged.png"));
    int dragged = panel_height();

    // A press let go at once does not drag.
    RECT now = screen_rect(panel());
    gui::drag_mouse(frame, {from.x, now.top + 1}, {from.x, now.top - 80}, 0);
    gui::settle(frame);
    EXPECT_EQ(panel_height(), dragged);

    // A double click on the panel floats the list into "Output" over the
    // lower quarter of the frame; the panel keeps its bottom row only.
    RECT panel_rect = screen_rect(panel());
    PostMessageW(panel(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(panel_rect.right - panel_rect.left - 4, dragged - 3));
    HWND floating = wait_for_dialog("Output", process);
    ASSERT_NE(floating, nullptr);
    EXPECT_EQ(list(), nullptr) << "the list left the panel";
    EXPECT_EQ(holder(), floating);
    HWND floating_list = GetDlgItem(floating, IDC_OUTPUT_LIST);
    EXPECT_NE(floating_list, nullptr);
    RECT frame_rect = screen_rect(frame), float_rect = screen_rect(floating);
    EXPECT_EQ(float_rect.bottom, frame_rect.bottom);
    EXPECT_NEAR(float_rect.bottom - float_rect.top, (frame_rect.bottom - frame_rect.top) / 4, 1);
    EXPECT_TRUE(gui::wait_until([&] { return panel_height() < dragged / 2; }));
    gui::save_screenshot(gui::screenshot_path("output_floating.png"));

    // Closing the window docks the list back, open at its dragged height.
    PostMessageW(floating, WM_CLOSE, 0, 0);
    EXPECT_TRUE(gui::wait_until([&] { return !IsWindow(floating); }));
    EXPECT_TRUE(gui::wait_until([&] { return list() != nullptr && panel_height() == dragged; }));
    EXPECT_EQ(holder(), panel());

    // Message 8035 docks too; with 1 the list comes back open even when it was closed.
    PostMessageW(panel(), WM_COMMAND, MAKEWPARAM(IDC_OUTPUT_TOGGLE, BN_CLICKED), 0);
    PostMessageW(panel(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(40, 3));
    floating = wait_for_dialog("Output", process);
    ASSERT_NE(floating, nullptr);
    PostMessageW(panel(), WM_OUTPUT_DOCK, 1, 0);
    EXPECT_TRUE(gui::wait_until([&] { return !IsWindow(floating) && panel_height() == dragged; }));
    gui::save_screenshot(gui::screenshot_path("output_docked.png"));

    PostMessageW(frame, WM_CLOSE, 0, 0);
    program.wait_exit(30000);
}

// What is typed into the list goes to the current edit window.
TEST_F(OutputAndUtilities, KeysTypedInTheListReachTheEditWindow)
{
    auto program = start("");
    gui::post_command(frame, CM_NEW);
    gui::settle(frame);
    HWND edit = nullptr;
    ASSERT_TRUE(gui::wait_until([&] { return (edit = active_edit_window()) != nullptr; }));
    EXPECT_EQ(gui::window_text(edit), "untitled");
    PostMessageW(panel(), WM_OUTPUT_OPEN, 0, 0);
    gui::settle(frame);
    gui::post_text(list(), "x");
    gui::settle(frame);
    EXPECT_TRUE(gui::wait_until([&] { return gui::window_text(edit) == "untitled*"; })) << gui::window_text(edit);
    PostMessageW(frame, WM_CLOSE, 0, 0);
    HWND modified = wait_for_dialog("Modified files", program.id());
    ASSERT_NE(modified, nullptr);
    click(modified, IDC_FORGET);
    program.wait_exit(30000);
}

// The resource editor that can't be started is named in the IDE's own words.
TEST_F(OutputAndUtilities, AResourceEditorThatCantStartIsNamed)
{
    put_file(path("app.res"), "");
    auto program = start("");
    DWORD process = program.id();
    gui::post_command(frame, CM_RESOURCES);
    HWND chooser = wait_for_dialog("Open a resource file", process);
    ASSERT_NE(chooser, nullptr);
    enter_file_name(chooser, path("app.res"));
    HWND box = nullptr;
    ASSERT_TRUE(gui::wait_until([&] { return (box = wait_for_dialog("tavra", process, 0)) != nullptr; }));
    std::string expected = "Impossible to execute '" + dir + "\\bin\\tavrares.exe " + path("app.res") + "'";
    EXPECT_NE(vyn::join(static_texts(box), "|").find(expected), std::string::npos) << vyn::join(static_texts(box), "|");
    click(box, IDOK);
    PostMessageW(frame, WM_CLOSE, 0, 0);
    program.wait_exit(30000);
}

}  // namespace
}  // namespace vyn::shell::testing
