// The Directories command: the working directory (where projects and
// resource files are opened and saved) and the directory of custom control
// libraries, both kept in the settings.
#include "resedit/win32/app.h"

#include <windows.h>

#include "common/strings.h"
#include "resedit/win32/resource_ids.h"

namespace vyn::resedit::win32 {

namespace {

std::string g_current, g_dll;

INT_PTR CALLBACK directories_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(dialog, IDC_DIR_CURRENT, g_current.c_str());
        SetDlgItemTextA(dialog, IDC_DIR_DLL, g_dll.c_str());
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK) {
            g_current = std::string(vyn::trim(item_text(dialog, IDC_DIR_CURRENT)));
            g_dll = std::string(vyn::trim(item_text(dialog, IDC_DIR_DLL)));
        }
        if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wparam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

std::string current_directory()
{
    char buffer[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, buffer);
    return buffer;
}

}  // namespace

bool change_working_directory(const std::string& directory, bool ask)
{
    if (ask && !ui().ask(vyn::format("Change working directory to %s?", directory.c_str())))
        return false;
    if (!SetCurrentDirectoryA(directory.c_str())) {
        ui().message("Impossible to change directory");
        return false;
    }
    app().settings.text(kCurrentDir) = current_directory();
    return true;
}

void directories_dialog()
{
    EditorSettings& s = app().settings;
    g_current = s.text(kCurrentDir).empty() ? current_directory() : s.text(kCurrentDir);
    g_dll = s.text(kDllDir);
    if (DialogBoxParamA(app().instance, MAKEINTRESOURCEA(IDD_DIRECTORIES), app().frame, directories_procedure, 0) !=
        IDOK)
        return;
    s.text(kDllDir) = g_dll;
    if (!g_current.empty() && g_current != current_directory())
        change_working_directory(g_current, true);
}

}  // namespace vyn::resedit::win32
