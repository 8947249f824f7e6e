// The editor's own dialogs: symbols, callbacks, styles, the
// choice of a dialog and the name of a new one.
#include "resedit/win32/app.h"

#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <array>

#include "common/strings.h"
#include "resedit/codegen_names.h"
#include "resedit/symbols.h"
#include "resedit/win32/resource_ids.h"

namespace vyn::resedit::win32 {

std::string item_text(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    std::string text(std::size_t(std::max(0, GetWindowTextLengthA(item))), '\0');
    if (!text.empty())
        text.resize(std::size_t(GetDlgItemTextA(dialog, id, text.data(), int(text.size()) + 1)));
    return text;
}

namespace {

// The ids of every dialog and control, for the symbol editor's check.
std::vector<long> ids_in_use()
{
    std::vector<long> ids;
    const EditorSession& s = app().session;
    for (std::size_t i : s.dialog_records()) {
        const Dialog& d = *s.file().records[i].dialog;
        ids.push_back(d.id);
        for (const Control& c : d.controls)
            ids.push_back(c.id);
    }
    return ids;
}

void fill_symbols(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_SYMBOL_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const Symbol& s : app().session.symbols().entries()) {
        std::string line = vyn::format("%s\t%ld", s.name.c_str(), s.value);
        SendMessageA(list, LB_ADDSTRING, 0, LPARAM(line.c_str()));
    }
}

void add_symbol(HWND dialog)
{
    std::string name(vyn::trim(item_text(dialog, IDC_SYMBOL_NAME)));
    std::string value = item_text(dialog, IDC_SYMBOL_VALUE);
    // An id used by a control may be named; only other symbols clash then.
    std::vector<long> used = ids_in_use();
    auto parsed = vyn::parse_long(vyn::trim(value));
    if (parsed)
        std::erase(used, *parsed);
    if (auto refusal = check_new_symbol(app().session.symbols(), name, value, used)) {
        ui().message(*refusal);
        return;
    }
    if (app().session.add_symbol(name, *parsed, ui())) {
        SetDlgItemTextA(dialog, IDC_SYMBOL_NAME, "");
        SetDlgItemTextA(dialog, IDC_SYMBOL_VALUE, "");
        fill_symbols(dialog);
    }
}

void delete_symbol(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_SYMBOL_LIST);
    LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR || std::size_t(index) >= app().session.symbols().entries().size())
        return;
    app().session.remove_symbol(app().session.symbols().entries()[std::size_t(index)].name);
    fill_symbols(dialog);
}

INT_PTR CALLBACK symbols_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: {
        int tab = 100;
        SendDlgItemMessageA(dialog, IDC_SYMBOL_LIST, LB_SETTABSTOPS, 1, LPARAM(&tab));
        fill_symbols(dialog);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_SYMBOL_ADD: add_symbol(dialog); return TRUE;
        case IDC_SYMBOL_DELETE: delete_symbol(dialog); return TRUE;
        case IDC_SYMBOL_LIST:
            if (HIWORD(wparam) == LBN_SELCHANGE) {
                LRESULT i = SendDlgItemMessageA(dialog, IDC_SYMBOL_LIST, LB_GETCURSEL, 0, 0);
                const auto& entries = app().session.symbols().entries();
                if (i != LB_ERR && std::size_t(i) < entries.size()) {
                    SetDlgItemTextA(dialog, IDC_SYMBOL_NAME, entries[std::size_t(i)].name.c_str());
                    SetDlgItemInt(dialog, IDC_SYMBOL_VALUE, UINT(entries[std::size_t(i)].value), TRUE);
                }
            }
            return TRUE;
        case IDOK:
        case IDCANCEL: EndDialog(dialog, IDOK); return TRUE;
        }
        break;
    }
    return FALSE;
}

