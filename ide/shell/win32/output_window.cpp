#include "ide/shell/win32/output_window.h"

#include "ide/shell/win32/ide.h"

namespace tavra {

namespace {

const char kOutputClass[] = "TavraOutput";
std::string status_text;

void paint(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    HGDIOBJ old = SelectObject(dc, ide().dialog_font ? ide().dialog_font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    RECT row = client;
    row.right -= 6;
    DrawTextA(dc, status_text.c_str(), int(status_text.size()), &row, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE);
    SelectObject(dc, old);
    EndPaint(window, &ps);
}

LRESULT CALLBACK output_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_PAINT) {
        paint(window);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

bool register_output_class(HINSTANCE instance)
{
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = output_procedure;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = kOutputClass;
    return RegisterClassA(&window_class) != 0;
}

HWND create_output_window()
{
    return CreateWindowExA(0, kOutputClass, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                           ide().frame, nullptr, ide().instance, nullptr);
}

void show_status_text(const std::string& text)
{
    status_text = text;
    if (ide().output) {
        SetWindowTextA(ide().output, text.c_str());  // readable by other programs (tests, screen readers)
        InvalidateRect(ide().output, nullptr, TRUE);
    }
}

}  // namespace tavra
