#include "ide/shell/win32/output_window.h"

#include <climits>
#include <ctime>
#include <fstream>
#include <utility>

#include "common/strings.h"
#include "ide/command_ids.h"
#include "ide/shell/output_geometry.h"
#include "ide/shell/win32/documents.h"
#include "ide/shell/win32/edit_window.h"
#include "ide/shell/win32/output_float.h"
#include "ide/shell/win32/ide.h"
#include "ide/shell/win32/win32_ui.h"

namespace vyn::shell {

namespace {

const char kOutputClass[] = "TavraOutput";
constexpr UINT_PTR kMessageTimer = 1;
constexpr UINT kMessageMilliseconds = 3000;
constexpr UINT_PTR kDragTimer = 2;
constexpr UINT kDragMilliseconds = 300;  // how long the edge is held before it drags
constexpr std::size_t kMakeTextLimit = 4000;
constexpr std::size_t kMakeFlushWidth = 300;
constexpr std::size_t kMakePiece = 150;
constexpr COLORREF kRed = 0x0000FF, kDarkBlue = 0x800000, kDarkRed = 0x0000C0, kBlue = 0xFF0000;

struct Page {
    const char* name;
    int command;
};
const Page kNormalPages[] = {{"build", CM_MAKE}, {"search", 1150}};
const Page kDebugPages[] = {{"auto", 10008}, {"locals", 10003}, {"stack", 10002}, {"events", 10004}, {"search", 1150}};

// The output window's state. flags: outputflag::open (the list shows) and
// outputflag::floating (it shows in the window "Output", which floating
// then holds). open_height is the panel's height with the list docked and
// open, closed_height the bottom row alone. current_page indexes pages, -1
// for none.
struct OutputState {
    HWND window = nullptr;
    HWND list = nullptr;
    HWND toggle = nullptr;
    HWND floating = nullptr;
    std::vector<HWND> page_buttons;
    const Page* pages = kNormalPages;
    std::size_t page_count = 2;
    int current_page = -1;
    unsigned flags = 0;
    int open_height = 0;
    int closed_height = 0;
    OutputClickHandler handler = nullptr;
    LPARAM user_value = 0;
    std::string status_text;
    std::string message;
    COLORREF message_color = 0;
    std::string run_state;  // "Stopped" or "Running" while debugging
    COLORREF run_state_color = 0;
    std::string prefix;
    std::string make_text;
    bool edge_pressed = false;  // the left button went down on the top edge
    bool dragging = false;      // ... and was held long enough
    WNDPROC list_procedure = nullptr;
};
OutputState state;

bool is_open() { return state.flags & outputflag::open; }
bool is_floating() { return state.flags & outputflag::floating; }

int frame_client_height()
{
    RECT client{};
    GetClientRect(ide().frame, &client);
    return client.bottom;
}

// The frame fits the panel into its client area when it lays it out; the
// height kept here is not cut to the client area of the moment, which is
// empty while the frame is minimised.
void relayout_frame()
{
    ide().output_height = panel_height(state.flags, state.open_height, state.closed_height, INT_MAX);
    PostMessageA(ide().frame, WM_TAVRA_LAYOUT, 0, 0);
}

void open_list()
{
    if (is_open())
        return;
    if (state.open_height == 0)
        state.open_height = first_open_height(frame_client_height(), state.closed_height);
    state.flags |= outputflag::open;
    SetWindowTextA(state.toggle, "v");
    relayout_frame();
}

void close_list()
{
    state.flags &= ~outputflag::open;
    SetWindowTextA(state.toggle, "^");
    relayout_frame();
}

// Moves the list into a window of its own over the lower quarter of the frame.
void float_list()
{
    if (is_floating())
        return;
    RECT frame{};
    GetWindowRect(ide().frame, &frame);
    PixelRect where = floating_rect({frame.left, frame.top, frame.right, frame.bottom});
    RECT rect{where.left, where.top, where.right, where.bottom};
    state.floating = create_output_float(state.window, state.list, rect);
    if (!state.floating)
        return;
    state.flags |= outputflag::floating;
    relayout_frame();
    SendMessageA(state.window, WM_SIZE, 0, 0);
}

// Puts a floating list back into the panel, opened when open is set, else
// open or closed as it was.
void dock_list(bool open)
{
    if (is_floating()) {
        SetParent(state.list, state.window);
        state.flags &= ~outputflag::floating;
        HWND floating = std::exchange(state.floating, nullptr);
        DestroyWindow(floating);
        relayout_frame();
        SendMessageA(state.window, WM_SIZE, 0, 0);
    }
    if (open)
        open_list();
}

void make_page_buttons()
{
    for (HWND button : state.page_buttons)
        DestroyWindow(button);
    state.page_buttons.clear();
    for (std::size_t i = 0; i < state.page_count; ++i)
        state.page_buttons.push_back(CreateWindowExA(0, "BUTTON", state.pages[i].name, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                                                     0, 0, 0, 0, state.window, HMENU(INT_PTR(IDC_OUTPUT_PAGE_FIRST + i)),
                                                     ide().instance, nullptr));
    SendMessageA(state.window, WM_SIZE, 0, 0);
}

std::vector<int> page_text_widths(HWND window)
{
    std::vector<int> widths;
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, HGDIOBJ(SendMessageA(state.toggle, WM_GETFONT, 0, 0)));
    for (std::size_t i = 0; i < state.page_count; ++i) {
        SIZE size{};
        GetTextExtentPoint32A(dc, state.pages[i].name, int(strlen(state.pages[i].name)), &size);
        widths.push_back(size.cx);
    }
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return widths;
}

PanelLayout current_layout(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    std::vector<int> widths = page_text_widths(window);
    return panel_layout(client.right, client.bottom, state.closed_height, is_open() && !is_floating(), widths);
}

void move_to(HWND control, const PixelRect& r)
{
    MoveWindow(control, r.left, r.top, r.width(), r.height(), TRUE);
}

void layout(HWND window)
{
    PanelLayout parts = current_layout(window);
    if (!is_floating()) {
        move_to(state.list, parts.list);
        ShowWindow(state.list, parts.list.height() > 0 ? SW_SHOW : SW_HIDE);
    }
    move_to(state.toggle, parts.toggle);
    for (std::size_t i = 0; i < state.page_buttons.size() && i < parts.pages.size(); ++i)
        move_to(state.page_buttons[i], parts.pages[i]);
    InvalidateRect(window, nullptr, TRUE);
}

void paint(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    if (is_open() && !is_floating()) {
        RECT edge{0, 0, client.right, kGrabStrip};  // the edge that drags the height
        DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT | BF_MIDDLE);
    }
    HGDIOBJ old = SelectObject(dc, ide().dialog_font ? ide().dialog_font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    RECT row = client;
    row.top = std::max<int>(0, client.bottom - state.closed_height);
    if (!state.run_state.empty()) {
        RECT beside = row;
        beside.left = current_layout(window).run_state_left;
        SetTextColor(dc, state.run_state_color);
        DrawTextA(dc, state.run_state.c_str(), int(state.run_state.size()), &beside, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    }
    row.right -= 6;
    SetTextColor(dc, RGB(0, 0, 0));
    DrawTextA(dc, state.status_text.c_str(), int(state.status_text.size()), &row, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    if (!state.message.empty()) {
        SIZE status{};
        GetTextExtentPoint32A(dc, state.status_text.c_str(), int(state.status_text.size()), &status);
        row.right -= status.cx + 24;
        SetTextColor(dc, state.message_color);
        DrawTextA(dc, state.message.c_str(), int(state.message.size()), &row, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    }
    SelectObject(dc, old);
    EndPaint(window, &ps);
}

void show_message(const std::string& text, COLORREF color, bool timed)
{
    state.message = text;
    state.message_color = color;
    KillTimer(state.window, kMessageTimer);
    if (timed)
        SetTimer(state.window, kMessageTimer, kMessageMilliseconds, nullptr);
    InvalidateRect(state.window, nullptr, TRUE);
}

void show_run_state(const char* text, COLORREF color)
{
    state.run_state = text;
    state.run_state_color = color;
    InvalidateRect(state.window, nullptr, TRUE);
}

void add_line(const std::string& line)
{
    SendMessageA(state.list, LB_ADDSTRING, 0, LPARAM(line.c_str()));
}

void scroll_to_end()
{
    LRESULT count = SendMessageA(state.list, LB_GETCOUNT, 0, 0);
    if (count > 0)
        SendMessageA(state.list, LB_SETTOPINDEX, WPARAM(count - 1), 0);
}

// Text that a build tool left in the shared block: accumulated until a line
// is complete or long, then added in pieces.
void append_make_text(const std::string& text)
{
    if (state.make_text.size() + text.size() > kMakeTextLimit) {
        show_message("Overflow reading error message", kRed, true);
        return;
    }
    state.make_text += text;
    std::size_t newline = state.make_text.find('\n');
    bool complete = newline != std::string::npos;
    if (complete)
        state.make_text.resize(newline);
    if (!complete && state.make_text.size() <= kMakeFlushWidth)
        return;
    open_list();
    for (std::size_t i = 0; i < state.make_text.size(); i += kMakePiece)
        add_line(state.make_text.substr(i, kMakePiece));
    scroll_to_end();
    state.make_text.clear();
}

int (*take_stop_request)() = nullptr;

LRESULT on_build_text()
{
    int stop = take_stop_request ? take_stop_request() : 0;
    ReplyMessage(stop);
    if (!ide().shared_view)
        return stop;
    const char* block = static_cast<const char*>(ide().shared_view);
    append_make_text(std::string(block, strnlen(block, 4096)));
    return stop;
}

std::string page_name()
{
    bool valid = state.current_page >= 0 && std::size_t(state.current_page) < state.page_count;
    return valid ? state.pages[state.current_page].name : "";
}

void set_pages(const Page* pages, std::size_t count)
{
    state.pages = pages;
    state.page_count = count;
    state.current_page = -1;
    make_page_buttons();
}

// The page whose command is the user value becomes current.
void select_page_of_user_value()
{
    for (std::size_t i = 0; i < state.page_count; ++i)
        if (state.pages[i].command == state.user_value)
            state.current_page = int(i);
}

// The list's font: the small font with EditorFlags bit 0x08, else the editor font.
HFONT list_font()
{
    bool small = (ide().settings.editor_flags & editor_flag::small_output_font) != 0;
    HFONT font = small ? ide().small_dialog_font : ide().editor_font;
    return font ? font : HFONT(GetStockObject(ANSI_FIXED_FONT));
}

void save_to_file()
{
    std::vector<std::string> lines = output_lines();
    if (lines.empty()) {
        show_message("Nothing to print", kRed, true);
        return;
    }
    auto name = choose_file(true, "Save to file", "Text files (*.txt)\0*.txt\0All files\0*.*\0");
    if (!name)
        return;
    std::ofstream out(*name, std::ios::binary);
    if (!out) {
        tell(vyn::format("Impossible to open %s for writing", name->c_str()));
        return;
    }
    std::time_t now = std::time(nullptr);
    char when[64] = "";
    std::strftime(when, sizeof when, "%c", std::localtime(&now));
    out << "Tavra output window " << page_name() << ": " << when << "\n";
    for (const std::string& line : lines)
        out << line << "\n";
    show_message(vyn::format("%zu lines written to %s", lines.size(), name->c_str()), kDarkBlue, true);
}

void context_menu(LPARAM lparam)
{
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, CM_OUTPUT_SAVE_TO_FILE, "Save to file");
    POINT p{};
    p.x = short(LOWORD(lparam));
    p.y = short(HIWORD(lparam));
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, p.x, p.y, 0, state.window, nullptr);
    DestroyMenu(menu);
}

// Keystrokes that reach the list, docked or floating, belong to the current
// edit window, which takes the focus.
LRESULT CALLBACK list_key_procedure(HWND list, UINT message, WPARAM wparam, LPARAM lparam)
{
    HWND edit = (message == WM_KEYDOWN || message == WM_CHAR) ? current_edit_window() : nullptr;
    if (edit) {
        SetFocus(edit);
        if (message == WM_KEYDOWN)
            SendMessageA(ide().frame, WM_TAVRA_KEY_TO_EDITOR, wparam, lparam);
        else
            SendMessageA(edit, WM_CHAR, wparam, lparam);
        return 0;
    }
    return CallWindowProcA(state.list_procedure, list, message, wparam, lparam);
}

// ---- dragging the top edge ---------------------------------------------------------
// The left button held on the edge for 300 ms starts the drag; from then on
// the mouse sets the open height, live.

bool over_edge(HWND window, POINT p) { return !is_floating() && in_grab_strip(p.y) && p.x >= 0 && ChildWindowFromPoint(window, p) == window; }

void on_left_button_down(HWND window, LPARAM lparam)
{
    POINT p{short(LOWORD(lparam)), short(HIWORD(lparam))};
    if (!over_edge(window, p))
        return;
    state.edge_pressed = true;
    SetCapture(window);
    SetTimer(window, kDragTimer, kDragMilliseconds, nullptr);
}

void on_drag_timer(HWND window)
{
    KillTimer(window, kDragTimer);
    if (!state.edge_pressed)
        return;
    state.dragging = true;
    SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_SIZENS)));
}

