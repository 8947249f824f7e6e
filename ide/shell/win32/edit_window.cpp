#include "ide/shell/win32/edit_window.h"

#include <algorithm>

#include "common/strings.h"
#include "common/winpath.h"
#include "ide/command_ids.h"
#include "ide/editor/view_geometry.h"
#include "ide/shell/win32/files_toolbar.h"
#include "ide/shell/win32/ide.h"
#include "ide/shell/win32/row_painter.h"
#include "ide/shell/win32/saving.h"

namespace vyn::shell {

namespace {

const char kEditClass[] = "clMDIDocument";
using vyn::editor::Position;
using vyn::editor::View;

// The measures of the editor font and the tab size in force.
vyn::editor::CellMetrics cell_metrics()
{
    return {edit_margin(), ide().char_width, ide().line_height, std::max(1, int(ide().settings.tab_size))};
}

RECT client_rect(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    return client;
}

// Keeps the cursor's screen column within the window horizontally.
void follow_cursor_horizontally(HWND window, View& view)
{
    vyn::editor::CellMetrics metrics = cell_metrics();
    int columns = vyn::editor::text_columns(int(client_rect(window).right), metrics);
    vyn::editor::follow_cursor_horizontally(view, columns, metrics.tab_size);
}

void place_caret(HWND window, const View& view)
{
    if (GetFocus() != window)
        return;
    vyn::editor::Point at = vyn::editor::caret_point(view, cell_metrics());
    SetCaretPos(at.x, at.y);
}

void make_caret(HWND window, const View& view)
{
    CreateCaret(window, nullptr, vyn::editor::caret_width(view, cell_metrics()), ide().line_height);
    place_caret(window, view);
    ShowCaret(window);
}

void update_scroll_bar(HWND window, const View& view)
{
    vyn::editor::ScrollRange range = vyn::editor::vertical_scroll_range(view);
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = range.maximum;
    info.nPage = UINT(range.page);
    info.nPos = range.position;
    SetScrollInfo(window, SB_VERT, &info, TRUE);
}

void paint(HWND window, View& view)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    HGDIOBJ old_font = SelectObject(dc, ide().editor_font);
    paint_edit_rows(dc, client, view);
    SelectObject(dc, old_font);
    EndPaint(window, &ps);
}

unsigned held_modifiers()
{
    unsigned held = 0;
    if (GetKeyState(VK_CONTROL) < 0)
        held |= modifier::ctrl;
    if (GetKeyState(VK_MENU) < 0)
        held |= modifier::alt;
    if (GetKeyState(VK_SHIFT) < 0)
        held |= modifier::shift;
    return held;
}

// When a key binding took a key press, the character the same press made
// (Alt+X gives WM_SYSCHAR 'x', Alt+Backspace a system backspace) must not act
// a second time. The translated character is already queued and carries the
// key's scan code.
void drop_character_of(HWND window, LPARAM key_data)
{
    MSG message;
    for (UINT type : {UINT(WM_CHAR), UINT(WM_SYSCHAR)}) {
        if (PeekMessageA(&message, window, type, type, PM_NOREMOVE) &&
            ((message.lParam >> 16) & 0xFF) == ((key_data >> 16) & 0xFF))
            PeekMessageA(&message, window, type, type, PM_REMOVE);
    }
}

// A key press: the key binding table first, then the edit window's own keys.
bool on_key(HWND window, View& view, WPARAM key, LPARAM data, bool system_key)
{
    if (auto command = match_key(ide().key_bindings, int(key), held_modifiers())) {
        drop_character_of(window, data);
        SendMessageA(ide().frame, WM_COMMAND, WPARAM(*command), 0);
        return true;
    }
    if (system_key)
        return false;
    int repeat = std::max(1, int(data & 0xFFFF));
    if (!ide().editor->key_down(view, int(key), repeat, GetKeyState(VK_CONTROL) < 0))
        return false;
    if (key == VK_INSERT)
        make_caret(window, view);
    refresh_edit_window(window);
    return true;
}

Position position_at(const View& view, int x, int y)
{
    return vyn::editor::position_at(view, {x, y}, cell_metrics());
}

void on_vertical_scroll(HWND window, View& view, WORD request)
{
    using vyn::editor::ScrollRequest;
    ScrollRequest asked;
    int line = 0;
    switch (request) {
    case SB_LINEUP: asked = ScrollRequest::line_up; break;
    case SB_LINEDOWN: asked = ScrollRequest::line_down; break;
    case SB_PAGEUP: asked = ScrollRequest::page_up; break;
    case SB_PAGEDOWN: asked = ScrollRequest::page_down; break;
    case SB_TOP: asked = ScrollRequest::top; break;
    case SB_BOTTOM: asked = ScrollRequest::bottom; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        GetScrollInfo(window, SB_VERT, &info);
        asked = ScrollRequest::to_line;
        line = info.nTrackPos;
        break;
    }
    default: return;
    }
    ide().editor->scroll_to(view, vyn::editor::scrolled_top_line(view, asked, line));
    refresh_edit_window(window);
}

void on_size(HWND window, View& view)
{
    view.rows = vyn::editor::text_rows(int(client_rect(window).bottom), cell_metrics());
    update_scroll_bar(window, view);
}

