// The string table editor: the file's strings by id; Set adds or changes
// the string of the typed id, Delete removes it. OK writes the tables back
// into the resource file, Cancel forgets the edits.
#include "resedit/win32/app.h"

#include <windows.h>

#include "common/strings.h"
#include "resedit/string_table.h"
#include "resedit/win32/resource_ids.h"

namespace vyn::resedit::win32 {

namespace {

StringTable g_strings;  // the table being edited while the dialog is open

void fill_list(HWND dialog, std::optional<std::uint16_t> select)
{
    HWND list = GetDlgItem(dialog, IDC_STRING_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    int index = 0;
    for (const auto& [id, text] : g_strings) {
        std::string line = vyn::format("%u\t%s", unsigned(id), text.c_str());
        SendMessageA(list, LB_ADDSTRING, 0, LPARAM(line.c_str()));
        if (select && *select == id)
            SendMessageA(list, LB_SETCURSEL, WPARAM(index), 0);
        ++index;
    }
}

void show_selected(HWND dialog)
{
    LRESULT index = SendDlgItemMessageA(dialog, IDC_STRING_LIST, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR || std::size_t(index) >= g_strings.size())
        return;
    auto it = std::next(g_strings.begin(), index);
    SetDlgItemInt(dialog, IDC_STRING_ID, it->first, FALSE);
    SetDlgItemTextA(dialog, IDC_STRING_TEXT, it->second.c_str());
}

// The typed id, or nothing after telling why it is refused.
std::optional<std::uint16_t> typed_id(HWND dialog, const std::string& text)
{
    std::uint16_t id = 0;
    std::string refusal = check_string_entry(std::string(vyn::trim(item_text(dialog, IDC_STRING_ID))), text, id);
    if (!refusal.empty()) {
        ui().message(refusal);
        return std::nullopt;
    }
    return id;
}

void set_string(HWND dialog)
{
    std::string text = item_text(dialog, IDC_STRING_TEXT);
    auto id = typed_id(dialog, text);
    if (!id)
        return;
    if (text.empty()) {
        ui().message("An empty string is not kept: use Delete to remove a string.");
        return;
    }
    g_strings[*id] = text;
    fill_list(dialog, id);
}

void delete_string(HWND dialog)
{
    auto id = typed_id(dialog, {});
    if (!id || !g_strings.erase(*id))
        return;
    SetDlgItemTextA(dialog, IDC_STRING_TEXT, "");
    fill_list(dialog, std::nullopt);
}

INT_PTR CALLBACK strings_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: {
        int tab = 32;
        SendDlgItemMessageA(dialog, IDC_STRING_LIST, LB_SETTABSTOPS, 1, LPARAM(&tab));
        fill_list(dialog, std::nullopt);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_STRING_SET: set_string(dialog); return TRUE;
        case IDC_STRING_DELETE: delete_string(dialog); return TRUE;
        case IDC_STRING_LIST:
            if (HIWORD(wparam) == LBN_SELCHANGE)
                show_selected(dialog);
            return TRUE;
        case IDOK:
        case IDCANCEL: EndDialog(dialog, LOWORD(wparam)); return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

void string_table_dialog()
{
    if (app().session.res_path().empty())
        return;
    g_strings = app().session.strings();
    if (DialogBoxParamA(app().instance, MAKEINTRESOURCEA(IDD_STRINGS), app().frame, strings_procedure, 0) == IDOK) {
        app().session.set_strings(g_strings);
        update_title_and_status();
    }
    g_strings.clear();
}

}  // namespace vyn::resedit::win32
