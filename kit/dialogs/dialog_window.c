/* Helpers of generated dialog procedures: fonts, centring, colours, the
   default message handling, list-box keys and the dialog's argument. */
#include "tavradlg.h"

/* The background set by SetDlgBkColor, shared by every dialog of the
   program: HandleCtlColor receives no window to look it up by. */
static HBRUSH background_brush;
static COLORREF background_colour;

void SetDlgBkColor(HWND hwnd, COLORREF colour)
{
    (void)hwnd;
    if (background_brush)
        DeleteObject(background_brush);
    background_colour = colour;
    background_brush = CreateSolidBrush(colour);
}

/* Answers a WM_CTLCOLOR... message (msg) for the device context in wParam:
   the background brush when one is set, else 0 for the default colours. */
BOOL APIENTRY HandleCtlColor(UINT msg, DWORD wParam)
{
    HDC dc = (HDC)(UINT_PTR)wParam;
    if (!background_brush)
        return FALSE;
    switch (msg) {
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        SetBkColor(dc, background_colour);
        SetBkMode(dc, TRANSPARENT);
        return (BOOL)(UINT_PTR)background_brush;
    }
    return FALSE;
}

/* A font of size points (the screen's resolution) and weight. */
HFONT CreateControlFont(HWND hwnd, char *name, int size, int weight)
{
    HDC dc = GetDC(hwnd);
    int height = -MulDiv(size, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(hwnd, dc);
    return CreateFontA(height, 0, 0, 0, weight ? weight : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, name);
}

static BOOL CALLBACK set_child_font(HWND child, LPARAM font)
{
    SendMessageA(child, WM_SETFONT, (WPARAM)font, TRUE);
    return TRUE;
}

/* Gives the dialog and every control the font; the caller deletes it. */
HFONT SetDialogFont(HWND hwnd, char *name, int size, int type)
{
    HFONT font = CreateControlFont(hwnd, name, size, type);
    if (!font)
        return NULL;
    SendMessageA(hwnd, WM_SETFONT, (WPARAM)font, FALSE);
    EnumChildWindows(hwnd, set_child_font, (LPARAM)font);
    return font;
}

/* Centres the window on the screen's work area (on_screen nonzero) or over
   its owner (the work area when it has none). */
void CenterWindow(HWND hwnd, int on_screen)
{
    RECT area, window;
    HWND owner = GetWindow(hwnd, GW_OWNER);
    if (on_screen || !owner || !GetWindowRect(owner, &area))
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    GetWindowRect(hwnd, &window);
    int width = window.right - window.left, height = window.bottom - window.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    SetWindowPos(hwnd, NULL, x < 0 ? 0 : x, y < 0 ? 0 : y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

/* WM_VKEYTOITEM: a letter or digit moves the selection to the next item
   that starts with it (-2, handled); other keys get the list box's own
   handling (-1). */
int HandleVkeyToItem(WPARAM wParam, HWND list, int caret)
{
    int key = LOWORD(wParam);
    if (!((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')))
        return -1;
    int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int step = 1; step <= count; ++step) {
        int i = (caret + step) % count;
        char text[2] = {0, 0};
        int length = (int)SendMessageA(list, LB_GETTEXTLEN, i, 0);
        if (length <= 0)
            continue;
        char *whole = (char *)LocalAlloc(LPTR, (SIZE_T)length + 1);
        if (!whole)
            return -1;
        SendMessageA(list, LB_GETTEXT, i, (LPARAM)whole);
        text[0] = whole[0];
        LocalFree(whole);
        CharUpperA(text);
        if (text[0] == (char)key) {
            SendMessageA(list, LB_SETCURSEL, i, 0);
            return -2;
        }
    }
    return -1;
}

static BOOL is_dialog(HWND hwnd)
{
    char name[16];
    return GetClassNameA(hwnd, name, sizeof name) && lstrcmpA(name, "#32770") == 0;
}

/* The end of every generated procedure without a default callback. A
   dialog closes from its system menu and takes the background colour; a
   child window gets the default window procedure. */
BOOL WINAPI HandleDefaultMessages(HWND hwnd, UINT msg, WPARAM wParam, DWORD lParam)
{
    if (!is_dialog(hwnd))
        return (BOOL)DefWindowProcA(hwnd, msg, wParam, (LPARAM)lParam);
    switch (msg) {
    case WM_CLOSE:
        EndDialog(hwnd, 0);
        return TRUE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return HandleCtlColor(msg, (DWORD)wParam);
    }
    return FALSE;
}

/* The argument the dialog was created with (kept as a property). */
void *GetDialogArguments(HWND hwnd)
{
    return (void *)GetPropA(hwnd, "InputArgument");
}
