// The editor's main window: the menu, the palette of controls along the
// top, the live dialog below it and the status bar.
#include "resedit/win32/app.h"

#include <windows.h>
#include <commctrl.h>

#include "common/strings.h"
#include "resedit/command_ids.h"
#include "resedit/editor_commands.h"

namespace vyn::resedit::win32 {

namespace {

constexpr int kPaletteHeight = 26;
constexpr int kViewGap = 12;

struct PaletteButton {
    std::uint16_t kind;
    const char* label;
};

const PaletteButton kPalette[] = {
    {kText, "Text"}, {kEdit, "Edit"}, {kGroupbox, "Group"}, {kButton, "Button"}, {kCheckbox, "Check"},
    {kRadiobutton, "Radio"}, {kCombo, "Combo"}, {kList, "List"}, {kHScroll, "HScroll"}, {kVScroll, "VScroll"},
    {kListview, "Listview"}, {kTree, "Tree"}, {kSpin, "Spin"}, {kSlider, "Slider"}, {kCustom, "Custom"},
};

void create_palette(HWND frame)
{
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    int x = 2;
    for (const PaletteButton& b : kPalette) {
        HWND w = CreateWindowExA(0, "BUTTON", b.label, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, x, 2, 48,
                                 kPaletteHeight - 4, frame, reinterpret_cast<HMENU>(INT_PTR(CMD_ADD_CONTROL + b.kind)),
                                 app().instance, nullptr);
        SendMessageA(w, WM_SETFONT, WPARAM(font), 0);
        x += 50;
    }
}

void enable_menu_items(HMENU menu)
{
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        UINT id = GetMenuItemID(menu, i);
        if (id == UINT(-1))
            continue;  // a popup or separator
        // Commands that need a selection stay enabled: without one they say
        // so, where a grayed item or a silent shortcut would leave the user guessing.
        bool enabled = command_available(int(id));
        if (id == CMD_UNDO || id == CMD_RESTART || id == CMD_TEST || id == CMD_CALLBACKS || id == CMD_REDIMENSION)
            enabled = enabled && app().session.dialog();
        EnableMenuItem(menu, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    }
}

void on_close()
{
    if (!app().session.offer_to_save(ui()))
        return;
    app().settings.text(kLastFileLoaded) = app().session.res_path();
    app().store->write_back(app().settings);
    DestroyWindow(app().frame);
}

LRESULT CALLBACK frame_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_CREATE:
        app().frame = window;
        create_palette(window);
        make_arrange_pictures(GetMenu(window));
        app().status = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                       window, nullptr, app().instance, nullptr);
        return 0;
    case WM_SIZE:
        if (app().status)
            SendMessageA(app().status, WM_SIZE, 0, 0);
        layout_frame();
        return 0;
    case WM_COMMAND:
        run_command(LOWORD(wparam));
        return 0;
    case WM_KEYDOWN:
        handle_arrow_key(UINT(wparam));
        return 0;
    case WM_MEASUREITEM:
        if (measure_arrange_item(*reinterpret_cast<MEASUREITEMSTRUCT*>(lparam)))
            return TRUE;
        break;
    case WM_DRAWITEM:
        if (draw_arrange_item(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam)))
            return TRUE;
        break;
    case WM_INITMENUPOPUP:
        enable_menu_items(HMENU(wparam));
        return 0;
    case WM_APP:  // the model changed: show it again
        rebuild_view();
        return 0;
    case WM_CLOSE:
        on_close();
        return 0;
    case WM_DESTROY:
        destroy_view();
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

bool register_frame_class(HINSTANCE instance)
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = frame_procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32517));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    wc.lpszMenuName = "TAVRARESMENU";
    wc.lpszClassName = kFrameClass;
    return RegisterClassExA(&wc) != 0;
}

HWND create_frame(int show)
{
    HWND frame = CreateWindowExA(0, kFrameClass, kTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                                 CW_USEDEFAULT, 820, 560, nullptr, nullptr, app().instance, nullptr);
    if (frame) {
        ShowWindow(frame, show);
        UpdateWindow(frame);
    }
    return frame;
}

void layout_frame()
{
    if (app().view)
        SetWindowPos(app().view, nullptr, kViewGap, kPaletteHeight + kViewGap, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void update_title_and_status()
{
    EditorSession& s = app().session;
    std::string title = kTitle;
    if (!s.res_path().empty())
        title += " - " + s.res_path() + (s.res_modified() ? " *" : "");
    SetWindowTextA(app().frame, title.c_str());
    std::string status;
    if (const Dialog* d = s.dialog()) {
        // A dialog named by number shows its symbol, else the name its
        // project record gives it.
        std::string name = d->name;
        if (const Symbol* symbol = s.symbols().find_value(d->id); name.empty() && symbol)
            name = symbol->name;
        for (const Dialog& record : s.project().dialogs)
            if (name.empty() && record.id == d->id)
                name = record.name;
        status = vyn::format("Dialog %d %s: %d controls", d->id, name.empty() ? "NoLabel" : name.c_str(),
                             int(d->controls.size()));
        if (app().selection.size() == 1) {
            const Control& c = d->controls[app().selection[0]];
            status += vyn::format("; selected %d at %d,%d size %dx%d", c.id, c.x, c.y, c.cx, c.cy);
        } else if (!app().selection.empty()) {
            status += vyn::format("; %d selected", int(app().selection.size()));
        }
        if (app().zoom != 100)
            status += vyn::format("; zoom %d%%", app().zoom);
    } else if (!s.res_path().empty()) {
        status = vyn::format("%d dialogs", int(s.dialog_records().size()));
    }
    if (app().pending_kind)
        status = vyn::format("Click in the dialog to place the %s", app().pending_custom
                                                                          ? app().pending_custom->name.c_str()
                                                                          : control_kind_name(*app().pending_kind));
    if (app().status)
        SetWindowTextA(app().status, status.c_str());
}

}  // namespace vyn::resedit::win32
