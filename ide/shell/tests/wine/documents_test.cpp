// The real tavra.exe under Wine keeping the user's documents: the end of the
// Windows session, naming a new document, and bookmarks in other windows.
#include <filesystem>
#include <thread>

#include "ide/command_ids.h"
#include "ide/shell/tests/wine/ide_fixture.h"

namespace vyn::shell::testing {
namespace {

// Asks the frame whether the session may end, as Windows does at log-off,
// from a thread of its own: the answer comes only after the user's.
class EndSessionQuery {
public:
    explicit EndSessionQuery(HWND frame)
        : thread_([this, frame] { answer_ = SendMessageW(frame, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF); })
    {
    }
    LRESULT answer()
    {
        thread_.join();
        return answer_;
    }

private:
    LRESULT answer_ = -1;
    std::thread thread_;
};

TEST_F(IdeSession, EndingTheSessionIsRefusedOnCancelAndOnAFailedSave)
{
    std::filesystem::create_directories(path("kept"));
    put_file(path("kept\\e.c"), "int e;\r\n");
    registry->write_string(HKCU, kTavraKey, "EditorFlags", "11");  // no backups
    auto program = start("\"" + path("kept\\e.c") + "\"");
    ASSERT_EQ(edit_windows().size(), 1u);
    gui::post_text(edit_windows()[0], "x");
    gui::settle(frame);

    EndSessionQuery cancelled(frame);
    HWND dialog = wait_for_dialog("Modified files", program.id());
    ASSERT_NE(dialog, nullptr);
    click(dialog, IDCANCEL);
    EXPECT_EQ(cancelled.answer(), FALSE);

    // The file's directory is gone, so "Save all" fails.
    std::filesystem::remove_all(path("kept"));
    EndSessionQuery failed(frame);
    dialog = wait_for_dialog("Modified files", program.id());
    ASSERT_NE(dialog, nullptr);
    click(dialog, IDC_SAVE_ALL);
    HWND message = wait_for_dialog("tavra", program.id());
    ASSERT_NE(message, nullptr);
    click(message, IDOK);
    EXPECT_EQ(failed.answer(), FALSE);
    EXPECT_TRUE(IsWindow(frame));
    EXPECT_EQ(edit_windows().size(), 1u);

    // Forget lets the session end, after which Windows ends the process.
    EndSessionQuery forgotten(frame);
    dialog = wait_for_dialog("Modified files", program.id());
    ASSERT_NE(dialog, nullptr);
    click(dialog, IDC_FORGET);
    EXPECT_EQ(forgotten.answer(), TRUE);
    program.terminate();
}

// Saving a new document asks for its name; cancelling saves nothing, and no
// file is ever named after the document's placeholder name.
TEST_F(IdeSession, AnUntitledDocumentIsSavedUnderTheNameTheUserGives)
{
    auto program = start("");
    gui::post_command(frame, CM_NEW);
    gui::settle(frame);
    HWND edit = nullptr;
    ASSERT_TRUE(gui::wait_until([&] { return (edit = edit_window_titled("untitled")) != nullptr; }));
    gui::post_text(edit, "int z;");
    gui::settle(frame);

    // Closing its window: "Yes" asks for the name, Cancel keeps the window.
    PostMessageW(edit, WM_CLOSE, 0, 0);
    HWND question = wait_for_dialog("tavra", program.id());
    ASSERT_NE(question, nullptr);
    click(question, IDYES);
    HWND save_as = wait_for_dialog("Save as", program.id());
    ASSERT_NE(save_as, nullptr);
    click(save_as, IDCANCEL);
    EXPECT_TRUE(gui::wait_until([&] { return !IsWindow(save_as); }));
    gui::settle(frame);
    EXPECT_TRUE(IsWindow(edit));
    EXPECT_FALSE(std::filesystem::exists(path("UNTITLED")));

    // Save asks for the name and writes there.
    gui::post_command(frame, CM_SAVE);
    save_as = wait_for_dialog("Save as", program.id());
    ASSERT_NE(save_as, nullptr);
    enter_file_name(save_as, "named.c");
    expect_file(path("named.c"), "int z;\r\n");
    EXPECT_TRUE(gui::wait_until([&] { return gui::window_text(edit) == "named.c"; })) << gui::window_text(edit);

    // "Save all" at exit asks for the name of a new document too; cancelling
    // it stops the exit.
    gui::post_command(frame, CM_NEW);
    gui::settle(frame);
    HWND second = nullptr;
    ASSERT_TRUE(gui::wait_until([&] { return (second = edit_window_titled("untitled")) != nullptr; }));
    gui::post_text(second, "int w;");
    gui::settle(frame);
    PostMessageW(frame, WM_CLOSE, 0, 0);
    HWND dialog = wait_for_dialog("Modified files", program.id());
    ASSERT_NE(dialog, nullptr);
    click(dialog, IDC_SAVE_ALL);
    save_as = wait_for_dialog("Save as", program.id());
    ASSERT_NE(save_as, nullptr);
    click(save_as, IDCANCEL);
    EXPECT_FALSE(program.wait_exit(1500));
    EXPECT_TRUE(IsWindow(frame));
    EXPECT_FALSE(std::filesystem::exists(path("UNTITLED")));

    PostMessageW(frame, WM_CLOSE, 0, 0);
    dialog = wait_for_dialog("Modified files", program.id());
    ASSERT_NE(dialog, nullptr);
    click(dialog, IDC_FORGET);
    EXPECT_EQ(program.wait_exit(30000), 0u);
    EXPECT_FALSE(std::filesystem::exists(path("UNTITLED")));
}

TEST_F(IdeSession, GotoBookmarkBringsTheBookmarksWindowForward)
{
    put_file(path("first.c"), "int a;\r\nint b;\r\n");
    put_file(path("second.c"), "int c;\r\n");
    auto program = start("\"" + path("first.c") + "\" \"" + path("second.c") + "\"");
    ASSERT_TRUE(gui::wait_until([&] { return edit_windows().size() == 2; }));
    gui::settle(frame);
    HWND first = edit_window_titled("first.c");
    HWND second = edit_window_titled("second.c");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    HWND client = gui::find_child(frame, "MDIClient");

    SendMessageW(client, WM_MDIACTIVATE, WPARAM(first), 0);
    ASSERT_EQ(active_edit_window(), first);
    // Sent, not posted: the activation below is sent too, and a thread takes
    // what is sent to it before what is posted.
    SendMessageW(first, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageW(frame, WM_COMMAND, CM_SET_BOOKMARK, 0);
    SendMessageW(client, WM_MDIACTIVATE, WPARAM(second), 0);
    gui::settle(frame);
    ASSERT_EQ(active_edit_window(), second);

    gui::post_command(frame, CM_GOTO_BOOKMARK);
    HWND dialog = wait_for_dialog("Bookmarks", program.id());
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(gui::list_box_lines(gui::find_child(dialog, "ListBox")),
              std::vector<std::string>{"FIRST.C(2): int b;"});
    click(dialog, IDOK);
    EXPECT_TRUE(gui::wait_until([&] { return active_edit_window() == first; }));

    // Typing goes to the bookmark's place in the window brought forward.
    gui::settle(frame);
    gui::post_text(first, "/*here*/");
    gui::post_command(frame, CM_SAVE);
    gui::settle(frame);
    expect_file(path("first.c"), "int a;\r\n/*here*/int b;\r\n");
    expect_file(path("second.c"), "int c;\r\n");
    PostMessageW(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.wait_exit(30000), 0u);
}

}  // namespace
}  // namespace vyn::shell::testing
