#include "testing/guidriver/gui_driver.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/files.h"
#include "testing/guidriver/png_writer.h"

namespace vyn::gui {

namespace {

// Messages posted through this driver since the last settle.
int posted_since_settle = 0;

std::wstring widen(const std::string& text)
{
    if (text.empty())
        return {};
    int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(std::size_t(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), length);
    return wide;
}

std::string narrow(const std::wstring& wide)
{
    if (wide.empty())
        return {};
    int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(std::size_t(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), text.data(), length, nullptr, nullptr);
    return text;
}

struct WindowSearch {
    std::string class_name;
    std::string title;
    bool by_title = false;
    DWORD process_id = 0;
    std::vector<HWND> found;
};

BOOL CALLBACK collect_top_level(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (search->process_id && owner != search->process_id)
        return TRUE;
    if (!IsWindowVisible(window))
        return TRUE;
    bool match = search->by_title ? window_text(window) == search->title
                                  : gui::class_name(window) == search->class_name;
    if (match)
        search->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK collect_child(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<WindowSearch*>(param);
    if (gui::class_name(window) == search->class_name)
        search->found.push_back(window);
    return TRUE;
}

HWND poll_top_level(WindowSearch& search, int timeout_ms)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        search.found.clear();
        EnumWindows(collect_top_level, reinterpret_cast<LPARAM>(&search));
        if (!search.found.empty())
            return search.found.front();
        if (std::chrono::steady_clock::now() >= deadline)
            return nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace

Program::Program(Program&& other) noexcept
{
    *this = std::move(other);
}

Program& Program::operator=(Program&& other) noexcept
{
    if (this != &other) {
        terminate();
        process_ = other.process_;
        id_ = other.id_;
        other.process_ = nullptr;
        other.id_ = 0;
    }
    return *this;
}

Program::~Program()
{
    terminate();
}

std::optional<Program> Program::start(const std::string& command_line, const std::string& directory)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::string line = command_line;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &startup, &info))
        return std::nullopt;
    CloseHandle(info.hThread);
    Program program;
    program.process_ = info.hProcess;
    program.id_ = info.dwProcessId;
    return program;
}

std::optional<DWORD> Program::wait_exit(int timeout_ms)
{
    if (!process_ || WaitForSingleObject(process_, DWORD(timeout_ms)) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    if (!GetExitCodeProcess(process_, &code))
        return std::nullopt;
    return code;
}

bool Program::wait_idle(int timeout_ms)
{
    return process_ && WaitForInputIdle(process_, DWORD(timeout_ms)) == 0;
}

void Program::terminate()
{
    if (!process_)
        return;
    if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
    process_ = nullptr;
}

HWND wait_for_window(const std::string& class_name, DWORD process_id, int timeout_ms)
{
    WindowSearch search;
    search.class_name = class_name;
    search.process_id = process_id;
    return poll_top_level(search, timeout_ms);
}

HWND wait_for_window_titled(const std::string& title, DWORD process_id, int timeout_ms)
{
    WindowSearch search;
    search.title = title;
    search.by_title = true;
    search.process_id = process_id;
    return poll_top_level(search, timeout_ms);
}

std::vector<HWND> find_children(HWND parent, const std::string& class_name)
{
    WindowSearch search;
    search.class_name = class_name;
    EnumChildWindows(parent, collect_child, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND find_child(HWND parent, const std::string& class_name)
{
    std::vector<HWND> children = find_children(parent, class_name);
    return children.empty() ? nullptr : children.front();
}

std::string window_text(HWND window)
{
    int length = GetWindowTextLengthW(window);
    std::wstring text(std::size_t(length) + 1, L'\0');
    int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(std::size_t(copied > 0 ? copied : 0));
    return narrow(text);
}

std::string class_name(HWND window)
{
    wchar_t name[256];
    int length = GetClassNameW(window, name, 256);
    return narrow(std::wstring(name, std::size_t(length > 0 ? length : 0)));
}

std::vector<std::string> list_box_lines(HWND list_box)
{
    std::vector<std::string> lines;
    LRESULT count = SendMessageW(list_box, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = SendMessageW(list_box, LB_GETTEXTLEN, WPARAM(i), 0);
        if (length < 0)
            break;
        std::wstring text(std::size_t(length) + 1, L'\0');
        LRESULT copied = SendMessageW(list_box, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(std::size_t(copied > 0 ? copied : 0));
        lines.push_back(narrow(text));
    }
    return lines;
}

void post_command(HWND window, WORD command_id)
{
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(command_id, 0), 0);
    ++posted_since_settle;
}

void post_text(HWND window, const std::string& text)
{
    for (wchar_t c : widen(text)) {
        PostMessageW(window, WM_CHAR, WPARAM(c), 1);
        ++posted_since_settle;
    }
}

void post_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    PostMessageW(window, message, wparam, lparam);
    ++posted_since_settle;
}

void post_key(HWND window, UINT virtual_key)
{
    UINT scan = MapVirtualKeyW(virtual_key, 0);
    PostMessageW(window, WM_KEYDOWN, virtual_key, LPARAM(1 | (scan << 16)));
    PostMessageW(window, WM_KEYUP, virtual_key, LPARAM(1 | (scan << 16) | (3u << 30)));
    posted_since_settle += 2;
}

void type_key(HWND window, UINT virtual_key, bool ctrl, bool shift, bool alt)
{
    // Typed keys go to the foreground window: wait until the activation has
    // been taken, or they reach whatever window had it before.
    SetForegroundWindow(window);
    wait_until([&] { return GetForegroundWindow() == GetAncestor(window, GA_ROOT); }, 2000);
    std::vector<INPUT> inputs;
    auto key = [&](WORD vk, bool up) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    };
    if (ctrl)
        key(VK_CONTROL, false);
    if (shift)
        key(VK_SHIFT, false);
    if (alt)
        key(VK_MENU, false);
    key(WORD(virtual_key), false);
    key(WORD(virtual_key), true);
    if (alt)
        key(VK_MENU, true);
    if (shift)
        key(VK_SHIFT, true);
    if (ctrl)
        key(VK_CONTROL, true);
    SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
    posted_since_settle += int(inputs.size());
}

namespace {
// A mouse event at a screen point, in the absolute coordinates SendInput wants.
void send_mouse(POINT at, DWORD flags)
{
    int width = std::max(2, GetSystemMetrics(SM_CXSCREEN)), height = std::max(2, GetSystemMetrics(SM_CYSCREEN));
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = LONG((at.x * 65535LL) / (width - 1));
    input.mi.dy = LONG((at.y * 65535LL) / (height - 1));
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(INPUT));
}
}  // namespace

