// The Group command's dialog: the group and tab-stop marks of the selected
// controls as three-state boxes (grey: mixed, left as they are).
#include "resedit/win32/app.h"

#include <windows.h>

#include "resedit/group_marks.h"
#include "resedit/win32/resource_ids.h"

namespace vyn::resedit::win32 {

namespace {

GroupMarks g_marks;
std::optional<bool> g_group, g_tab_stop;

UINT button_state(Mark m) { return m == Mark::On ? BST_CHECKED : m == Mark::Off ? BST_UNCHECKED : BST_INDETERMINATE; }

std::optional<bool> chosen(HWND dialog, int id)
{
    UINT state = IsDlgButtonChecked(dialog, id);
    if (state == BST_INDETERMINATE)
        return std::nullopt;
    return state == BST_CHECKED;
}

INT_PTR CALLBACK group_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        CheckDlgButton(dialog, IDC_GROUP_MARK, button_state(g_marks.group));
        CheckDlgButton(dialog, IDC_TABSTOP_MARK, button_state(g_marks.tab_stop));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK) {
            g_group = chosen(dialog, IDC_GROUP_MARK);
            g_tab_stop = chosen(dialog, IDC_TABSTOP_MARK);
        }
        if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wparam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

void group_dialog()
{
    const Dialog* d = app().session.dialog();
    if (!d)
        return;
    g_marks = group_marks(*d, app().selection);
    if (DialogBoxParamA(app().instance, MAKEINTRESOURCEA(IDD_GROUP), app().frame, group_procedure, 0) != IDOK)
        return;
    Dialog preview = *d;
    set_group_marks(preview, app().selection, g_group, g_tab_stop);
    if (preview == *d)
        return;
    set_group_marks(*change_dialog(), app().selection, g_group, g_tab_stop);
    after_change();
}

}  // namespace vyn::resedit::win32
