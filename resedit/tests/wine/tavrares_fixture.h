// The editing window under Wine: the fixture that writes a resource file
// with one dialog and starts the editor on it, and the helpers that drive
// its window and read back what it saved. Shared by the window tests.
#pragma once

#include "resedit/dialog_editing.h"
#include "resedit/dialog_template.h"
#include "resedit/editor_session.h"
#include "resedit/res_file.h"
#include "resedit/string_table.h"
#include "resedit/menu.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "common/strings.h"
#include "common/winpath.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/tests/test_dirs.h"
#include "resedit/command_ids.h"
#include "resedit/tvr_file.h"
#include "resedit/win32/resource_ids.h"
#include "testing/guidriver/gui_driver.h"

namespace vyn::resedit::window_testing {

namespace gui = vyn::gui;
constexpr auto HKCU = platform::RegistryRoot::CurrentUser;
constexpr char kFrame[] = "clTavraresFrame";

inline std::string exe(const char* name)
{
    return winpath::join(winpath::directory(platform::executable_path()), name);
}

struct SilentUi : Ui {
    std::vector<std::string> said;
    void message(const std::string& text) override { said.push_back(text); }
    bool ask(const std::string&) override { return false; }
};

// The dialog's controls as the file on disk holds them.
inline std::vector<Control> controls_on_disk(const std::string& path)
{
    SilentUi ui;
    ResFile file;
    if (!load_res(path, file, ui))
        return {};
    for (const ResRecord& rec : file.records)
        if (rec.dialog)
            return rec.dialog->controls;
    return {};
}

// A control's rectangle in its dialog's client pixels; empty while the view
// is being rebuilt and the control is not there.
inline RECT client_rect(HWND view, HWND control)
{
    RECT r{};
    if (!view || !control || !GetWindowRect(control, &r))
        return RECT{};
    MapWindowPoints(nullptr, view, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Posted through the driver, so that settle() waits for them and for what
// they post in turn.
inline void post_mouse(HWND view, UINT message, int x, int y, WPARAM keys = 0)
{
    gui::post_message(view, message, keys, MAKELPARAM(x, y));
}

// Presses at (x, y), drags to (x + dx, y + dy) in two steps and releases.
inline void drag(HWND view, int x, int y, int dx, int dy)
{
    post_mouse(view, WM_LBUTTONDOWN, x, y, MK_LBUTTON);
    post_mouse(view, WM_MOUSEMOVE, x + dx / 2, y + dy / 2, MK_LBUTTON);
    post_mouse(view, WM_MOUSEMOVE, x + dx, y + dy, MK_LBUTTON);
    post_mouse(view, WM_LBUTTONUP, x + dx, y + dy);
}

class TavraresWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = vyn::testing::fresh_test_dir();
        registry = platform::open_registry();
        registry->delete_key(HKCU, kTavraresKey);
        res = winpath::join(dir, "one.res");
        // One dialog (160 x 100 units) with an edit field and a button.
        SilentUi ui;
        EditorSession session;
        session.create(res);
        session.add_dialog("IDD_ONE");
        EditorSettings s = EditorSettings::defaults();
        Dialog* d = session.begin_change();
        add_control(*d, kEdit, 20, 20, s);    // id 1000, 32 x 12
        add_control(*d, kButton, 60, 60, s);  // id 1001, 40 x 14
        ASSERT_TRUE(session.add_symbol("IDD_ONE", 100, ui));
        ASSERT_TRUE(session.add_symbol("IDC_FIELD", 1000, ui));
        ASSERT_TRUE(session.save(ui));
    }

    void start(const std::string& arguments)
    {
        // The drags below are posted messages; the real pointer is put in a
        // corner no window covers, so that no move of its own comes between them.
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
        auto started = gui::Program::start("\"" + exe("tavrares.exe") + "\" " + arguments, dir);
        ASSERT_TRUE(started);
        program = std::move(*started);
        frame = gui::wait_for_window(kFrame, program.id(), 30000);
        ASSERT_NE(frame, nullptr);
        gui::settle(frame);
    }

    HWND view() { return gui::find_child(frame, "#32770"); }
    // The status bar keeps its text itself: asked with the message, not the caption.
    std::string status()
    {
        wchar_t text[512] = {};
        SendMessageW(gui::find_child(frame, "msctls_statusbar32"), WM_GETTEXT, 512, LPARAM(text));
        std::string out;
        for (wchar_t* p = text; *p; ++p)
            out += char(*p);
        return out;
    }
    // The selected control's "x,y,cx,cy" as the status bar tells it.
    std::string selected()
    {
        int x, y, cx, cy;
        std::size_t at = status().find("; selected ");
        if (at == std::string::npos || std::sscanf(status().c_str() + at, "; selected %*d at %d,%d size %dx%d", &x, &y, &cx, &cy) != 4)
            return "none";
        return format("%d,%d,%d,%d", x, y, cx, cy);
    }
    RECT field() { return client_rect(view(), GetDlgItem(view(), 1000)); }

    // After each step the frame has rebuilt the dialog.
    void settle() { gui::settle(frame); }
    // Waits until the frame's title no longer marks the file changed: the
    // save has been written whole, and the files may be read without
    // holding one open while the editor replaces it.
    void wait_saved()
    {
        EXPECT_TRUE(gui::wait_until([&] {
            std::string title = gui::window_text(frame);
            return title.size() < 2 || title.compare(title.size() - 2, 2, " *") != 0;
        })) << gui::window_text(frame);
    }

    std::string dir, res;
    std::unique_ptr<platform::Registry> registry;
    gui::Program program;
    HWND frame = nullptr;
};

// A dialog of the editor titled title, polled for.
inline HWND editor_dialog(const std::string& title, DWORD process)
{
    HWND found = nullptr;
    gui::wait_until([&] {
        found = gui::wait_for_window_titled(title, process, 0);
        return found != nullptr;
    });
    return found;
}

// Presses a button of an editor's dialog and returns once the dialog has
// handled it; for buttons that open no box of their own.
inline void press(HWND dialog, int id)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(dialog, WM_COMMAND, WPARAM(id), 0, SMTO_NORMAL, 10000, &result);
}

inline void set_item(HWND dialog, int id, const std::string& text)
{
    std::wstring wide(text.begin(), text.end());
    SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, LPARAM(wide.c_str()));
}

inline std::vector<std::string> box_texts(HWND box)
{
    std::vector<std::string> texts;
    for (HWND text : gui::find_children(box, "Static"))
        texts.push_back(gui::window_text(text));
    return texts;
}

// The records of the file on disk.
inline ResFile file_on_disk(const std::string& path)
{
    SilentUi ui;
    ResFile file;
    load_res(path, file, ui);
    return file;
}

}  // namespace vyn::resedit::window_testing
