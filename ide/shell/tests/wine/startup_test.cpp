// Starting the real tavra.exe under Wine: the names of the command line as
// the README's run command gives them, the directory that is current once
// they are open, and the first-run set-up.
#include <algorithm>
#include <filesystem>

#include "ide/command_ids.h"
#include "ide/shell/tests/wine/ide_fixture.h"
#include "platform/files.h"

namespace vyn::shell::testing {
namespace {

// The host's name of a Windows path, as a shell script on the host spells
// it; empty outside Wine.
std::string unix_name(const std::string& windows_path) { return vyn::platform::wine_host_name(windows_path); }

// tools/run-ide.sh starts the IDE in the checkout with the sample's host
// name, unquoted: "/.../samples/hello/hello.c", a name that starts at the
// root of the current drive.
TEST_F(IdeSession, TheRunCommandsHostPathOpensTheSample)
{
    std::filesystem::create_directories(path("samples\\hello"));
    put_file(path("samples\\hello\\hello.c"), "int main(void)\r\n{\r\n    return 0;\r\n}\r\n");
    std::string sample = unix_name(path("samples\\hello\\hello.c"));
    ASSERT_TRUE(sample.starts_with("/")) << sample;

    auto program = start(sample);
    EXPECT_TRUE(gui::wait_until([&] { return edit_windows().size() == 1; }));
    ASSERT_EQ(edit_windows().size(), 1u);
    EXPECT_EQ(gui::window_text(edit_windows()[0]), "samples\\hello\\hello.c");
    EXPECT_EQ(wait_for_dialog("tavra", program.id(), 0), nullptr) << "a message came up at start";

    gui::post_text(edit_windows()[0], "/* run */");
    gui::post_command(frame, CM_SAVE);
    gui::settle(frame);
    expect_file(path("samples\\hello\\hello.c"), "/* run */int main(void)\r\n{\r\n    return 0;\r\n}\r\n");
    PostMessageW(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.wait_exit(30000), 0u);
}

// The saved current directory is made current at start; once the files of
// the command line are open, the directory the IDE was started in is current
// again: window titles and the Open dialog are relative to it.
TEST_F(IdeSession, TheStartDirectoryIsCurrentAfterTheCommandLineFiles)
{
    std::filesystem::create_directories(path("saved"));
    registry->write_string(HKCU, kTavraKey, "CurrentDir", path("saved"));
    put_file(path("x.c"), "int x;\r\n");
    put_file(path("y.c"), "int y;\r\n");

    auto program = start("x.c");
    EXPECT_TRUE(gui::wait_until([&] { return edit_windows().size() == 1; }));
    ASSERT_EQ(edit_windows().size(), 1u);
    EXPECT_EQ(gui::window_text(edit_windows()[0]), "x.c");

    gui::post_command(frame, CM_OPEN);
    HWND dialog = wait_for_dialog("Open", program.id());
    ASSERT_NE(dialog, nullptr);
    enter_file_name(dialog, "y.c");
    EXPECT_TRUE(gui::wait_until([&] { return edit_window_titled("y.c") != nullptr; }));
    gui::settle(frame);

    // With no file opened, the saved directory stays current.
    PostMessageW(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.wait_exit(30000), 0u);
    auto again = start("missing*.c");
    EXPECT_TRUE(edit_windows().empty());
    gui::post_command(frame, CM_OPEN);
    dialog = wait_for_dialog("Open", again.id());
    ASSERT_NE(dialog, nullptr);
    put_file(path("saved\\z.c"), "int z;\r\n");
    enter_file_name(dialog, "z.c");
    EXPECT_TRUE(gui::wait_until([&] { return edit_window_titled("z.c") != nullptr; }));
    PostMessageW(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(again.wait_exit(30000), 0u);
}

// Without the vyn key the IDE asks for the compiler root; cancelling leaves
// it unconfigured, and the settings written at exit must not create the key,
// so that the next start asks again.
TEST_F(IdeSession, ACancelledFirstRunSetUpIsOfferedAgain)
{
    // A copy of the IDE in a directory with no include\windows.h above it,
    // so that the set-up has to ask.
    std::filesystem::create_directories(path("bin"));
    std::filesystem::copy_file(tavra_exe(), path("bin\\tavra.exe"));
    registry->delete_key(HKCU, "Software\\vyn");

    for (int start_number = 1; start_number <= 2; ++start_number) {
        auto program = gui::Program::start("\"" + path("bin\\tavra.exe") + "\"", dir);
        ASSERT_TRUE(program);
        HWND chooser = gui::wait_for_window("#32770", program->id(), 30000);
        ASSERT_NE(chooser, nullptr) << "start " << start_number << " did not offer the set-up";
        std::vector<std::string> texts = static_texts(chooser);
        EXPECT_NE(std::find(texts.begin(), texts.end(), "Enter path for the compiler root directory"), texts.end());
        click(chooser, IDCANCEL);
        frame = gui::wait_for_window("clMDIFrame", program->id(), 30000);
        ASSERT_NE(frame, nullptr);
        gui::settle(frame);
        PostMessageW(frame, WM_CLOSE, 0, 0);
        EXPECT_EQ(program->wait_exit(30000), 0u);
        EXPECT_FALSE(registry->key_exists(HKCU, "Software\\vyn"));
    }
    // What the other tests expect to find.
    registry->write_string(HKCU, "Software\\vyn\\Compiler", "includepath", dir + "\\include");
}

}  // namespace
}  // namespace vyn::shell::testing
