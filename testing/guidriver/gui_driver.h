// A small driver for Windows GUI tests (win64 programs run under Wine):
// start a program, find its windows, post commands and keys, read titles,
// list-box lines and registry values, and save a screenshot.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vyn::gui {

// A started program; the destructor ends it if it is still running.
class Program {
public:
    Program() = default;
    Program(Program&&) noexcept;
    Program& operator=(Program&&) noexcept;
    ~Program();

    // Starts command_line (the program path first) in directory (empty: the current one).
    static std::optional<Program> start(const std::string& command_line, const std::string& directory = {});

    // Waits up to timeout_ms for the program to end; its exit code, or nothing.
    std::optional<DWORD> wait_exit(int timeout_ms);
    // Waits up to timeout_ms until the program has finished starting: its
    // main thread waits for input with nothing left in its queue. False
    // when it does not come to that in time.
    bool wait_idle(int timeout_ms);
    void terminate();
    DWORD id() const { return id_; }

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// A visible top-level window of class_name that belongs to process_id (0: any
// process), polled for up to timeout_ms.
HWND wait_for_window(const std::string& class_name, DWORD process_id, int timeout_ms);
// Likewise for a top-level window with the given title (for message boxes and dialogs).
HWND wait_for_window_titled(const std::string& title, DWORD process_id, int timeout_ms);
// The first child (at any depth) of parent with class_name, or nullptr.
HWND find_child(HWND parent, const std::string& class_name);
// Every child of parent (at any depth) with class_name, in z order.
std::vector<HWND> find_children(HWND parent, const std::string& class_name);

std::string window_text(HWND window);
std::string class_name(HWND window);
// The lines of a list box (read with the wide messages, returned as UTF-8).
std::vector<std::string> list_box_lines(HWND list_box);

// The items of another process's tree view, depth first: the depth (0 for
// the roots), the text, and the handle (for TVM_SELECTITEM). The texts are
// read through memory lent in the tree's process.
struct TreeItem {
    int depth = 0;
    std::string text;
    HANDLE item = nullptr;
};
std::vector<TreeItem> tree_view_items(HWND tree);
// The client rectangle of a tree item's text, or nothing.
std::optional<RECT> tree_view_item_rect(HWND tree, HANDLE item);

void post_command(HWND window, WORD command_id);
// Posts any message, counted for settle like the others.
void post_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Posts WM_CHAR for each character of text (UTF-8).
void post_text(HWND window, const std::string& text);
// Posts WM_KEYDOWN / WM_KEYUP for a virtual key.
void post_key(HWND window, UINT virtual_key);
// Types a key with modifiers as real input (SendInput) into the foreground
// window, after bringing window to the foreground; the target's GetKeyState
// then sees the modifiers.
void type_key(HWND window, UINT virtual_key, bool ctrl = false, bool shift = false, bool alt = false);
// Drags the mouse as real input: the left button goes down at from (screen
// coordinates) in window, which is brought to the foreground first, stays
// there for hold_ms, moves to to and comes up.
void drag_mouse(HWND window, POINT from, POINT to, int hold_ms);
// Gives the window's thread the time to take every message posted through
// this driver since the last settle, and what its handlers post in turn: one
// round trip per posted message and two more, with a short pause after each.
// A thread may answer several round trips before it takes a posted message
// when it is slow to be scheduled, so a test that depends on a message's
// effect waits for that effect (wait_until) rather than trusting this alone.
void settle(HWND window, int timeout_ms = 20000);
// Polls condition every 20 ms until it holds or timeout_ms pass; its last value.
bool wait_until(const std::function<bool()>& condition, int timeout_ms = 10000);

// Registry access goes through the platform seam (platform/registry.h).

// The pixels of a window's client area as shown on the screen, as
// 0x00RRGGBB, top row first.
struct Capture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
};
Capture capture_client(HWND window);

// Saves the whole screen as a PNG file; returns false on failure.
bool save_screenshot(const std::string& png_path);
// Where screenshots go: the directory named by VYN_SCREENSHOT_DIR, else the current one.
std::string screenshot_path(const std::string& base_name);

}  // namespace vyn::gui
