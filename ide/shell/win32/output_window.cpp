#include "ide/shell/win32/output_window.h"

#include <ctime>
#include <fstream>

#include "common/strings.h"
#include "ide/command_ids.h"
#include "ide/shell/win32/edit_window.h"
#include "ide/shell/win32/ide.h"
#include "ide/shell/win32/win32_ui.h"

namespace tavra {

namespace {

const char kOutputClass[] = "TavraOutput";
constexpr UINT_PTR kMessageTimer = 1;
constexpr UINT kMessageMilliseconds = 3000;
constexpr std::size_t kMakeTextLimit = 4000;
constexpr std::size_t kMakeFlushWidth = 300;
constexpr std::size_t kMakePiece = 150;
constexpr int kToggleWidth = 22;
constexpr COLORREF kRed = 0x0000FF, kDarkBlue = 0x800000, kDarkRed = 0x0000C0, kBlue = 0xFF0000;

struct Page {
    const char* name;
    int command;
};
const Page kNormalPages[] = {{"build", CM_MAKE}, {"search", 1150}};
const Page kDebugPages[] = {{"auto", 10008}, {"locals", 10003}, {"stack", 10002}, {"events", 10004}, {"search", 1150}};

// The output window's state: bit 0 of flags is "open"; open_height is the
// list's panel height once opened, closed_height the bottom row alone.
struct OutputState {
    HWND window = nullptr;
    HWND list = nullptr;
    HWND toggle = nullptr;
    std::vector<HWND> page_buttons;
    const Page* pages = kNormalPages;
    std::size_t page_count = 2;
    unsigned flags = 0;
    int open_height = 0;
    int closed_height = 0;
    OutputClickHandler handler = nullptr;
    LPARAM user_value = 0;
    std::string status_text;
    std::string message;
    COLORREF message_color = 0;
    std::string prefix;
    std::string make_text;
};
OutputState state;

bool is_open() { return state.flags & 1; }

void relayout_frame()
{
    ide().output_height = is_open() ? state.open_height : state.closed_height;
    PostMessageA(ide().frame, WM_TAVRA_LAYOUT, 0, 0);
}

void open_list()
{
    if (is_open())
        return;
    if (state.open_height == 0) {
        RECT client;
        GetClientRect(ide().frame, &client);
        state.open_height = std::max<int>(client.bottom / 4, state.closed_height * 3);
    }
    state.flags |= 1;
    SetWindowTextA(state.toggle, "v");
    relayout_frame();
}

void close_list()
{
    state.flags &= ~1u;
    SetWindowTextA(state.toggle, "^");
    relayout_frame();
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

void layout(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    int row = state.closed_height;
    int row_top = std::max<int>(0, client.bottom - row);
    MoveWindow(state.list, 0, 0, client.right, row_top, TRUE);
    ShowWindow(state.list, is_open() ? SW_SHOW : SW_HIDE);
    MoveWindow(state.toggle, 2, row_top + 1, kToggleWidth, row - 2, TRUE);
    int x = kToggleWidth + 6;
    HDC dc = GetDC(window);
    for (std::size_t i = 0; i < state.page_buttons.size(); ++i) {
        SIZE size{};
        GetTextExtentPoint32A(dc, state.pages[i].name, int(strlen(state.pages[i].name)), &size);
        int width = size.cx + 16;
        MoveWindow(state.page_buttons[i], x, row_top + 1, width, row - 2, TRUE);
        x += width + 2;
    }
    ReleaseDC(window, dc);
    InvalidateRect(window, nullptr, TRUE);
}

void paint(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    HGDIOBJ old = SelectObject(dc, ide().dialog_font ? ide().dialog_font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    RECT row = client;
    row.top = std::max<int>(0, client.bottom - state.closed_height);
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
    return state.page_count ? state.pages[0].name : "";
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

void on_command(WPARAM wparam)
{
    int id = LOWORD(wparam);
    if (id == IDC_OUTPUT_TOGGLE) {
        is_open() ? close_list() : open_list();
    } else if (id == IDC_OUTPUT_LIST && HIWORD(wparam) == LBN_DBLCLK) {
        if (state.handler)
            state.handler(state.list);
    } else if (id == CM_OUTPUT_SAVE_TO_FILE) {
        save_to_file();
    } else if (id >= IDC_OUTPUT_PAGE_FIRST && std::size_t(id - IDC_OUTPUT_PAGE_FIRST) < state.page_count) {
        PostMessageA(ide().frame, WM_COMMAND, state.pages[id - IDC_OUTPUT_PAGE_FIRST].command, 0);
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
    HFONT font = ide().fixed_font ? ide().fixed_font : HFONT(GetStockObject(ANSI_FIXED_FONT));
    SendMessageA(state.list, WM_SETFONT, WPARAM(font), FALSE);
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
    case WM_OUTPUT_DEBUG_PAGES:
        state.pages = kDebugPages;
        state.page_count = std::size(kDebugPages);
        make_page_buttons();
        return 0;
    case WM_OUTPUT_NORMAL_PAGES:
        state.pages = kNormalPages;
        state.page_count = std::size(kNormalPages);
        make_page_buttons();
        return 0;
    case WM_OUTPUT_USER_VALUE: return state.user_value;
    case WM_OUTPUT_SET_FONT: SendMessageA(state.list, WM_SETFONT, wparam, TRUE); return 0;
    case WM_OUTPUT_DOCK:
        if (wparam)
            open_list();
        return 0;
    case WM_OUTPUT_HOLDER: return LRESULT(window);
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
    case WM_OUTPUT_GET_FONT: return SendMessageA(state.list, WM_GETFONT, 0, 0);
    case WM_OUTPUT_STOPPED: show_message("Stopped", kDarkRed, false); return 0;
    case WM_OUTPUT_RUNNING: show_message("Running", kBlue, false); return 0;
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
        }
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

bool register_output_class(HINSTANCE instance)
{
    WNDCLASSA window_class{};
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

}  // namespace tavra
