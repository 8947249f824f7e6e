#include "ide/shell/win32/files_toolbar.h"

#include <cstdio>
#include <vector>

#include "common/strings.h"
#include "common/winpath.h"
#include "ide/shell/win32/edit_window.h"
#include "ide/shell/win32/ide.h"

namespace vyn::shell {

namespace {

const char kToolbarClass[] = "FilesToolbar";
HWND toolbar = nullptr;
constexpr int kButtonWidth = 90;
constexpr int kFirstButton = 100;

// The edit windows in the MDI client's order; a button's index is its place here.
std::vector<HWND> edit_windows()
{
    std::vector<HWND> windows;
    for (HWND child = GetWindow(ide().mdi_client, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (view_of(child))
            windows.push_back(child);
    return windows;
}

void remember_rectangle()
{
    RECT r;
    GetWindowRect(toolbar, &r);
    ide().settings.status_bar = vyn::format("%ld,%ld,%ld,%ld", r.left, r.top, r.right, r.bottom);
}

void layout_buttons()
{
    RECT client;
    GetClientRect(toolbar, &client);
    int x = 0;
    for (HWND button = GetWindow(toolbar, GW_CHILD); button; button = GetWindow(button, GW_HWNDNEXT)) {
        MoveWindow(button, x, 0, kButtonWidth, client.bottom, TRUE);
        x += kButtonWidth;
    }
}

LRESULT CALLBACK toolbar_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_COMMAND: {
        std::vector<HWND> windows = edit_windows();
        std::size_t index = std::size_t(LOWORD(wparam) - kFirstButton);
        if (index < windows.size())
            SendMessageA(ide().mdi_client, WM_MDIACTIVATE, WPARAM(windows[index]), 0);
        return 0;
    }
    case WM_SIZE: layout_buttons(); break;
    case WM_EXITSIZEMOVE: remember_rectangle(); return 0;
    case WM_CLOSE:
        show_files_toolbar(false);
        return 0;
    case WM_DESTROY: toolbar = nullptr; break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

bool register_files_toolbar_class(HINSTANCE instance)
{
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = toolbar_procedure;
    window_class.hInstance = instance;
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = kToolbarClass;
    return RegisterClassA(&window_class) != 0;
}

void build_files_toolbar()
{
    long left = 0, top = 0, right = 0, bottom = 0;
    const std::string& stored = ide().settings.status_bar;
    if (std::sscanf(stored.c_str(), "%ld,%ld,%ld,%ld", &left, &top, &right, &bottom) != 4 || right <= left ||
        bottom <= top)
        return;
    toolbar = CreateWindowExA(WS_EX_TOOLWINDOW, kToolbarClass, "Open files",
                              WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_VISIBLE, int(left), int(top),
                              int(right - left), int(bottom - top), ide().frame, nullptr, ide().instance, nullptr);
    update_files_toolbar();
}

void show_files_toolbar(bool show)
{
    if (show && !toolbar) {
        if (ide().settings.status_bar.empty()) {
            RECT frame;
            GetWindowRect(ide().frame, &frame);
            ide().settings.status_bar = vyn::format("%ld,%ld,%ld,%ld", frame.left + 40, frame.top + 60,
                                                    frame.left + 40 + 4 * kButtonWidth, frame.top + 110);
        }
        build_files_toolbar();
    } else if (!show && toolbar) {
        ide().settings.status_bar.clear();
        DestroyWindow(toolbar);
    }
}

void update_files_toolbar()
{
    if (!toolbar)
        return;
    while (HWND button = GetWindow(toolbar, GW_CHILD))
        DestroyWindow(button);
    int index = 0;
    for (HWND window : edit_windows()) {
        std::string name(vyn::winpath::base_name(view_of(window)->document->name));
        name = vyn::to_lower_ascii(name);
        CreateWindowExA(0, "BUTTON", name.c_str(), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 0, 0, toolbar,
                        reinterpret_cast<HMENU>(INT_PTR(kFirstButton + index++)), ide().instance, nullptr);
    }
    layout_buttons();
}

}  // namespace vyn::shell