// The control whose callback the callbacks dialog edits: the single selected one.
Control* callback_control(Dialog& project_dialog)
{
    const Dialog* shown = app().session.dialog();
    if (!shown || app().selection.size() != 1)
        return nullptr;
    std::uint16_t id = shown->controls[app().selection[0]].id;
    for (Control& c : project_dialog.controls)
        if (c.id == id)
            return &c;
    return nullptr;
}

/* The project's record of the dialog is rebuilt from the resource file each
   time it is asked for, so the record and its controls are fetched only where
   they are used, and never held across a call that sends the dialog a
   message (setting a field's text notifies the dialog, which comes back here). */
void fill_callbacks(HWND dialog)
{
    std::string name = app().session.dialog_name();
    Dialog& pd = app().session.project_dialog();
    const Control* c = callback_control(pd);
    std::string prefix = pd.prefix;
    std::optional<std::string> label, callback, mask;
    if (c) {
        label = vyn::format("Control %s (%s)", control_symbol(*c).c_str(), control_kind_name(c->kind));
        callback = c->callback;
        mask = vyn::format("0x%X", notifications_of(*c));
    }
    SetDlgItemTextA(dialog, IDC_DIALOG_NAME, name.c_str());
    SetDlgItemTextA(dialog, IDC_DIALOG_PREFIX, prefix.c_str());
    if (label) {
        SetDlgItemTextA(dialog, IDC_CONTROL_LABEL, label->c_str());
        SetDlgItemTextA(dialog, IDC_CONTROL_CALLBACK, callback->c_str());
        SetDlgItemTextA(dialog, IDC_CONTROL_MASK, mask->c_str());
    } else {
        SetDlgItemTextA(dialog, IDC_CONTROL_LABEL, "No control selected");
        EnableWindow(GetDlgItem(dialog, IDC_CONTROL_CALLBACK), FALSE);
        EnableWindow(GetDlgItem(dialog, IDC_CONTROL_MASK), FALSE);
    }
}

// False, with the refusal told, when a field is wrong; then nothing is changed.
bool apply_callbacks(HWND dialog)
{
    std::string name(vyn::trim(item_text(dialog, IDC_DIALOG_NAME)));
    if (name.find_first_of(" \t") != std::string::npos) {
        ui().message("The dialog's name cannot contain blanks.");
        return false;
    }
    std::string prefix(vyn::trim(item_text(dialog, IDC_DIALOG_PREFIX)));
    std::string callback(vyn::trim(item_text(dialog, IDC_CONTROL_CALLBACK)));
    std::string text(vyn::trim(item_text(dialog, IDC_CONTROL_MASK)));
    bool has_control = callback_control(app().session.project_dialog()) != nullptr;
    std::optional<std::uint32_t> mask;
    if (has_control) {
        mask = vyn::starts_with_nocase(text, "0x") ? vyn::parse_u32(text.substr(2), 16) : vyn::parse_u32(text);
        if (!mask) {
            ui().message("Notification mask value must be a positive number.");
            return false;
        }
    }
    if (!app().session.rename_dialog(name, ui()))
        return false;
    Dialog& pd = app().session.project_dialog();
    pd.prefix = prefix;
    if (Control* c = callback_control(pd)) {
        c->callback = callback;
        set_notifications(*c, *mask);
    }
    app().session.mark_modified();
    return true;
}

