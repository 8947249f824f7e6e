// The configuration dialog: the numeric settings, the font of new dialogs,
// the colours of static texts and list boxes, the default styles of new
// controls, and the command that starts the IDE. Nothing is kept before OK.
#include "resedit/win32/app.h"

#include <windows.h>
#include <commdlg.h>

#include <array>

#include "common/strings.h"
#include "resedit/default_styles.h"
#include "resedit/win32/resource_ids.h"

namespace vyn::resedit::win32 {

namespace {

// The numeric settings that have an edit field of their own.
constexpr std::array kConfigured = {kCxGrid, kCyGrid, kXMargin, kYMargin, kXSpace, kYSpace, kXMinPushSpace,
                                    kXMaxPushSpace, kYPushSpace, kXGroupSpace, kYGroupSpace, kTextX, kTextY,
                                    kEditX, kEditY, kGroupX, kGroupY, kUnderscoreYOffset};

// The settings while the dialog is open.
EditorSettings g_editing;

// A colour setting chosen with the system's colour dialog; false on Cancel.
bool choose_colour(HWND owner, long& setting)
{
    static COLORREF custom[16];
    CHOOSECOLORA cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = owner;
    cc.rgbResult = setting >= 0 && setting <= 0xFFFFFF ? COLORREF(setting) : 0;
    cc.lpCustColors = custom;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!ChooseColorA(&cc))
        return false;
    setting = long(cc.rgbResult);
    return true;
}

INT_PTR CALLBACK default_styles_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        for (int bit = 0; bit < kDefaultStyleChoiceCount; ++bit) {
            SetDlgItemTextA(dialog, IDC_STYLE_CHOICE + bit, default_style_label(bit));
            CheckDlgButton(dialog, IDC_STYLE_CHOICE + bit, (g_editing[kControlStyles] >> bit) & 1);
        }
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK) {
            long choices = g_editing[kControlStyles] & ~0xFFFFL;
            for (int bit = 0; bit < kDefaultStyleChoiceCount; ++bit)
                if (IsDlgButtonChecked(dialog, IDC_STYLE_CHOICE + bit) == BST_CHECKED)
                    choices |= 1L << bit;
            g_editing[kControlStyles] = choices;
        }
        if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wparam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

void fill(HWND dialog)
{
    for (NumberSetting which : kConfigured)
        SetDlgItemTextA(dialog, IDC_SETTING + which, std::to_string(g_editing[which]).c_str());
    CheckDlgButton(dialog, IDC_FONT_BOLD, (g_editing[kFontStyle] & kFontStyleBold) != 0);
    CheckDlgButton(dialog, IDC_FONT_ITALIC, (g_editing[kFontStyle] & kFontStyleItalic) != 0);
    SetDlgItemTextA(dialog, IDC_EDITOR_PATH, g_editing.text(kEditorFullPath).c_str());
}

// The typed values into g_editing; false, with the field focused, when one is refused.
bool take_values(HWND dialog)
{
    for (NumberSetting which : kConfigured) {
        CheckedValue v = check_setting_value(which, item_text(dialog, IDC_SETTING + which));
        if (!v.message.empty()) {
            ui().message(v.message);
            SetFocus(GetDlgItem(dialog, IDC_SETTING + which));
            return false;
        }
        g_editing[which] = v.value;
    }
    long style = g_editing[kFontStyle] & ~(kFontStyleBold | kFontStyleItalic);
    if (IsDlgButtonChecked(dialog, IDC_FONT_BOLD) == BST_CHECKED)
        style |= kFontStyleBold;
    if (IsDlgButtonChecked(dialog, IDC_FONT_ITALIC) == BST_CHECKED)
        style |= kFontStyleItalic;
    g_editing[kFontStyle] = style;
    g_editing.text(kEditorFullPath) = std::string(vyn::trim(item_text(dialog, IDC_EDITOR_PATH)));
    return true;
}

// The new settings in place. The dialog showed the open project's default
// styles: when they were changed they become the setting and the project's.
void apply()
{
    bool styles_changed = g_editing[kControlStyles] != editing_settings()[kControlStyles];
    if (!styles_changed)
        g_editing[kControlStyles] = app().settings[kControlStyles];
    app().settings = g_editing;
    app().session.set_default_styles(std::uint32_t(g_editing[kControlStyles]));
    if (styles_changed && !app().session.res_path().empty()) {
        app().session.set_control_styles(std::uint32_t(g_editing[kControlStyles]));
        app().session.mark_modified();
    }
    PostMessageA(app().frame, WM_APP, 0, 0);  // the guide and the list colour are redrawn
    update_title_and_status();
}

INT_PTR CALLBACK configuration_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        g_editing = editing_settings();
        fill(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_TEXT_COLOUR: choose_colour(dialog, g_editing[kTextColor]); return TRUE;
        case IDC_LIST_COLOUR: choose_colour(dialog, g_editing[kListBackground]); return TRUE;
        case IDC_DEFAULT_STYLES:
            DialogBoxParamA(app().instance, MAKEINTRESOURCEA(IDD_DEFAULT_STYLES), dialog, default_styles_procedure, 0);
            return TRUE;
        case IDOK:
            if (take_values(dialog)) {
                apply();
                EndDialog(dialog, IDOK);
            }
            return TRUE;
        case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

void configuration_dialog()
{
    DialogBoxParamA(app().instance, MAKEINTRESOURCEA(IDD_CONFIGURATION), app().frame, configuration_procedure, 0);
}

}  // namespace vyn::resedit::win32
