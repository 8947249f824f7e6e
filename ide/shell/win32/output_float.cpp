#include "ide/shell/win32/output_float.h"

#include "ide/command_ids.h"
#include "ide/shell/win32/ide.h"

namespace vyn::shell {

namespace {

HWND panel_of(HWND window) { return reinterpret_cast<HWND>(GetWindowLongPtrA(window, DWLP_USER)); }

void fill_with_list(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    if (HWND list = GetDlgItem(window, IDC_OUTPUT_LIST))
        MoveWindow(list, 0, 0, client.right, client.bottom, TRUE);
}

INT_PTR CALLBACK float_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG: SetWindowLongPtrA(window, DWLP_USER, lparam); return TRUE;
    case WM_SIZE: fill_with_list(window); return TRUE;
    case WM_COMMAND:
    case WM_CONTEXTMENU: SendMessageA(panel_of(window), message, wparam, lparam); return TRUE;
    case WM_CLOSE: SendMessageA(panel_of(window), WM_OUTPUT_DOCK, 0, 0); return TRUE;
    }
    return FALSE;
}

}  // namespace

HWND create_output_float(HWND panel, HWND list, const RECT& where)
{
    HWND window = CreateDialogParamA(ide().instance, MAKEINTRESOURCEA(IDD_OUTPUT_FLOAT), ide().frame, float_procedure,
                                     LPARAM(panel));
    if (!window)
        return nullptr;
    SetParent(list, window);
    MoveWindow(window, where.left, where.top, where.right - where.left, where.bottom - where.top, FALSE);
    fill_with_list(window);
    ShowWindow(list, SW_SHOW);
    ShowWindow(window, SW_SHOWNORMAL);
    return window;
}

}  // namespace vyn::shell