INT_PTR CALLBACK callbacks_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        fill_callbacks(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK) {
            if (apply_callbacks(dialog))
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

INT_PTR CALLBACK styles_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    const Dialog* d = app().session.dialog();
    if (!d || app().selection.empty())
        return FALSE;
    const Control& c = d->controls[app().selection[0]];
    switch (message) {
    case WM_INITDIALOG: {
        SetDlgItemTextA(dialog, IDC_STYLE_TEXT, c.text.is_ordinal ? "" : c.text.text.c_str());
        SetDlgItemInt(dialog, IDC_STYLE_ID, c.id, FALSE);
        const Symbol* s = app().session.symbols().find_value(c.id);
        SetDlgItemTextA(dialog, IDC_STYLE_SYMBOL, s ? s->name.c_str() : "");
        EnableWindow(GetDlgItem(dialog, IDC_STYLE_SYMBOL), FALSE);
        SetDlgItemTextA(dialog, IDC_STYLE_STYLE, vyn::format("0x%8.8X", c.style).c_str());
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK) {
            std::string style_text(vyn::trim(item_text(dialog, IDC_STYLE_STYLE)));
            auto style = vyn::starts_with_nocase(style_text, "0x") ? vyn::parse_u32(style_text.substr(2), 16)
                                                                   : vyn::parse_u32(style_text);
            auto id = vyn::parse_u32(vyn::trim(item_text(dialog, IDC_STYLE_ID)));
            if (!style) {
                ui().message("Style value must be a positive number.");
                return TRUE;
            }
            if (!id || *id == 0 || *id > 0xFFFF) {
                ui().message("ID value must be greater than zero.");
                return TRUE;
            }
            for (std::size_t i = 0; i < d->controls.size(); ++i)
                if (i != app().selection[0] && d->controls[i].id == *id && *id != 0xFFFF) {
                    ui().message("Another control or dialog already has this ID.");
                    return TRUE;
                }
            std::string text = item_text(dialog, IDC_STYLE_TEXT);
            std::size_t index = app().selection[0];
            app().session.renumber_control(c.id, c.kind, std::uint16_t(*id));
            Control& changed = change_dialog()->controls[index];
            // An icon's text names its image by number; an empty field leaves it.
            if (!(changed.text.is_ordinal && text.empty()))
                changed.text = {false, 0, text};
            changed.id = std::uint16_t(*id);
            changed.style = *style;
            EndDialog(dialog, IDOK);
            after_change();
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

// The lines and the title of the choice the select dialog offers.
std::vector<std::string> g_choices;
std::string g_choice_title;

INT_PTR CALLBACK select_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowTextA(dialog, g_choice_title.c_str());
        for (const std::string& line : g_choices)
            SendDlgItemMessageA(dialog, IDC_DIALOG_LIST, LB_ADDSTRING, 0, LPARAM(line.c_str()));
        SendDlgItemMessageA(dialog, IDC_DIALOG_LIST, LB_SETCURSEL, 0, 0);
        return TRUE;
    case WM_COMMAND: {
        bool chosen = LOWORD(wparam) == IDOK || (LOWORD(wparam) == IDC_DIALOG_LIST && HIWORD(wparam) == LBN_DBLCLK);
        if (chosen) {
            LRESULT i = SendDlgItemMessageA(dialog, IDC_DIALOG_LIST, LB_GETCURSEL, 0, 0);
            EndDialog(dialog, i == LB_ERR ? -1 : INT_PTR(i));
            return TRUE;
        }
        if (LOWORD(wparam) == IDCANCEL) {
            EndDialog(dialog, -1);
            return TRUE;
        }
        break;
    }
    }
    return FALSE;
}

// The hierarchy: the controls in their order, which is the tab order.
void fill_order(HWND dialog, int selected)
{
    HWND list = GetDlgItem(dialog, IDC_ORDER_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    const Dialog* d = app().session.dialog();
    for (const Control& c : d->controls) {
        const Symbol* s = app().session.symbols().find_value(c.id);
        std::string text = c.text.is_ordinal ? std::string() : c.text.text;
        std::string line = vyn::format("%s %s \"%s\"", control_kind_name(c.kind),
                                       s ? s->name.c_str() : std::to_string(c.id).c_str(), text.c_str());
        SendMessageA(list, LB_ADDSTRING, 0, LPARAM(line.c_str()));
    }
    SendMessageA(list, LB_SETCURSEL, WPARAM(selected), 0);
}

void move_selected_in_order(HWND dialog, int delta)
{
    LRESULT i = SendDlgItemMessageA(dialog, IDC_ORDER_LIST, LB_GETCURSEL, 0, 0);
    if (i == LB_ERR || std::size_t(i) >= app().session.dialog()->controls.size())
        return;
    std::size_t at = move_in_order(*change_dialog(), std::size_t(i), delta);
    app().selection = {at};
    fill_order(dialog, int(at));
    after_change();
}

INT_PTR CALLBACK hierarchy_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        fill_order(dialog, app().selection.empty() ? 0 : int(app().selection[0]));
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_ORDER_UP: move_selected_in_order(dialog, -1); return TRUE;
        case IDC_ORDER_DOWN: move_selected_in_order(dialog, 1); return TRUE;
        case IDOK:
        case IDCANCEL: EndDialog(dialog, IDOK); return TRUE;
        }
        break;
    }
    return FALSE;
}

