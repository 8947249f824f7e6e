// The menu editor: the menu's items as an indented list. Items, popups and
// separators are added after the selected item (or into the selected popup),
// changed from the text, id and option fields, moved among their siblings,
// or deleted with what they hold. OK writes the menu into its record (a new one for "New Menu").
#include "resedit/win32/app.h"

#include <windows.h>

#include "common/strings.h"
#include "resedit/command_ids.h"
#include "resedit/menu_editing.h"
#include "resedit/win32/resource_ids.h"

namespace vyn::resedit::win32 {

namespace {

constexpr std::uint16_t kOptionBits[] = {MF_GRAYED, MF_INACTIVE, MF_CHECKED, MF_MENUBARBREAK, MF_MENUBREAK};

struct MenuEdit {
    Menu menu;
    std::vector<MenuPath> rows;  // the list's lines
    std::string title;
};
MenuEdit g_edit;

int bit_number(std::uint16_t bit)
{
    int n = 0;
    while (bit > 1) {
        bit >>= 1;
        ++n;
    }
    return n;
}

std::optional<MenuPath> selected_path(HWND dialog)
{
    LRESULT i = SendDlgItemMessageA(dialog, IDC_MENU_LIST, LB_GETCURSEL, 0, 0);
    if (i == LB_ERR || std::size_t(i) >= g_edit.rows.size())
        return std::nullopt;
    return g_edit.rows[std::size_t(i)];
}

void fill_list(HWND dialog, const std::optional<MenuPath>& select)
{
    HWND list = GetDlgItem(dialog, IDC_MENU_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    g_edit.rows = menu_rows(g_edit.menu);
    for (std::size_t i = 0; i < g_edit.rows.size(); ++i) {
        std::string line = menu_row_text(g_edit.menu, g_edit.rows[i]);
        SendMessageA(list, LB_ADDSTRING, 0, LPARAM(line.c_str()));
        if (select && *select == g_edit.rows[i])
            SendMessageA(list, LB_SETCURSEL, WPARAM(i), 0);
    }
}

void show_selected(HWND dialog)
{
    auto path = selected_path(dialog);
    MenuItem* item = path ? menu_item_at(g_edit.menu, *path) : nullptr;
    if (!item)
        return;
    SetDlgItemTextA(dialog, IDC_MENU_TEXT, item->text.c_str());
    const Symbol* symbol = app().session.symbols().find_value(item->id);
    std::string id = item->popup ? std::string() : symbol ? symbol->name : std::to_string(item->id);
    SetDlgItemTextA(dialog, IDC_MENU_ID, id.c_str());
    for (std::uint16_t bit : kOptionBits)
        CheckDlgButton(dialog, IDC_MENU_OPTION + bit_number(bit), (item->options & bit) ? BST_CHECKED : BST_UNCHECKED);
}

// The id field: a number from 0 to 65535 or a symbol of the include file.
std::optional<std::uint16_t> typed_id(HWND dialog)
{
    std::string text(vyn::trim(item_text(dialog, IDC_MENU_ID)));
    if (const Symbol* symbol = app().session.symbols().find_name(text); symbol && symbol->value >= 0 && symbol->value <= 65535)
        return std::uint16_t(symbol->value);
    auto value = vyn::parse_long(text);
    if (!value || *value < 0 || *value > 65535) {
        ui().message("The item's ID must be a number from 0 to 65535 or a symbol of the include file.");
        return std::nullopt;
    }
    return std::uint16_t(*value);
}

// The item the fields describe; nothing when the id is refused.
std::optional<MenuItem> typed_item(HWND dialog, bool popup)
{
    MenuItem item;
    item.popup = popup;
    item.text = item_text(dialog, IDC_MENU_TEXT);
    for (std::uint16_t bit : kOptionBits)
        if (IsDlgButtonChecked(dialog, IDC_MENU_OPTION + bit_number(bit)) == BST_CHECKED)
            item.options |= bit;
    if (!popup) {
        auto id = typed_id(dialog);
        if (!id)
            return std::nullopt;
        item.id = *id;
    }
    if (item.text.empty()) {
        ui().message("A menu item needs a text; use Add separator for a separator.");
        return std::nullopt;
    }
    return item;
}

void add(HWND dialog, std::optional<MenuItem> item)
{
    if (!item)
        return;
    bool inside = IsDlgButtonChecked(dialog, IDC_MENU_INSIDE) == BST_CHECKED;
    if (auto path = insert_menu_item(g_edit.menu, selected_path(dialog), inside, std::move(*item), ui()))
        fill_list(dialog, path);
}

void change(HWND dialog)
{
    auto path = selected_path(dialog);
    MenuItem* item = path ? menu_item_at(g_edit.menu, *path) : nullptr;
    if (!item || item->separator())
        return;
    auto typed = typed_item(dialog, item->popup);
    if (!typed)
        return;
    typed->items = std::move(item->items);
    *item = std::move(*typed);
    fill_list(dialog, path);
}

INT_PTR CALLBACK menu_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: {
        int tab = 110;
        SendDlgItemMessageA(dialog, IDC_MENU_LIST, LB_SETTABSTOPS, 1, LPARAM(&tab));
        SetDlgItemTextA(dialog, IDC_MENU_NAME, g_edit.title.c_str());
        fill_list(dialog, std::nullopt);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_MENU_ITEM: add(dialog, typed_item(dialog, false)); return TRUE;
        case IDC_MENU_POPUP: add(dialog, typed_item(dialog, true)); return TRUE;
        case IDC_MENU_SEPARATOR: add(dialog, MenuItem{}); return TRUE;
        case IDC_MENU_CHANGE: change(dialog); return TRUE;
        case IDC_MENU_DELETE:
            if (auto path = selected_path(dialog); path && remove_menu_item(g_edit.menu, *path))
                fill_list(dialog, std::nullopt);
            return TRUE;
        case IDC_MENU_UP:
        case IDC_MENU_DOWN:
            if (auto path = selected_path(dialog))
                if (auto moved = move_menu_item(g_edit.menu, *path, LOWORD(wparam) == IDC_MENU_UP ? -1 : 1))
                    fill_list(dialog, moved);
            return TRUE;
        case IDC_MENU_LIST:
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

std::string record_title(std::optional<std::size_t> record)
{
    if (!record)
        return vyn::format("New menu %u", unsigned(free_menu_name(app().session.file())));
    const NameOrId& name = app().session.file().records[*record].name;
    return "Menu " + (name.is_ordinal ? std::to_string(name.ordinal) : name.text);
}

}  // namespace

void menu_dialog(std::optional<std::size_t> record)
{
    if (app().session.res_path().empty())
        return;
    g_edit = {};
    if (record) {
        auto menu = app().session.menu(*record);
        if (!menu) {
            ui().message("This menu is in a form the menu editor does not read.");
            return;
        }
        g_edit.menu = std::move(*menu);
    }
    g_edit.title = record_title(record);
    if (DialogBoxParamA(app().instance, MAKEINTRESOURCEA(IDD_MENU), app().frame, menu_procedure, 0) == IDOK) {
        app().session.set_menu(record, g_edit.menu);
        update_title_and_status();
    }
    g_edit = {};
}

void select_menu()
{
    const EditorSession& s = app().session;
    std::vector<std::size_t> records = menu_records(s.file());
    if (records.empty()) {
        ui().message("This resource file has no menu: New Menu makes one.");
        return;
    }
    std::size_t chosen = 0;
    if (records.size() > 1) {
        std::vector<std::string> lines;
        for (std::size_t r : records)
            lines.push_back(record_title(r));
        auto picked = choose_one("Select Menu", lines);
        if (!picked)
            return;
        chosen = *picked;
    }
    menu_dialog(records[chosen]);
}

}  // namespace vyn::resedit::win32
