/* What generated dialogs own and free: GDI objects per window, the list of
   child-window dialogs whose controls exist, owner-drawn buttons and
   folding dialogs. */
#include "tavradlg.h"

/* GDI objects registered per window, freed with the window. The table
   grows as needed; freed rows are reused. */
typedef struct {
    HWND window;
    HGDIOBJ object;
} GdiRow;

static GdiRow *gdi_rows;
static int gdi_count, gdi_capacity;

void AddGdiObject(HWND hwnd, HGDIOBJ object)
{
    if (!object)
        return;
    for (int i = 0; i < gdi_count; ++i)
        if (!gdi_rows[i].window) {
            gdi_rows[i].window = hwnd;
            gdi_rows[i].object = object;
            return;
        }
    if (gdi_count == gdi_capacity) {
        int capacity = gdi_capacity ? 2 * gdi_capacity : 32;
        GdiRow *rows = gdi_rows ? (GdiRow *)LocalReAlloc(gdi_rows, capacity * sizeof(GdiRow), LMEM_MOVEABLE)
                                : (GdiRow *)LocalAlloc(LMEM_FIXED, capacity * sizeof(GdiRow));
        if (!rows)
            return;
        gdi_rows = rows;
        gdi_capacity = capacity;
    }
    gdi_rows[gdi_count].window = hwnd;
    gdi_rows[gdi_count].object = object;
    ++gdi_count;
}

void FreeGdiObjects(HWND hwnd)
{
    for (int i = 0; i < gdi_count; ++i)
        if (gdi_rows[i].window == hwnd) {
            DeleteObject(gdi_rows[i].object);
            gdi_rows[i].window = NULL;
            gdi_rows[i].object = NULL;
        }
}

/* Child-window dialogs whose controls have been made. */
#define MAX_LISTED 64
static HWND listed[MAX_LISTED];

static int listed_index(HWND hwnd)
{
    for (int i = 0; i < MAX_LISTED; ++i)
        if (listed[i] == hwnd)
            return i;
    return -1;
}

/* True when hwnd's controls exist (it is listed, or has child windows);
   the window is listed from then on, so a WM_SIZE after WM_CREATE does
   not make its controls a second time. */
BOOL IsHwndInList(HWND hwnd)
{
    if (listed_index(hwnd) >= 0)
        return TRUE;
    BOOL has_children = GetWindow(hwnd, GW_CHILD) != NULL;
    int free_row = listed_index(NULL);
    if (free_row >= 0)
        listed[free_row] = hwnd;
    return has_children;
}

/* Destroys the controls of a minimised child-window dialog; they are made
   again when it is restored. */
void DestroyChildWindows(HWND hwnd)
{
    HWND child;
    while ((child = GetWindow(hwnd, GW_CHILD)) != NULL)
        DestroyWindow(child);
    int row = listed_index(hwnd);
    if (row >= 0)
        listed[row] = NULL;
}

/* Draws a bitmap button: the down bitmap while pressed, stretched over the
   button, with the focus rectangle when it has the focus. */
void DrawOwnerDrawButton(LPDRAWITEMSTRUCT item, HBITMAP up, HBITMAP down)
{
    HBITMAP shown = (item->itemState & ODS_SELECTED) && down ? down : up;
    RECT r = item->rcItem;
    if (shown) {
        BITMAP info;
        HDC memory = CreateCompatibleDC(item->hDC);
        HGDIOBJ old = SelectObject(memory, shown);
        GetObjectA(shown, sizeof info, &info);
        StretchBlt(item->hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, memory, 0, 0, info.bmWidth,
                   info.bmHeight, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
    } else {
        DrawFrameControl(item->hDC, &r, DFC_BUTTON,
                         DFCS_BUTTONPUSH | ((item->itemState & ODS_SELECTED) ? DFCS_PUSHED : 0));
    }
    if (item->itemState & ODS_FOCUS) {
        InflateRect(&r, -3, -3);
        DrawFocusRect(item->hDC, &r);
    }
}

/* Folds or unfolds a dialog at the frame control id: folded, the window
   ends above the frame; unfolded, it has its full height again. The first
   call (from the initialisation) folds it. */
void FAR PASCAL ShowZoomed(int id, HWND hwnd)
{
    HWND frame = GetDlgItem(hwnd, id);
    RECT window, at;
    if (!frame || !GetWindowRect(hwnd, &window) || !GetWindowRect(frame, &at))
        return;
    int full = (int)(INT_PTR)GetPropA(hwnd, "TavraFullHeight");
    int height = window.bottom - window.top;
    if (!full) {
        full = height;
        SetPropA(hwnd, "TavraFullHeight", (HANDLE)(INT_PTR)full);
    }
    int folded = at.top - window.top;
    int wanted = height >= full ? folded : full;
    SetWindowPos(hwnd, NULL, 0, 0, window.right - window.left, wanted, SWP_NOMOVE | SWP_NOZORDER);
}