std::string g_new_name;

INT_PTR CALLBACK name_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK) {
            std::string name(vyn::trim(item_text(dialog, IDC_DIALOG_NAME)));
            if (auto refusal = check_dialog_name(name)) {
                ui().message(*refusal);
                return TRUE;
            }
            g_new_name = name;
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

INT_PTR run(int id, DLGPROC procedure)
{
    return DialogBoxParamA(app().instance, MAKEINTRESOURCEA(id), app().frame, procedure, 0);
}

}  // namespace

void symbols_dialog()
{
    run(IDD_SYMBOLS, symbols_procedure);
    update_title_and_status();
}

void callbacks_dialog()
{
    if (app().session.dialog())
        run(IDD_CALLBACKS, callbacks_procedure);
    update_title_and_status();
}

void hierarchy_dialog()
{
    if (app().session.dialog() && !app().session.dialog()->controls.empty())
        run(IDD_HIERARCHY, hierarchy_procedure);
}

void styles_dialog()
{
    if (app().session.dialog() && !app().selection.empty())
        run(IDD_STYLES, styles_procedure);
}

std::optional<std::size_t> choose_one(const std::string& title, const std::vector<std::string>& lines)
{
    if (lines.empty())
        return std::nullopt;
    g_choices = lines;
    g_choice_title = title;
    INT_PTR chosen = run(IDD_SELECT_DIALOG, select_procedure);
    if (chosen < 0 || std::size_t(chosen) >= lines.size())
        return std::nullopt;
    return std::size_t(chosen);
}

std::optional<std::size_t> select_dialog_dialog()
{
    const EditorSession& s = app().session;
    auto records = s.dialog_records();
    std::vector<std::string> lines;
    for (std::size_t i : records) {
        const Dialog& d = *s.file().records[i].dialog;
        std::string line = d.name.empty() ? std::to_string(d.id) : d.name;
        if (!d.caption.empty())
            line += "  \"" + d.caption + "\"";
        lines.push_back(line);
    }
    auto chosen = choose_one("Select Dialog", lines);
    if (!chosen)
        return std::nullopt;
    return records[*chosen];
}

std::optional<std::string> dialog_name_dialog()
{
    if (run(IDD_DIALOG_NAME, name_procedure) != IDOK)
        return std::nullopt;
    return g_new_name;
}

std::optional<std::string> choose_file(bool save, const char* filter, const char* extension, const std::string& directory)
{
    char name[MAX_PATH] = {};
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = app().frame;
    ofn.lpstrFilter = filter;
    ofn.lpstrFile = name;
    ofn.nMaxFile = sizeof name;
    ofn.lpstrDefExt = extension;
    const std::string& start = directory.empty() ? app().settings.text(kCurrentDir) : directory;
    ofn.lpstrInitialDir = start.empty() ? nullptr : start.c_str();
    ofn.Flags = OFN_HIDEREADONLY | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    BOOL ok = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!ok)
        return std::nullopt;
    return std::string(name);
}

}  // namespace vyn::resedit::win32
