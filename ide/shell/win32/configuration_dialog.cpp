#include "ide/shell/win32/configuration_dialog.h"

#include <windows.h>

#include "common/strings.h"
#include "common/winpath.h"
#include "ide/command_ids.h"
#include "ide/shell/settings_store.h"
#include "ide/shell/win32/documents.h"
#include "ide/shell/win32/edit_window.h"
#include "ide/shell/win32/files_toolbar.h"
#include "ide/shell/win32/ide.h"
#include "ide/shell/win32/win32_ui.h"

namespace vyn::shell {

namespace {

struct FlagBox {
    int control;
    long bit;
};

const FlagBox kFlagBoxes[] = {
    {IDC_CFG_INDENT, editor_flag::auto_indent},
    {IDC_CFG_SYNTAX, editor_flag::check_syntax},
    {IDC_CFG_BACKUPS, editor_flag::backups},
    {IDC_CFG_SMALL_FONTS, editor_flag::small_output_font},
    {IDC_CFG_SAVE_BEFORE_BUILD, editor_flag::save_before_build},
};

std::string item_text(HWND dialog, int control)
{
    char text[512] = {};
    GetDlgItemTextA(dialog, control, text, sizeof text);
    return text;
}

void fill(HWND dialog)
{
    const Settings& s = ide().settings;
    for (const FlagBox& box : kFlagBoxes)
        CheckDlgButton(dialog, box.control, (s.editor_flags & box.bit) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_CFG_SAVE_AT_EXIT, ide().save_configuration ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_CFG_TOOLBAR, s.status_bar.empty() ? BST_UNCHECKED : BST_CHECKED);
    SetDlgItemInt(dialog, IDC_CFG_TABSIZE, UINT(s.tab_size), FALSE);
    SetDlgItemTextA(dialog, IDC_CFG_CURRENT_DIR, current_directory().c_str());
    SetDlgItemTextA(dialog, IDC_CFG_COMPILER_PATH, ide().compiler_root.c_str());
}

// Takes a changed compiler root after its checks; false keeps the dialog open.
bool apply_compiler_root(HWND dialog)
{
    std::string root = std::string(vyn::trim(item_text(dialog, IDC_CFG_COMPILER_PATH)));
    if (root == ide().compiler_root)
        return true;
    if (vyn::winpath::has_drive(root) && GetFileAttributesA(root.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (!ask_yes_no(vyn::format("Directory %s doesn't exist. Create it?", root.c_str())) ||
            !CreateDirectoryA(root.c_str(), nullptr))
            return false;
    }
    if (auto problem = check_compiler_root(root)) {
        tell(*problem);
        return false;
    }
    Win32SettingsUi ui;
    SettingsStore store(*ide().registry, ui);
    if (!store.set_compiler_root(root))
        return false;
    ide().compiler_root = root;
    return true;
}

bool apply(HWND dialog)
{
    std::string directory = std::string(vyn::trim(item_text(dialog, IDC_CFG_CURRENT_DIR)));
    if (!directory.empty() && directory != current_directory() && !SetCurrentDirectoryA(directory.c_str())) {
        tell(vyn::format(load_string(IDS_DIRECTORY_MISSING).c_str(), directory.c_str()));
        return false;
    }
    if (!apply_compiler_root(dialog))
        return false;
    Settings& s = ide().settings;
    for (const FlagBox& box : kFlagBoxes)
        s.editor_flags = IsDlgButtonChecked(dialog, box.control) ? (s.editor_flags | box.bit) : (s.editor_flags & ~box.bit);
    BOOL translated = FALSE;
    UINT tab = GetDlgItemInt(dialog, IDC_CFG_TABSIZE, &translated, FALSE);
    s.tab_size = valid_tab_size(translated ? long(tab) : 0);
    s.current_dir = current_directory();
    ide().save_configuration = IsDlgButtonChecked(dialog, IDC_CFG_SAVE_AT_EXIT) == BST_CHECKED;
    show_files_toolbar(IsDlgButtonChecked(dialog, IDC_CFG_TOOLBAR) == BST_CHECKED);
    ide().editor->editor_flags = unsigned(s.editor_flags);
    ide().editor->tab_size = int(s.tab_size);
    if (ide().output)  // the small-font option chooses the output list's font
        SendMessageA(ide().output, WM_OUTPUT_SET_FONT, WPARAM(SendMessageA(ide().output, WM_OUTPUT_GET_FONT, 0, 0)), 0);
    for (const auto& document : ide().editor->documents())
        refresh_document_windows(*document);
    return true;
}

INT_PTR CALLBACK configuration_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: fill(dialog); return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK) {
            if (apply(dialog))
                EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wparam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

void run_configuration_dialog()
{
    DialogBoxParamA(ide().instance, MAKEINTRESOURCEA(IDD_CONFIGURATION), ide().frame, configuration_procedure, 0);
}

}  // namespace vyn::shell
