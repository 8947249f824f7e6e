// The dialog being edited, shown live: a modeless child dialog made from the
// dialog's own template. Its controls are made transparent to the mouse so
// every click reaches the dialog, which selects, moves and resizes them; the
// model changes once, when the mouse is released.
#include "resedit/win32/app.h"

#include "resedit/zoom.h"

#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "resedit/dialog_template.h"

namespace vyn::resedit::win32 {

namespace {

constexpr char kOldProcProperty[] = "TavraresOldProc";
constexpr int kHandle = 5;  // pixels of a selection handle's side
constexpr int kGripSlack = 3;

struct DragState {
    bool active = false;
    bool moved = false;
    unsigned grip = kGripNone;
    POINT start{};
    int dx = 0, dy = 0;  // dialog units
};

DragState g_drag;
HBRUSH g_list_brush = nullptr;  // "ListBackground"
RECT g_scale{0, 0, 400, 800};  // pixels of 400 x 800 dialog units in the view

// floor(a / b) for b > 0.
int floor_div(long a, long b) { return int(a >= 0 ? a / b : -((-a + b - 1) / b)); }

int px_to_du_x(int px) { return floor_div(long(px) * 400, std::max<long>(1, g_scale.right)); }
int px_to_du_y(int py) { return floor_div(long(py) * 800, std::max<long>(1, g_scale.bottom)); }

LRESULT CALLBACK transparent_control(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    auto old = reinterpret_cast<WNDPROC>(GetPropA(window, kOldProcProperty));
    if (message == WM_NCHITTEST)
        return HTTRANSPARENT;
    if (message == WM_NCDESTROY)
        RemovePropA(window, kOldProcProperty);
    return old ? CallWindowProcA(old, window, message, wparam, lparam) : DefWindowProcA(window, message, wparam, lparam);
}

BOOL CALLBACK make_transparent(HWND child, LPARAM)
{
    if (GetPropA(child, kOldProcProperty))
        return TRUE;
    LONG_PTR old = SetWindowLongPtrA(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&transparent_control));
    SetPropA(child, kOldProcProperty, reinterpret_cast<HANDLE>(old));
    return TRUE;
}

bool class_exists(const std::string& name)
{
    WNDCLASSEXA info{};
    info.cbSize = sizeof info;
    return GetClassInfoExA(nullptr, name.c_str(), &info) || GetClassInfoExA(app().instance, name.c_str(), &info);
}

// The template shown: a visible child without menu or private class, with
// unknown control classes drawn as grey frames.
std::vector<DWORD> display_template(const Dialog& model)
{
    Dialog d = model;
    d.style = (d.style & ~(WS_POPUP | WS_DISABLED | WS_MINIMIZE | WS_MAXIMIZE | DS_SYSMODAL | DS_CENTER)) |
              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    d.ex_style &= ~DWORD(WS_EX_APPWINDOW | WS_EX_TOPMOST);
    d.x = d.y = 0;
    d.menu = {};
    d.window_class = {};
    apply_zoom(d, app().zoom);
    for (Control& c : d.controls) {
        c.style &= ~DWORD(WS_DISABLED);
        if (!c.window_class.is_ordinal && !class_exists(c.window_class.text)) {
            c.text.is_ordinal = false;
            c.text.text = c.window_class.text;
            c.window_class = {true, kClassStatic, {}};
            c.style = WS_CHILD | WS_VISIBLE | SS_GRAYFRAME;
            c.creation_data.clear();
        }
        if (c.kind == kIcon)  // the program's icons are not ours to load
            c.style = (c.style & ~0x1Fu) | SS_BLACKFRAME;
    }
    std::vector<std::uint8_t> bytes = write_dialog_template(d);
    std::vector<DWORD> aligned((bytes.size() + 3) / 4);
    std::copy(bytes.begin(), bytes.end(), reinterpret_cast<std::uint8_t*>(aligned.data()));
    return aligned;
}

// The class of the first control that cannot be created with its styles,
// tried one by one in a hidden window; "dialog" when each can.
std::string failing_class(const Dialog& d)
{
    HWND probe = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, app().instance, nullptr);
    std::string failed = "dialog";
    for (const Control& c : d.controls) {
        static const char* const kOrdinalClasses[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};
        std::string cls = c.window_class.text;
        if (c.window_class.is_ordinal)
            cls = c.window_class.ordinal >= 0x80 && c.window_class.ordinal <= 0x85
                      ? kOrdinalClasses[c.window_class.ordinal - 0x80] : "STATIC";
        HWND w = CreateWindowExA(c.ex_style, cls.c_str(), "", (c.style & ~WS_VISIBLE) | WS_CHILD, 0, 0, 10, 10,
                                 probe, nullptr, app().instance, nullptr);
        if (!w) {
            failed = cls;
            break;
        }
    }
    DestroyWindow(probe);
    return failed;
}

