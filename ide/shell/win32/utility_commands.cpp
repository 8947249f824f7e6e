#include "ide/shell/win32/utility_commands.h"

#include <windows.h>

#include "common/strings.h"
#include "ide/command_ids.h"
#include "ide/project/external_tools.h"
#include "ide/project/win32/program_runner.h"
#include "ide/project/win32/project_session.h"
#include "ide/shell/utilities.h"
#include "ide/shell/win32/edit_window.h"
#include "ide/shell/win32/ide.h"
#include "ide/shell/win32/output_window.h"
#include "ide/shell/win32/win32_ui.h"

namespace vyn::shell {

namespace {

using vyn::format;

UtilityList utilities;

// ---- the menu and the settings ----------------------------------------------------

// The entries follow the Options popup's fixed items in slot order.
void refresh_menu()
{
    for (int slot = 0; slot < kMaxUtilities; ++slot)
        DeleteMenu(ide().options_menu, UINT(utility_command(slot)), MF_BYCOMMAND);
    for (const UtilityRecord& u : utilities.records())
        AppendMenuA(ide().options_menu, MF_STRING, UINT_PTR(u.command), utility_menu_label(u).c_str());
}

void utilities_changed()
{
    ide().settings.utilities = utilities.to_settings();
    refresh_menu();
}

// ---- dialog helpers ---------------------------------------------------------------

std::string item_text(HWND dialog, int id)
{
    char buffer[kMaxUtilityText + 1] = "";
    GetDlgItemTextA(dialog, id, buffer, sizeof buffer);
    return buffer;
}

void limit_fields(HWND dialog)
{
    SendDlgItemMessageA(dialog, IDC_UTIL_NAME, EM_LIMITTEXT, kMaxMenuEntry, 0);
    for (int id : {IDC_UTIL_PROGRAM, IDC_UTIL_ARGS, IDC_UTIL_DIR})
        SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, kMaxUtilityText, 0);
}

// A refusal told over the dialog, which stays modal and open for a correction.
void refuse(HWND dialog, const std::string& refusal)
{
    MessageBoxA(dialog, refusal.c_str(), "tavra", MB_OK | MB_ICONINFORMATION);
}

UtilityRecord fields_of(HWND dialog)
{
    UtilityRecord r;
    r.name = item_text(dialog, IDC_UTIL_NAME);
    r.program = item_text(dialog, IDC_UTIL_PROGRAM);
    r.arguments = item_text(dialog, IDC_UTIL_ARGS);
    r.start_dir = item_text(dialog, IDC_UTIL_DIR);
    if (GetDlgItem(dialog, IDC_UTIL_SAVE)) {
        r.flags = (IsDlgButtonChecked(dialog, IDC_UTIL_SAVE) == BST_CHECKED ? utilityflag::save_output : 0u) |
                  (IsDlgButtonChecked(dialog, IDC_UTIL_RETURN_CODE) == BST_CHECKED ? utilityflag::show_return_code : 0u);
    }
    return r;
}

// ---- Add Utility ------------------------------------------------------------------

INT_PTR CALLBACK add_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        limit_fields(dialog);
        SetDlgItemTextA(dialog, IDC_UTIL_KEY, utility_key_text(utilities.first_free_slot().value_or(0)).c_str());
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    if (LOWORD(wparam) != IDOK)
        return FALSE;
    UtilityRecord record = fields_of(dialog);
    if (auto refusal = utilities.add(record)) {
        refuse(dialog, *refusal);
        return TRUE;
    }
    utilities_changed();
    output_message(format("Utility '%s' ready", record.name.c_str()));
    EndDialog(dialog, IDOK);
    return TRUE;
}

void add_utility(int, CommandParameter)
{
    if (utilities.full()) {
        output_message("Maximum 12 utilities");
        return;
    }
    DialogBoxParamA(ide().instance, MAKEINTRESOURCEA(IDD_ADD_UTILITY), ide().frame, add_procedure, 0);
}

// ---- Change Utility ---------------------------------------------------------------