void drag_to(HWND window, LPARAM lparam)
{
    POINT p{short(LOWORD(lparam)), short(HIWORD(lparam))};
    MapWindowPoints(window, ide().frame, &p, 1);
    int client_height = frame_client_height();
    state.open_height = dragged_height(p.y, client_height, state.closed_height, client_height);
    state.flags |= outputflag::open;
    SetWindowTextA(state.toggle, "v");
    ide().output_height = panel_height(state.flags, state.open_height, state.closed_height, client_height);
    SendMessageA(ide().frame, WM_TAVRA_LAYOUT, 0, 0);
}

void end_drag(HWND window)
{
    KillTimer(window, kDragTimer);
    state.edge_pressed = state.dragging = false;
    if (GetCapture() == window)
        ReleaseCapture();
}

bool on_set_cursor(HWND window)
{
    POINT p{};
    GetCursorPos(&p);
    ScreenToClient(window, &p);
    if (!state.dragging && !over_edge(window, p))
        return false;
    SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_SIZENS)));
    return true;
}

void on_command(WPARAM wparam)
{
    int id = LOWORD(wparam);
    if (id == IDC_OUTPUT_TOGGLE) {
        if (is_floating())
            dock_list(true);
        else
            is_open() ? close_list() : open_list();
    } else if (id == IDC_OUTPUT_LIST && HIWORD(wparam) == LBN_DBLCLK) {
        if (state.handler)
            state.handler(state.list);
    } else if (id == CM_OUTPUT_SAVE_TO_FILE) {
        save_to_file();
    } else if (id >= IDC_OUTPUT_PAGE_FIRST && std::size_t(id - IDC_OUTPUT_PAGE_FIRST) < state.page_count) {
        state.current_page = id - IDC_OUTPUT_PAGE_FIRST;
        PostMessageA(ide().frame, WM_COMMAND, state.pages[state.current_page].command, 0);
    }
}

