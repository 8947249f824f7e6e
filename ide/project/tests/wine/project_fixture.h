// What the project tests under Wine share: the win64 kit as the compiler
// root, the results list, and answering the IDE's dialogs.
#pragma once

#include <windows.h>

#include <filesystem>

#include "ide/command_ids.h"
#include "ide/shell/tests/wine/ide_fixture.h"
#include "platform/files.h"

namespace vyn::shell::testing {

// The host's name of a Windows path; empty outside Wine.
inline std::string unix_name(const std::string& windows_path) { return vyn::platform::wine_host_name(windows_path); }

// build/win64/bin -> build/win64/kit, and the native emulator beside it.
inline std::string build_dir() { return vyn::winpath::directory(vyn::winpath::directory(tavra_exe())); }
inline std::string kit_root() { return vyn::winpath::join(build_dir(), "kit"); }
inline std::string emulator()
{
    return vyn::winpath::join(vyn::winpath::directory(build_dir()), "native\\bin\\vyni386");
}

inline void set_text(HWND dialog, int id, const std::string& text)
{
    std::wstring wide(text.begin(), text.end());
    SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, LPARAM(wide.c_str()));
}

class KitSession : public IdeSession {
protected:
    void SetUp() override
    {
        IdeSession::SetUp();
        if (!std::filesystem::exists(kit_root() + "\\bin\\make.exe"))
            GTEST_SKIP() << "the win64 kit is not built (" << kit_root() << ")";
        registry->write_string(HKCU, "Software\\vyn\\Compiler", "includepath", kit_root() + "\\include");
        registry->write_string(HKCU, "Software\\vyn\\vynlnk", "libpath", kit_root() + "\\lib");
        // Save files before a build without asking (EditorFlags bit 0x10).
        registry->write_string(HKCU, kTavraKey, "EditorFlags", "31");
        if (std::filesystem::exists(emulator()))
            registry->write_string(HKCU, kTavraKey, "Runner", unix_name(emulator()));
    }

    HWND output_list() { return GetDlgItem(gui::find_child(frame, "TavraOutput"), IDC_OUTPUT_LIST); }
    std::vector<std::string> results() { return gui::list_box_lines(output_list()); }
    bool results_contain(const std::string& text)
    {
        for (const std::string& line : results())
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }
    void answer(const std::string& title, int button, DWORD process)
    {
        HWND box = wait_for_dialog(title, process);
        ASSERT_NE(box, nullptr) << title;
        click(box, button);
        gui::wait_until([&] { return !IsWindow(box); });
    }
};

}  // namespace vyn::shell::testing
