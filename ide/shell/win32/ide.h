// The IDE's one global record: windows, menus, fonts and brushes, the
// settings, the editor with its documents, and the command dispatcher. It
// lives from the start of WinMain to its end; only the GUI thread uses it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ide/editor/editor.h"
#include "ide/shell/command_line.h"
#include "ide/shell/dispatcher.h"
#include "ide/shell/key_bindings.h"
#include "ide/shell/settings.h"
#include "platform/registry.h"

namespace vyn::shell {

class Win32EditorHost;
class Win32Clipboard;

struct Ide {
    HINSTANCE instance = nullptr;
    HWND frame = nullptr;
    HWND mdi_client = nullptr;
    HWND output = nullptr;
    HWND popup = nullptr;  // the small text popup (banner)

    HMENU menu = nullptr;
    HMENU file_menu = nullptr;
    int file_menu_items = 0;
    HMENU options_menu = nullptr;
    HMENU compiler_menu = nullptr;
    HMENU window_menu = nullptr;
    HACCEL accelerators = nullptr;         // EDITFILEACC
    HACCEL current_accelerators = nullptr;  // what the message loop uses

    std::string frame_class = "clMDIFrame";
    HFONT editor_font = nullptr;
    HFONT dialog_font = nullptr;
    HFONT small_dialog_font = nullptr;
    HFONT fixed_font = nullptr;
    HBRUSH background_brush = nullptr;
    HBRUSH grey_brush = nullptr;
    HBRUSH output_brush = nullptr;
    HPEN white_pen = nullptr;
    HPEN grey_pen = nullptr;
    HICON doc_icon = nullptr;
    HICON edit_icon = nullptr;
    int output_height = 0;
    DWORD start_ticks = 0;
    int color_depth = 0;
    int line_height = 16;
    int char_width = 8;

    bool second_instance = false;
    bool show_banner = true;
    bool restore_open_files = true;
    bool save_configuration = true;  // the global save-configuration flag
    bool executable_mode = false;
    bool make_running = false;
    int help_used = 0;
    bool opening_file = false;  // suppresses the changed-on-disk check

    HANDLE shared_memory = nullptr;
    void* shared_view = nullptr;

    std::string start_directory;  // the directory the IDE was started in
    std::string help_file;
    std::string compiler_root;
    CommandLine command_line;
    std::string command_text;

    std::unique_ptr<vyn::platform::Registry> registry;
    Settings settings;
    std::vector<KeyBinding> key_bindings;
    std::unique_ptr<Dispatcher> dispatcher;
    std::unique_ptr<Win32EditorHost> editor_host;
    std::unique_ptr<Win32Clipboard> clipboard;
    std::unique_ptr<vyn::editor::Editor> editor;
};

Ide& ide();

// Loads a string resource; empty when missing.
std::string load_string(UINT id);

}  // namespace vyn::shell