LRESULT on_create(HWND window)
{
    state.window = window;
    state.closed_height = std::max(ide().output_height, 22);
    ide().output_height = state.closed_height;
    state.list = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", nullptr,
                                 WS_CHILD | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 0, 0, 0, 0,
                                 window, HMENU(INT_PTR(IDC_OUTPUT_LIST)), ide().instance, nullptr);
    state.toggle = CreateWindowExA(0, "BUTTON", "^", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 0, 0, window,
                                   HMENU(INT_PTR(IDC_OUTPUT_TOGGLE)), ide().instance, nullptr);
    SendMessageA(state.list, WM_SETFONT, WPARAM(list_font()), FALSE);
    state.list_procedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(state.list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(list_key_procedure)));
    make_page_buttons();
    return 0;
}

LRESULT output_message_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam, bool& handled)
{
    handled = true;
    switch (message) {
    case WM_OUTPUT_OPEN: open_list(); return 0;
    case WM_OUTPUT_CLEAR_OPEN:
        SendMessageA(state.list, LB_RESETCONTENT, 0, 0);
        open_list();
        return 0;
    case WM_OUTPUT_SET_HANDLER:
        state.handler = reinterpret_cast<OutputClickHandler>(wparam);
        state.user_value = lparam;
        if (!wparam && !lparam) {
            SendMessageA(state.list, LB_RESETCONTENT, 0, 0);
            state.status_text.clear();
            close_list();
        }
        return 0;
    case WM_OUTPUT_STATUS:
        state.status_text = reinterpret_cast<const char*>(lparam);
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_TAVRA_LAYOUT: relayout_frame(); return 0;
    case WM_OUTPUT_DEBUG_PAGES: set_pages(kDebugPages, std::size(kDebugPages)); return 0;
    case WM_OUTPUT_NORMAL_PAGES:
        set_pages(kNormalPages, std::size(kNormalPages));
        state.run_state.clear();
        return 0;
    case WM_OUTPUT_USER_VALUE: return state.user_value;
    case WM_OUTPUT_SET_FONT:
        SendMessageA(state.list, WM_SETFONT, wparam, TRUE);
        if (is_open())
            select_page_of_user_value();
        return 0;
    case WM_OUTPUT_DOCK: dock_list(wparam != 0); return 0;
    case WM_OUTPUT_HOLDER: return LRESULT(is_floating() ? state.floating : window);
    case WM_OUTPUT_PLAIN: show_message(reinterpret_cast<const char*>(lparam), RGB(0, 0, 0), false); return 0;
    case WM_OUTPUT_RED: show_message(reinterpret_cast<const char*>(lparam), kRed, true); return 0;
    case WM_OUTPUT_BLUE: {
        std::string text = reinterpret_cast<const char*>(lparam);
        show_message(state.prefix.empty() ? text : state.prefix + " : " + text, kDarkBlue, true);
        return 0;
    }
    case WM_OUTPUT_CLEAR_MESSAGE:
        state.prefix.clear();
        show_message("", 0, false);
        return 0;
    case WM_OUTPUT_SET_PREFIX: state.prefix = reinterpret_cast<const char*>(lparam); return 0;
    case WM_OUTPUT_SAVE: save_to_file(); return 0;
    case WM_OUTPUT_GET_FONT: return LRESULT(list_font());
    case WM_OUTPUT_STOPPED: show_run_state("Stopped", kDarkRed); return 0;
    case WM_OUTPUT_RUNNING: show_run_state("Running", kBlue); return 0;
    case WM_OUTPUT_FOCUS_FRAME: SetFocus(ide().frame); return 0;
    case WM_TAVRA_BUILD_TEXT: return on_build_text();
    }
    handled = false;
    return 0;
}