RECT control_pixels(const Control& c) { return dialog_units_to_pixels(control_rect(c)); }

void draw_selection(HDC dc)
{
    const Dialog* d = app().session.dialog();
    if (!d)
        return;
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    for (std::size_t i : app().selection) {
        if (i >= d->controls.size())
            continue;
        RECT r = control_pixels(d->controls[i]);
        if (g_drag.active && g_drag.moved)
            r = dialog_units_to_pixels(drag(control_rect(d->controls[i]), g_drag.grip, g_drag.dx, g_drag.dy));
        RECT outline = r;
        InflateRect(&outline, 2, 2);
        DrawFocusRect(dc, &outline);
        int xs[3] = {r.left, (r.left + r.right) / 2, r.right};
        int ys[3] = {r.top, (r.top + r.bottom) / 2, r.bottom};
        for (int yi = 0; yi < 3; ++yi)
            for (int xi = 0; xi < 3; ++xi) {
                if (xi == 1 && yi == 1)
                    continue;
                RECT h{xs[xi] - kHandle / 2, ys[yi] - kHandle / 2, xs[xi] + kHandle / 2 + 1, ys[yi] + kHandle / 2 + 1};
                FillRect(dc, &h, black);
            }
    }
}

// The dotted guide above the row of push buttons, within the side margins.
void draw_button_guide(HDC dc)
{
    const Dialog* d = app().session.dialog();
    auto y = d ? button_guide_y(*d, app().settings) : std::nullopt;
    if (!y)
        return;
    int margin = int(app().settings[kXMargin]);
    RECT line = dialog_units_to_pixels({margin, *y, std::max(margin, d->cx - margin), *y});
    HPEN pen = CreatePen(PS_DOT, 1, GetSysColor(COLOR_GRAYTEXT));
    HGDIOBJ old = SelectObject(dc, pen);
    SetBkMode(dc, TRANSPARENT);
    MoveToEx(dc, line.left, line.top, nullptr);
    LineTo(dc, line.right, line.top);
    SelectObject(dc, old);
    DeleteObject(pen);
}

// The background of the list boxes shown, when "ListBackground" holds a colour.
bool list_background(COLORREF& colour)
{
    long value = app().settings[kListBackground];
    if (value < 0 || value > 0xFFFFFF)
        return false;
    colour = COLORREF(value);
    return true;
}

// The static text of the edited dialog with id, if any.
const Control* static_text(int id)
{
    const Dialog* d = app().session.dialog();
    if (!d)
        return nullptr;
    for (const Control& c : d->controls)
        if (c.id == id && c.kind == kText)
            return &c;
    return nullptr;
}

