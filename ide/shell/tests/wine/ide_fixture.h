// What the Wine tests of the IDE share: the path of tavra.exe, files in a
// fresh directory, a configured registry, starting the IDE and finding its
// windows and dialogs.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/strings.h"
#include "common/winpath.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/tests/test_dirs.h"
#include "testing/guidriver/gui_driver.h"

namespace vyn::shell::testing {

namespace gui = vyn::gui;
using vyn::platform::RegistryRoot;
inline constexpr RegistryRoot HKCU = RegistryRoot::CurrentUser;
inline constexpr char kTavraKey[] = "Software\\vyn\\Tavra";

inline std::string tavra_exe()
{
    return vyn::winpath::join(vyn::winpath::directory(vyn::platform::executable_path()), "tavra.exe");
}

inline std::string file_text(const std::string& path)
{
    auto bytes = vyn::platform::read_file(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<missing>";
}

// Checks a file's bytes, giving a slow (loaded) machine ten seconds to write them.
inline void expect_file(const std::string& path, const std::string& expected)
{
    gui::wait_until([&] { return file_text(path) == expected; });
    EXPECT_EQ(file_text(path), expected) << path;
}

inline void put_file(const std::string& path, const std::string& text)
{
    ASSERT_TRUE(vyn::platform::write_file_atomically(path, {text.begin(), text.end()}));
}

// A dialog or message box of the process whose caption is title, polled for
// up to timeout_ms; the frame, whose caption may be the same, is never it.
inline HWND wait_for_dialog(const std::string& title, DWORD process, int timeout_ms = 10000)
{
    HWND found = nullptr;
    gui::wait_until(
        [&] {
            found = gui::wait_for_window("#32770", process, 0);
            return found && gui::window_text(found) == title;
        },
        timeout_ms);
    return found && gui::window_text(found) == title ? found : nullptr;
}

// The texts of a dialog's static controls (a message box's message among them).
inline std::vector<std::string> static_texts(HWND dialog)
{
    std::vector<std::string> texts;
    for (HWND text : gui::find_children(dialog, "Static"))
        texts.push_back(gui::window_text(text));
    return texts;
}

inline void click(HWND dialog, int button)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

// Types a name into the file name box of a file dialog and presses its OK
// button, once the box holds the name.
inline void enter_file_name(HWND dialog, const std::string& name)
{
    HWND box = gui::find_child(dialog, "Edit");
    ASSERT_NE(box, nullptr);
    gui::post_text(box, name);
    EXPECT_TRUE(gui::wait_until([&] {
        wchar_t text[MAX_PATH] = {};
        SendMessageW(box, WM_GETTEXT, MAX_PATH, LPARAM(text));
        return std::wstring(text) == std::wstring(name.begin(), name.end());
    }));
    click(dialog, IDOK);
}

class IdeSession : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = vyn::testing::fresh_test_dir();
        registry = vyn::platform::open_registry();
        registry->delete_key(HKCU, kTavraKey);
        // A configured compiler root, so that no first-run question comes up.
        registry->write_string(HKCU, "Software\\vyn\\Compiler", "includepath", dir + "\\include");
        registry->write_string(HKCU, "Software\\vyn\\vynlnk", "libpath", dir + "\\lib");
        registry->write_string(HKCU, kTavraKey, "CurrentDir", dir);
    }

    std::string path(const char* name) const { return vyn::winpath::join(dir, name); }
    std::optional<std::string> value(const char* name) { return registry->read_string(HKCU, kTavraKey, name); }

    gui::Program start(const std::string& arguments, const std::string& exe = tavra_exe())
    {
        auto program = gui::Program::start("\"" + exe + "\" " + arguments, dir);
        EXPECT_TRUE(program);
        frame = gui::wait_for_window("clMDIFrame", program->id(), 30000);
        EXPECT_NE(frame, nullptr);
        // Start-up is over once the program has emptied its queue and the
        // window system has made the frame the active window; a late
        // activation would otherwise land in the middle of a test.
        EXPECT_TRUE(program->wait_idle(30000));
        gui::wait_until([&] { return GetForegroundWindow() == frame; }, 5000);
        gui::settle(frame);
        return std::move(*program);
    }

    std::vector<HWND> edit_windows() { return gui::find_children(frame, "clMDIDocument"); }
    HWND edit_window_titled(const std::string& title)
    {
        for (HWND edit : edit_windows())
            if (gui::window_text(edit) == title)
                return edit;
        return nullptr;
    }
    HWND active_edit_window()
    {
        HWND client = gui::find_child(frame, "MDIClient");
        return client ? reinterpret_cast<HWND>(SendMessageW(client, WM_MDIGETACTIVE, 0, 0)) : nullptr;
    }

    std::string dir;
    std::unique_ptr<vyn::platform::Registry> registry;
    HWND frame = nullptr;
};

}  // namespace vyn::shell::testing