// Closing a window whose document is modified and shown nowhere else asks first.
bool may_close(View& view)
{
    auto& doc = *view.document;
    if (!doc.is_modified() || (doc.flags & vyn::editor::docflag::tool_buffer) ||
        ide().editor->views_of(doc).size() > 1)
        return true;
    std::string question = vyn::format("%s has been modified.\nSave it?", vyn::to_lower_ascii(doc.name).c_str());
    switch (MessageBoxA(ide().frame, question.c_str(), "tavra", MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES: return save_view(view);
    case IDNO: return true;
    default: return false;
    }
}

void on_destroy(HWND window, View& view)
{
    vyn::editor::Document& doc = *view.document;
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    ide().editor->close_view(view.id);
    if (ide().editor->views_of(doc).empty())
        ide().editor->close_document(doc);
}

LRESULT CALLBACK edit_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_CREATE) {
        // The view's id travels in the MDI creation record.
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lparam);
        const auto* mdi = static_cast<const MDICREATESTRUCTA*>(create->lpCreateParams);
        SetWindowLongPtrA(window, GWLP_USERDATA, mdi->lParam);
    }
    View* view = view_of(window);
    if (!view)
        return DefMDIChildProcA(window, message, wparam, lparam);
    switch (message) {
    case WM_PAINT: paint(window, *view); return 0;
    case WM_SIZE: on_size(window, *view); break;
    case WM_SETFOCUS:
        make_caret(window, *view);
        show_edit_status(window, *view);
        return 0;
    case WM_KILLFOCUS: DestroyCaret(); return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (on_key(window, *view, wparam, lparam, message == WM_SYSKEYDOWN))
            return 0;
        break;
    case WM_TAVRA_KEY_TO_EDITOR: on_key(window, *view, wparam, lparam, false); return 0;
    case WM_CHAR:
        ide().editor->character(*view, int(static_cast<unsigned char>(wparam)), std::max(1, int(lparam & 0xFFFF)));
        refresh_edit_window(window);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        SetFocus(window);
        ide().editor->mouse_click(*view, position_at(*view, short(LOWORD(lparam)), short(HIWORD(lparam))),
                                  message == WM_RBUTTONDOWN);
        refresh_edit_window(window);
        return 0;
    case WM_VSCROLL: on_vertical_scroll(window, *view, LOWORD(wparam)); return 0;
    case WM_MOUSEWHEEL:
        on_vertical_scroll(window, *view, short(HIWORD(wparam)) > 0 ? SB_LINEUP : SB_LINEDOWN);
        return 0;
    case WM_CLOSE:
        if (!may_close(*view))
            return 0;
        break;
    case WM_DESTROY:
        on_destroy(window, *view);
        update_files_toolbar();  // the window no longer counts as an edit window
        break;
    }
    return DefMDIChildProcA(window, message, wparam, lparam);
}

}  // namespace

bool register_edit_window_class(HINSTANCE instance)
{
    WNDCLASSA window_class{};
    window_class.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = edit_procedure;
    window_class.hInstance = instance;
    window_class.hIcon = ide().edit_icon;
    window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_IBEAM));
    window_class.hbrBackground = nullptr;  // every row is painted
    window_class.lpszClassName = kEditClass;
    return RegisterClassA(&window_class) != 0;
}

HWND create_edit_window(vyn::editor::Document& document, bool maximised)
{
    View& view = ide().editor->open_view(document);
    std::string title = title_for(document);
    MDICREATESTRUCTA create{};
    create.szClass = kEditClass;
    create.szTitle = title.c_str();
    create.hOwner = ide().instance;
    create.x = create.y = create.cx = create.cy = CW_USEDEFAULT;
    create.style = WS_VSCROLL | (maximised ? WS_MAXIMIZE : 0);
    create.lParam = view.id;
    HWND window = reinterpret_cast<HWND>(SendMessageA(ide().mdi_client, WM_MDICREATE, 0, LPARAM(&create)));
    if (!window) {
        ide().editor->close_view(view.id);
        return nullptr;
    }
    on_size(window, view);
    InvalidateRect(window, nullptr, FALSE);
    update_files_toolbar();
    return window;
}

View* view_of(HWND window)
{
    if (!window || !ide().editor)
        return nullptr;
    char name[32];
    if (!GetClassNameA(window, name, sizeof name) || std::string(name) != kEditClass)
        return nullptr;
    int id = int(GetWindowLongPtrA(window, GWLP_USERDATA));
    return id ? ide().editor->find_view(id) : nullptr;
}

HWND current_edit_window()
{
    if (!ide().mdi_client)
        return nullptr;
    HWND active = reinterpret_cast<HWND>(SendMessageA(ide().mdi_client, WM_MDIGETACTIVE, 0, 0));
    return view_of(active) ? active : nullptr;
}

View* current_view()
{
    return view_of(current_edit_window());
}

void refresh_edit_window(HWND window)
{
    View* view = view_of(window);
    if (!view)
        return;
    follow_cursor_horizontally(window, *view);
    update_scroll_bar(window, *view);
    view->flags = static_cast<std::uint8_t>(view->flags & vyn::editor::viewflag::overwrite);
    InvalidateRect(window, nullptr, FALSE);
    place_caret(window, *view);
    show_edit_status(window, *view);
}

void refresh_document_windows(const vyn::editor::Document& document)
{
    for (View* view : ide().editor->views_of(document)) {
        HWND child = GetWindow(ide().mdi_client, GW_CHILD);
        for (; child; child = GetWindow(child, GW_HWNDNEXT))
            if (view_of(child) == view)
                refresh_edit_window(child);
    }
}

std::string title_for(const vyn::editor::Document& document)
{
    char directory[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof directory, directory);
    return vyn::to_lower_ascii(vyn::winpath::relative_to(document.name, directory));
}

void measure_editor_font()
{
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, ide().editor_font);
    TEXTMETRICA metrics;
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    ide().line_height = std::max(1, int(metrics.tmHeight + metrics.tmExternalLeading));
    ide().char_width = std::max(1, int(metrics.tmAveCharWidth));
}

}  // namespace vyn::shell