// Moves the selected controls' windows to where the drag would put them.
void preview_drag()
{
    const Dialog* d = app().session.dialog();
    for (std::size_t i : app().selection) {
        const Control& c = d->controls[i];
        RECT r = dialog_units_to_pixels(drag(control_rect(c), g_drag.grip, g_drag.dx, g_drag.dy));
        HWND w = GetDlgItem(app().view, c.id);
        if (w)
            SetWindowPos(w, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(app().view, nullptr, TRUE);
}

void select_only(std::size_t i)
{
    app().selection = {i};
    app().anchor = i;
}

void toggle_selected(std::size_t i)
{
    Selection& sel = app().selection;
    if (sel.empty())
        app().anchor = i;
    auto it = std::find(sel.begin(), sel.end(), i);
    if (it != sel.end())
        sel.erase(it);
    else
        sel.insert(std::upper_bound(sel.begin(), sel.end(), i), i);
}

void on_button_down(WPARAM keys, int px, int py)
{
    SetFocus(app().frame);
    const Dialog* d = app().session.dialog();
    if (!d)
        return;
    int x = px_to_du_x(px), y = px_to_du_y(py);
    if (app().pending_kind) {
        Dialog* changed = change_dialog();
        std::size_t added = app().pending_custom
                                ? add_custom_control(*changed, *app().pending_custom, x, y, editing_settings())
                                : add_control(*changed, *app().pending_kind, x, y, editing_settings());
        app().pending_kind.reset();
        app().pending_custom.reset();
        app().selection = {added};
        after_change();
        return;
    }
    // A handle of a selected control resizes it alone.
    for (std::size_t i : app().selection) {
        RECT r = control_pixels(d->controls[i]);
        unsigned grip = grip_at({r.left, r.top, r.right, r.bottom}, px, py, kGripSlack);
        if (grip != kGripNone && grip != kGripBody && !(keys & MK_SHIFT)) {
            select_only(i);
            g_drag = {true, false, grip, {px, py}, 0, 0};
            SetCapture(app().view);
            return;
        }
    }
    auto hit = control_at(*d, x, y);
    if (!hit) {
        app().selection.clear();
    } else if (keys & MK_SHIFT) {
        toggle_selected(*hit);
    } else {
        if (std::find(app().selection.begin(), app().selection.end(), *hit) == app().selection.end())
            select_only(*hit);
        g_drag = {true, false, kGripBody, {px, py}, 0, 0};
        SetCapture(app().view);
    }
    InvalidateRect(app().view, nullptr, TRUE);
    update_title_and_status();
}

void on_mouse_move(int px, int py)
{
    if (!g_drag.active)
        return;
    int dx = px_to_du_x(px) - px_to_du_x(g_drag.start.x);
    int dy = px_to_du_y(py) - px_to_du_y(g_drag.start.y);
    if (dx == g_drag.dx && dy == g_drag.dy)
        return;
    g_drag.dx = dx;
    g_drag.dy = dy;
    g_drag.moved = true;
    preview_drag();
}

void on_button_up(int px, int py)
{
    if (!g_drag.active)
        return;
    on_mouse_move(px, py);
    DragState done = g_drag;
    g_drag = {};
    ReleaseCapture();
    if (!done.moved)
        return;
    Dialog* d = change_dialog();
    drag_selection(*d, app().selection, done.grip, done.dx, done.dy, app().settings);
    after_change();
}

INT_PTR CALLBACK view_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG:
        return FALSE;  // the frame keeps the focus
    case WM_LBUTTONDOWN:
        on_button_down(wparam, GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
        return TRUE;
    case WM_MOUSEMOVE:
        on_mouse_move(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
        return TRUE;
    case WM_LBUTTONUP:
        on_button_up(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
        return TRUE;
    case WM_CAPTURECHANGED:
        // A drag outlives a lost capture: the button's release over the
        // dialog still ends it, and the next press starts afresh.
        return TRUE;
    case WM_LBUTTONDBLCLK:
        if (!app().selection.empty())
            PostMessageA(app().frame, WM_COMMAND, 7027, 0);
        return TRUE;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        draw_button_guide(dc);
        draw_selection(dc);
        EndPaint(window, &ps);
        return TRUE;
    }
    case WM_CTLCOLORSTATIC: {
        // Static texts with a colour of their own are shown in it, as the
        // generated code shows them.
        const Control* text = static_text(GetDlgCtrlID(reinterpret_cast<HWND>(lparam)));
        if (!text || text->text_colour == kNoColour)
            return FALSE;
        SetTextColor(HDC(wparam), COLORREF(text->text_colour));
        SetBkMode(HDC(wparam), TRANSPARENT);
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_3DFACE));
    }
    case WM_CTLCOLORLISTBOX: {
        COLORREF colour;
        if (!g_list_brush || !list_background(colour))
            return FALSE;
        SetBkColor(HDC(wparam), colour);
        return reinterpret_cast<INT_PTR>(g_list_brush);
    }
    case WM_CLOSE:
        return TRUE;  // the edited dialog is not closed by its own box
    case WM_COMMAND:
    case WM_SYSCOMMAND:
        return TRUE;  // its controls do nothing while edited
    }
    return FALSE;
}

}  // namespace

bool register_view_support()
{
    INITCOMMONCONTROLSEX init{sizeof init, ICC_WIN95_CLASSES};
    return InitCommonControlsEx(&init);
}

RECT dialog_units_to_pixels(const Rect& r)
{
    auto sx = [](int v) { return int(std::int64_t(v) * g_scale.right / 400); };
    auto sy = [](int v) { return int(std::int64_t(v) * g_scale.bottom / 800); };
    return {sx(r.left), sy(r.top), sx(r.right), sy(r.bottom)};
}

void destroy_view()
{
    if (app().view)
        DestroyWindow(app().view);
    app().view = nullptr;
    g_drag = {};
    if (g_list_brush)
        DeleteObject(g_list_brush);
    g_list_brush = nullptr;
}

void rebuild_view()
{
    destroy_view();
    const Dialog* d = app().session.dialog();
    if (!d) {
        update_title_and_status();
        return;
    }
    Selection& sel = app().selection;
    sel.erase(std::remove_if(sel.begin(), sel.end(), [d](std::size_t i) { return i >= d->controls.size(); }), sel.end());
    COLORREF colour;
    if (list_background(colour))
        g_list_brush = CreateSolidBrush(colour);
    std::vector<DWORD> bytes = display_template(*d);
    HWND view = CreateDialogIndirectParamA(app().instance, reinterpret_cast<LPCDLGTEMPLATEA>(bytes.data()),
                                           app().frame, view_procedure, 0);
    if (!view) {
        ui().message("Could not create control of class " + failing_class(*d) + " with the specified styles.");
        update_title_and_status();
        return;
    }
    app().view = view;
    g_scale = {0, 0, 400, 800};
    MapDialogRect(view, &g_scale);
    EnumChildWindows(view, make_transparent, 0);
    layout_frame();
    ShowWindow(view, SW_SHOWNA);
    SetFocus(app().frame);
    update_title_and_status();
}

}  // namespace vyn::resedit::win32