LRESULT CALLBACK output_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    bool handled = false;
    LRESULT result = output_message_procedure(window, message, wparam, lparam, handled);
    if (handled)
        return result;
    switch (message) {
    case WM_CREATE: return on_create(window);
    case WM_SIZE: layout(window); return 0;
    case WM_PAINT: paint(window); return 0;
    case WM_COMMAND: on_command(wparam); return 0;
    case WM_CONTEXTMENU:
        if (HWND(wparam) == state.list)
            context_menu(lparam);
        return 0;
    case WM_TIMER:
        if (wparam == kMessageTimer) {
            KillTimer(window, kMessageTimer);
            state.message.clear();
            InvalidateRect(window, nullptr, TRUE);
        } else if (wparam == kDragTimer) {
            on_drag_timer(window);
        }
        return 0;
    case WM_LBUTTONDOWN: on_left_button_down(window, lparam); return 0;
    case WM_MOUSEMOVE:
        if (state.dragging)
            drag_to(window, lparam);
        return 0;
    case WM_LBUTTONUP:
        if (state.dragging)
            drag_to(window, lparam);
        end_drag(window);
        return 0;
    case WM_CAPTURECHANGED:
        if (HWND(lparam) != window)
            state.edge_pressed = state.dragging = false;
        return 0;
    case WM_LBUTTONDBLCLK: float_list(); return 0;
    case WM_SETCURSOR:
        if (HWND(wparam) == window && on_set_cursor(window))
            return TRUE;
        break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

bool register_output_class(HINSTANCE instance)
{
    WNDCLASSA window_class{};
    window_class.style = CS_DBLCLKS;
    window_class.lpfnWndProc = output_procedure;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = kOutputClass;
    return RegisterClassA(&window_class) != 0;
}

HWND create_output_window()
{
    return CreateWindowExA(0, kOutputClass, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                           0, 0, ide().frame, nullptr, ide().instance, nullptr);
}

void show_status_text(const std::string& text)
{
    state.status_text = text;
    if (ide().output) {
        SetWindowTextA(ide().output, text.c_str());  // readable by other programs (tests, screen readers)
        InvalidateRect(ide().output, nullptr, TRUE);
    }
}

void output_add_line(const std::string& line)
{
    if (state.list)
        add_line(line);
}

std::vector<std::string> output_lines()
{
    std::vector<std::string> lines;
    LRESULT count = state.list ? SendMessageA(state.list, LB_GETCOUNT, 0, 0) : 0;
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = SendMessageA(state.list, LB_GETTEXTLEN, WPARAM(i), 0);
        std::string line(std::size_t(std::max<LRESULT>(length, 0)) + 1, '\0');
        SendMessageA(state.list, LB_GETTEXT, WPARAM(i), LPARAM(line.data()));
        line.resize(std::size_t(std::max<LRESULT>(length, 0)));
        lines.push_back(line);
    }
    return lines;
}

HWND output_list() { return state.list; }

void output_message(const std::string& text)
{
    if (state.window)
        show_message(text, kRed, true);
}

void set_stop_request_source(int (*take)()) { take_stop_request = take; }

}  // namespace vyn::shell