void drag_mouse(HWND window, POINT from, POINT to, int hold_ms)
{
    SetForegroundWindow(window);
    send_mouse(from, 0);
    Sleep(50);
    send_mouse(from, MOUSEEVENTF_LEFTDOWN);
    Sleep(DWORD(hold_ms));
    send_mouse({(from.x + to.x) / 2, (from.y + to.y) / 2}, 0);
    send_mouse(to, 0);
    send_mouse(to, MOUSEEVENTF_LEFTUP);
    posted_since_settle += 5;
}

void settle(HWND window, int timeout_ms)
{
    for (int i = 0; i < posted_since_settle + 2; ++i) {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, UINT(timeout_ms), &result))
            break;
        // The thread handles what is sent to it before what is posted, in
        // the same wait: a round trip sent at once after the last could be
        // handled before the next posted message. The pause lets the thread
        // take that message first.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    posted_since_settle = 0;
}

bool wait_until(const std::function<bool()>& condition, int timeout_ms)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

Capture capture_client(HWND window)
{
    Capture c;
    RECT client;
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    c.width = client.right;
    c.height = client.bottom;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = c.width;
    info.bmiHeader.biHeight = -c.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, c.width, c.height, screen, origin.x, origin.y, SRCCOPY);
    SelectObject(memory, old);
    const auto* bgra = static_cast<const std::uint32_t*>(bits);
    c.pixels.assign(bgra, bgra + std::size_t(c.width) * std::size_t(c.height));
    for (std::uint32_t& p : c.pixels)
        p &= 0xFFFFFF;
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return c;
}

bool save_screenshot(const std::string& png_path)
{
    HDC screen = GetDC(nullptr);
    if (!screen)
        return false;
    int width = GetDeviceCaps(screen, HORZRES), height = GetDeviceCaps(screen, VERTRES);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = memory && bitmap && bits;
    if (ok) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
        SelectObject(memory, old);
    }
    std::vector<std::uint8_t> rgb;
    if (ok) {
        const auto* bgra = static_cast<const std::uint8_t*>(bits);
        rgb.reserve(std::size_t(width) * height * 3);
        for (std::size_t i = 0; i < std::size_t(width) * height; ++i) {
            rgb.push_back(bgra[4 * i + 2]);
            rgb.push_back(bgra[4 * i + 1]);
            rgb.push_back(bgra[4 * i]);
        }
    }
    if (bitmap)
        DeleteObject(bitmap);
    if (memory)
        DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok && platform::write_file_atomically(png_path, encode_png(std::uint32_t(width), std::uint32_t(height), rgb));
}

std::string screenshot_path(const std::string& base_name)
{
    const char* dir = std::getenv("VYN_SCREENSHOT_DIR");
    std::string directory = dir && *dir ? dir : ".";
    platform::make_directories(directory);
    return directory + "\\" + base_name;
}

}  // namespace vyn::gui
