// plugsetup.exe under Wine: a fake host registered under the local machine,
// the dialog driven like a user would, and the files checked afterwards.
#include "common/winpath.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "testing/guidriver/gui_driver.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace gui = vyn::gui;
namespace winpath = vyn::winpath;
using vyn::platform::RegistryRoot;

constexpr const char* kAppPathKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Cubase.exe";
constexpr const char* kTitle = "Vyn Effects Collection";
constexpr int kTimeoutMs = 30000;
constexpr const char* kIncomplete =
    "Installation incomplete: the plug-ins named before could not be installed or removed. "
    "Close the programs that use them and press Install/Remove again.";

std::string bin_file(const std::string& name)
{
    return winpath::join(winpath::directory(vyn::platform::executable_path()), name);
}

std::string read_text(const std::string& path)
{
    auto bytes = vyn::platform::read_file(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<missing>");
}

void write_text(const std::string& path, const std::string& text)
{
    ASSERT_TRUE(vyn::platform::write_file_atomically(path, std::vector<std::uint8_t>(text.begin(), text.end())));
}

// Whether two files hold the same bytes (both must exist).
bool same_file(const std::string& a, const std::string& b)
{
    auto first = vyn::platform::read_file(a);
    auto second = vyn::platform::read_file(b);
    return first && second && *first == *second;
}

bool checked(HWND dialog, int id)
{
    return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// The message of a message box: the text of its one static control that has any.
std::string message_text(HWND box)
{
    for (HWND child : gui::find_children(box, "Static"))
        if (std::string text = gui::window_text(child); !text.empty())
            return text;
    return {};
}

/* Waits for the next "Install." message box of the program, returns its
   text and presses its OK button; waits until it has gone. */
std::string answer_message_box(DWORD process_id)
{
    HWND box = gui::wait_for_window_titled("Install.", process_id, kTimeoutMs);
    if (!box)
        return "<no message box>";
    gui::settle(box);
    std::string text = message_text(box);
    gui::post_command(box, IDOK);
    for (int i = 0; i < 300 && IsWindow(box); ++i)
        Sleep(20);
    return text;
}

// A scratch tree for one test: Host\ (with VSTPlugins\) and Setup\, the
// installer's working directory holding the plug-ins it ships.
class Plugsetup : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* tmp = std::getenv("VYN_TEST_TMP");
        root_ = winpath::join(tmp ? tmp : vyn::platform::temporary_directory(),
                              "plugsetup_" + std::to_string(GetCurrentProcessId()) + "_" +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        // Process ids repeat under Wine: start from an empty tree.
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
        plugins_ = winpath::join(root_, "Host\\VSTPlugins");
        setup_ = winpath::join(root_, "Setup");
        ASSERT_TRUE(vyn::platform::make_directories(plugins_));
        ASSERT_TRUE(vyn::platform::make_directories(setup_));
        registry_ = vyn::platform::open_registry();
        registry_->delete_key(RegistryRoot::LocalMachine, kAppPathKey);
    }
    void TearDown() override { registry_->delete_key(RegistryRoot::LocalMachine, kAppPathKey); }

    void ship(const std::string& built_dll)
    {
        ASSERT_TRUE(CopyFileA(bin_file(built_dll).c_str(), winpath::join(setup_, built_dll).c_str(), FALSE));
    }

    std::optional<gui::Program> start_installer()
    {
        return gui::Program::start("\"" + bin_file("plugsetup.exe") + "\"", setup_);
    }

    std::string root_, plugins_, setup_;
    std::unique_ptr<vyn::platform::Registry> registry_;
};

TEST_F(Plugsetup, InstallsTickedPluginsAndRemovesUntickedOnesFromTheHostFolderOnly)
{
    ASSERT_TRUE(registry_->write_string(RegistryRoot::LocalMachine, kAppPathKey, "",
                                        winpath::join(root_, "Host\\Cubase.exe")));
    write_text(winpath::join(plugins_, "delay.dll"), "delay installed earlier");
    write_text(winpath::join(plugins_, "chorus.dll"), "chorus installed earlier");
    ship("delay.dll");
    ship("Vodaruvezuz.dll");
    write_text(winpath::join(setup_, "chorus.dll"), "chorus shipped");

    auto program = start_installer();
    ASSERT_TRUE(program);
    HWND dialog = gui::wait_for_window_titled(kTitle, program->id(), kTimeoutMs);
    ASSERT_NE(dialog, nullptr);
    gui::settle(dialog);
    // Present plug-ins come up ticked.
    std::vector<bool> ticks;
    for (int id = 1000; id <= 1005; ++id)
        ticks.push_back(checked(dialog, id));
    EXPECT_EQ(ticks, (std::vector<bool>{true, false, true, false, false, false}));
    EXPECT_EQ(gui::window_text(GetDlgItem(dialog, 1)), "&Install/Remove");
    EXPECT_EQ(gui::window_text(GetDlgItem(dialog, 2)), "&Exit");

    // The user ticks Vodaruvezuz and Reverb (not shipped) and unticks Chorus.
    for (int id : {1001, 1002, 1004})
        SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
    gui::settle(dialog);
    EXPECT_TRUE(checked(dialog, 1001));
    EXPECT_FALSE(checked(dialog, 1002));
    EXPECT_TRUE(gui::save_screenshot(gui::screenshot_path("plugsetup_dialog.png")));

    gui::post_command(dialog, IDOK);
    EXPECT_EQ(answer_message_box(program->id()), "Unable to copy reverb.dll");
    EXPECT_EQ(answer_message_box(program->id()), kIncomplete);
    // A run with a failure leaves the dialog up, to try again or to exit.
    EXPECT_TRUE(IsWindow(dialog));
    gui::post_command(dialog, IDCANCEL);
    EXPECT_EQ(program->wait_exit(kTimeoutMs), static_cast<DWORD>(-1));

    EXPECT_EQ(read_text(winpath::join(plugins_, "delay.dll")), "delay installed earlier");
    EXPECT_TRUE(same_file(winpath::join(plugins_, "Vodaruvezuz.dll"), bin_file("Vodaruvezuz.dll")));
    EXPECT_FALSE(vyn::platform::file_exists(winpath::join(plugins_, "chorus.dll")));
    EXPECT_FALSE(vyn::platform::file_exists(winpath::join(plugins_, "reverb.dll")));
    EXPECT_EQ(read_text(winpath::join(setup_, "chorus.dll")), "chorus shipped");
    EXPECT_TRUE(same_file(winpath::join(setup_, "delay.dll"), bin_file("delay.dll")));
}

TEST_F(Plugsetup, APluginInUseIsReportedAndRemovedOnTheNextTry)
{
    ASSERT_TRUE(registry_->write_string(RegistryRoot::LocalMachine, kAppPathKey, "",
                                        winpath::join(root_, "Host\\Cubase.exe")));
    std::string chorus = winpath::join(plugins_, "chorus.dll");
    write_text(chorus, "chorus in use");
    write_text(winpath::join(plugins_, "reverb.dll"), "reverb installed earlier");
    // A host that has the plug-in loaded: open, and shared for reading only, so it cannot be deleted.
    HANDLE in_use = CreateFileA(chorus.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(in_use, INVALID_HANDLE_VALUE);

    auto program = start_installer();
    ASSERT_TRUE(program);
    HWND dialog = gui::wait_for_window_titled(kTitle, program->id(), kTimeoutMs);
    ASSERT_NE(dialog, nullptr);
    gui::settle(dialog);
    ASSERT_TRUE(checked(dialog, 1002));
    ASSERT_TRUE(checked(dialog, 1004));
    for (int id : {1002, 1004})
        SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
    gui::post_command(dialog, IDOK);
    EXPECT_EQ(answer_message_box(program->id()), "Unable to remove chorus.dll");
    EXPECT_EQ(answer_message_box(program->id()), kIncomplete);
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_EQ(read_text(chorus), "chorus in use");
    EXPECT_FALSE(vyn::platform::file_exists(winpath::join(plugins_, "reverb.dll")));

    // The host lets go of it; the same choice now completes.
    CloseHandle(in_use);
    gui::post_command(dialog, IDOK);
    EXPECT_EQ(answer_message_box(program->id()), "Installation complete!");
    EXPECT_EQ(program->wait_exit(kTimeoutMs), 0u);
    EXPECT_FALSE(vyn::platform::file_exists(chorus));
}

TEST_F(Plugsetup, WithoutARegisteredHostRefusesAndTouchesNoFile)
{
    ship("delay.dll");
    write_text(winpath::join(setup_, "chorus.dll"), "chorus shipped");

    auto program = start_installer();
    ASSERT_TRUE(program);
    HWND dialog = gui::wait_for_window_titled(kTitle, program->id(), kTimeoutMs);
    ASSERT_NE(dialog, nullptr);
    gui::settle(dialog);
    for (int id = 1000; id <= 1005; ++id)
        EXPECT_FALSE(checked(dialog, id)) << id;

    // Delay ticked, Chorus not: with the installer's directory as the target
    // this would delete its own chorus.dll.
    SendMessageW(GetDlgItem(dialog, 1000), BM_CLICK, 0, 0);
    gui::post_command(dialog, IDOK);
    std::string refusal = answer_message_box(program->id());
    EXPECT_NE(refusal.find("nothing was installed or removed"), std::string::npos) << refusal;
    EXPECT_TRUE(IsWindow(dialog));  // the dialog stays for Exit

    gui::post_command(dialog, IDCANCEL);
    EXPECT_EQ(program->wait_exit(kTimeoutMs), static_cast<DWORD>(-1));
    EXPECT_EQ(read_text(winpath::join(setup_, "chorus.dll")), "chorus shipped");
    EXPECT_TRUE(same_file(winpath::join(setup_, "delay.dll"), bin_file("delay.dll")));
}

TEST_F(Plugsetup, ExitLeavesEveryFileAlone)
{
    ASSERT_TRUE(registry_->write_string(RegistryRoot::LocalMachine, kAppPathKey, "",
                                        winpath::join(root_, "Host\\Cubase.exe")));
    write_text(winpath::join(plugins_, "chorus.dll"), "chorus installed earlier");
    ship("delay.dll");

    auto program = start_installer();
    ASSERT_TRUE(program);
    HWND dialog = gui::wait_for_window_titled(kTitle, program->id(), kTimeoutMs);
    ASSERT_NE(dialog, nullptr);
    gui::settle(dialog);
    EXPECT_TRUE(checked(dialog, 1002));
    SendMessageW(GetDlgItem(dialog, 1000), BM_CLICK, 0, 0);
    SendMessageW(GetDlgItem(dialog, 1002), BM_CLICK, 0, 0);
    gui::post_command(dialog, IDCANCEL);
    EXPECT_EQ(program->wait_exit(kTimeoutMs), static_cast<DWORD>(-1));
    EXPECT_EQ(read_text(winpath::join(plugins_, "chorus.dll")), "chorus installed earlier");
    EXPECT_FALSE(vyn::platform::file_exists(winpath::join(plugins_, "delay.dll")));
}

}  // namespace
