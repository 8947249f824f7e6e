#include "ide/shell/win32/window_classes.h"

#include "ide/shell/win32/edit_window.h"
#include "ide/shell/win32/files_toolbar.h"
#include "ide/shell/win32/frame.h"
#include "ide/shell/win32/ide.h"
#include "ide/shell/win32/output_window.h"

namespace vyn::shell {

namespace {

// The text a popup shows is its window text.
LRESULT CALLBACK text_popup_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message != WM_PAINT)
        return DefWindowProcA(window, message, wparam, lparam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    char text[512];
    int length = GetWindowTextA(window, text, sizeof text);
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    DrawTextA(dc, text, length, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, old);
    EndPaint(window, &ps);
    return 0;
}

// Classes whose windows belong to later parts of the IDE (the information
// display, graphs, the function tree, plots, the structure viewer and
// table controls) are registered with the plain
// window procedure of their kind until those windows exist.
bool register_plain(HINSTANCE instance, const char* name, LPCSTR cursor, WNDPROC procedure = DefWindowProcA,
                    HBRUSH background = nullptr)
{
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = instance;
    window_class.hCursor = cursor ? LoadCursorA(nullptr, cursor) : nullptr;
    window_class.hbrBackground = background ? background : reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    window_class.lpszClassName = name;
    return RegisterClassA(&window_class) != 0;
}

}  // namespace

bool register_window_classes(HINSTANCE instance)
{
    LPCSTR arrow = reinterpret_cast<LPCSTR>(IDC_ARROW);
    LPCSTR cross = reinterpret_cast<LPCSTR>(IDC_CROSS);
    return register_frame_class(instance) && register_plain(instance, "clShortDisply", arrow) &&
           register_plain(instance, "clGrClass", cross) && register_plain(instance, "FunctionTree", arrow) &&
           register_edit_window_class(instance) && register_plain(instance, "PlotObjClass", arrow) &&
           register_plain(instance, "bStruct", arrow) && register_files_toolbar_class(instance) &&
           register_plain(instance, "TableCtrlW", arrow) &&
           register_plain(instance, "smallTextPopup", arrow, text_popup_procedure,
                          reinterpret_cast<HBRUSH>(COLOR_INFOBK + 1)) &&
           register_output_class(instance);
}

HWND create_text_popup(const std::string& text)
{
    int width = 320, height = 80;
    int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    HWND popup = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "smallTextPopup", text.c_str(),
                                 WS_POPUP | WS_BORDER, x, y, width, height, nullptr, nullptr, ide().instance, nullptr);
    if (popup) {
        ShowWindow(popup, SW_SHOWNOACTIVATE);
        UpdateWindow(popup);
    }
    return popup;
}

}  // namespace vyn::shell