// The command of the utility chosen in the dialog's list, or 0.
int chosen_command(HWND dialog)
{
    LRESULT index = SendDlgItemMessageA(dialog, IDC_UTIL_LIST, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return 0;
    return int(SendDlgItemMessageA(dialog, IDC_UTIL_LIST, CB_GETITEMDATA, WPARAM(index), 0));
}

void show_chosen(HWND dialog)
{
    const UtilityRecord* u = utilities.find(chosen_command(dialog));
    if (!u)
        return;
    SetDlgItemTextA(dialog, IDC_UTIL_KEY, utility_key_text(*utility_slot(u->command)).c_str());
    SetDlgItemTextA(dialog, IDC_UTIL_NAME, u->name.c_str());
    SetDlgItemTextA(dialog, IDC_UTIL_PROGRAM, u->program.c_str());
    SetDlgItemTextA(dialog, IDC_UTIL_ARGS, u->arguments.c_str());
    SetDlgItemTextA(dialog, IDC_UTIL_DIR, u->start_dir.c_str());
    CheckDlgButton(dialog, IDC_UTIL_SAVE, (u->flags & utilityflag::save_output) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_UTIL_RETURN_CODE, (u->flags & utilityflag::show_return_code) ? BST_CHECKED : BST_UNCHECKED);
}

void fill_choices(HWND dialog)
{
    SendDlgItemMessageA(dialog, IDC_UTIL_LIST, CB_RESETCONTENT, 0, 0);
    for (const UtilityRecord& u : utilities.records()) {
        LRESULT index = SendDlgItemMessageA(dialog, IDC_UTIL_LIST, CB_ADDSTRING, 0, LPARAM(u.name.c_str()));
        SendDlgItemMessageA(dialog, IDC_UTIL_LIST, CB_SETITEMDATA, WPARAM(index), LPARAM(u.command));
    }
    SendDlgItemMessageA(dialog, IDC_UTIL_LIST, CB_SETCURSEL, 0, 0);
    show_chosen(dialog);
}

// Change, rename or erase the chosen utility; true when the dialog is done.
bool act_on_chosen(HWND dialog, int action)
{
    int command = chosen_command(dialog);
    const UtilityRecord* u = utilities.find(command);
    if (!u)
        return false;
    UtilityRecord fields = fields_of(dialog);
    switch (action) {
    case IDC_UTIL_CHANGE:
        utilities.change(command, fields);
        break;
    case IDC_UTIL_RENAME:
        if (auto refusal = utilities.rename(command, fields.name)) {
            refuse(dialog, *refusal);
            return false;
        }
        break;
    case IDC_UTIL_ERASE: {
        std::string name = u->name;
        utilities.erase(command);
        output_message(format("Utility [%s] erased", name.c_str()));
        break;
    }
    }
    utilities_changed();
    return true;
}

INT_PTR CALLBACK change_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        limit_fields(dialog);
        fill_choices(dialog);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    switch (LOWORD(wparam)) {
    case IDC_UTIL_LIST:
        if (HIWORD(wparam) == CBN_SELCHANGE)
            show_chosen(dialog);
        return TRUE;
    case IDC_UTIL_CHANGE:
    case IDC_UTIL_RENAME:
    case IDC_UTIL_ERASE:
        if (act_on_chosen(dialog, LOWORD(wparam)))
            EndDialog(dialog, IDOK);
        return TRUE;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
    }
    return FALSE;
}

void change_utility(int, CommandParameter)
{
    if (utilities.empty()) {
        output_message("No utilities defined");
        return;
    }
    DialogBoxParamA(ide().instance, MAKEINTRESOURCEA(IDD_CHANGE_UTILITY), ide().frame, change_procedure, 0);
}

// ---- running ----------------------------------------------------------------------

project::ExpansionValues expansion_values()
{
    project::ExpansionValues values;
    if (vyn::editor::View* view = current_view()) {
        values.file = view->document->name;
        values.hwnd = format("0x%x", unsigned(reinterpret_cast<std::uintptr_t>(current_edit_window())));
        fill_cursor_values(*view, values);
    }
    const project::Project& p = project::win32::current_project();
    if (p.is_open())
        values.exe = project::executable_path(p);
    return values;
}

}  // namespace

void load_utilities()
{
    utilities = UtilityList::from_settings(ide().settings.utilities);
    utilities_changed();
}

void add_utility_commands()
{
    ide().dispatcher->add(CM_ADD_UTILITY, add_utility);
    ide().dispatcher->add(CM_CHANGE_UTILITY, change_utility);
    ide().dispatcher->add(CM_1290, project::win32::execute_with_zezezud_command);
}

void run_utility_command(int command, CommandParameter)
{
    const UtilityRecord* u = utilities.find(command);
    if (!u)
        return;
    project::ExpansionValues values = expansion_values();
    std::string error;
    auto program = project::expand_utility_text(u->program, values, error);
    auto arguments = project::expand_utility_text(u->arguments, values, error);
    auto directory = project::expand_utility_text(u->start_dir, values, error);
    if (!program || !arguments || !directory) {
        output_message(error);
        return;
    }
    // A name in the program or directory brings its trailing blank, which no
    // file name wants; the arguments keep theirs.
    project::win32::run_program_record({std::string(vyn::trim_right(*program)), *arguments,
                                       std::string(vyn::trim_right(*directory)), u->flags});
}

}  // namespace vyn::shell
