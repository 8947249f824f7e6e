#include "ide/project/win32/project_session.h"
#include "ide/shell/win32/startup.h"

#include <algorithm>

#include "common/strings.h"
#include "common/winpath.h"
#include "ide/command_ids.h"
#include "ide/editor/language.h"
#include "ide/shell/editor_languages.h"
#include "ide/shell/settings_store.h"
#include "ide/shell/win32/documents.h"
#include "ide/shell/win32/edit_window.h"
#include "ide/shell/win32/files_toolbar.h"
#include "ide/shell/win32/frame.h"
#include "ide/shell/win32/frame_commands.h"
#include "ide/shell/win32/ide.h"
#include "ide/shell/win32/output_window.h"
#include "ide/shell/win32/utility_commands.h"
#include "ide/shell/win32/win32_ui.h"
#include "ide/shell/win32/window_classes.h"
#include "platform/files.h"

namespace vyn::shell {

namespace {

Ide* the_ide = nullptr;

constexpr DWORD kSharedMemorySize = 4096;
constexpr DWORD kSharedMemoryMapped = 1024;

void take_command_line(const char* text)
{
    Ide& s = ide();
    s.command_text = text ? text : "";
    s.command_line = parse_command_line(s.command_text);
    s.output_height = 7 * GetSystemMetrics(SM_CYDLGFRAME);
    s.start_ticks = GetTickCount();
    HDC screen = GetDC(nullptr);
    s.color_depth = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    bool quiet = s.command_line.quiet;
    s.show_banner = s.restore_open_files = s.save_configuration = !quiet;
}

void create_shared_memory()
{
    Ide& s = ide();
    s.shared_memory = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSharedMemorySize, "tavra");
    if (s.shared_memory)
        s.shared_view = MapViewOfFile(s.shared_memory, FILE_MAP_ALL_ACCESS, 0, 0, kSharedMemoryMapped);
}

void make_help_path()
{
    std::string exe = vyn::platform::executable_path();
    ide().help_file = vyn::winpath::last_separator(exe) == std::string::npos
                          ? vyn::winpath::replace_extension(exe, ".hlp")
                          : vyn::winpath::join(vyn::winpath::directory(exe), "tavra.hlp");
}

void take_options()
{
    Ide& s = ide();
    if (s.command_line.no_restore || s.command_line.attach_process)
        s.restore_open_files = s.save_configuration = false;
}

bool create_resources()
{
    Ide& s = ide();
    s.background_brush = s.color_depth < 255 ? GetSysColorBrush(COLOR_BTNFACE) : CreateSolidBrush(RGB(0xE0, 0xE0, 0xE0));
    s.doc_icon = LoadIconA(s.instance, "DOCICON");
    s.edit_icon = LoadIconA(s.instance, "EDICON");
    if (!register_window_classes(s.instance))
        return false;
    s.menu = LoadMenuA(s.instance, "EDITMENU");
    s.accelerators = s.current_accelerators = LoadAcceleratorsA(s.instance, "EDITFILEACC");
    if (!s.menu)
        return false;
    s.file_menu = GetSubMenu(s.menu, 0);
    s.file_menu_items = GetMenuItemCount(s.file_menu);
    s.options_menu = GetSubMenu(s.menu, 3);
    s.compiler_menu = GetSubMenu(s.menu, 5);
    s.window_menu = GetSubMenu(s.menu, 8);
    s.grey_brush = GetSysColorBrush(COLOR_BTNSHADOW);
    s.output_brush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    s.white_pen = CreatePen(PS_SOLID, 2, RGB(255, 255, 255));
    s.grey_pen = CreatePen(PS_SOLID, 2, RGB(0x80, 0x80, 0x80));
    s.dialog_font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    s.small_dialog_font = CreateFontA(-9, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    s.fixed_font = CreateFontA(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, FIXED_PITCH, "Courier New");
    s.editor_font = CreateFontA(-13, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, FIXED_PITCH | FF_MODERN, "Courier");
    return true;
}

void create_editor()
{
    Ide& s = ide();
    s.editor_host = std::make_unique<Win32EditorHost>();
    s.clipboard = std::make_unique<Win32Clipboard>();
    s.editor = std::make_unique<vyn::editor::Editor>(*s.editor_host, *s.clipboard);
    s.key_bindings = default_key_bindings();
    Dispatcher::State state;
    state.has_document = [] { return current_view() != nullptr; };
    state.current_view = [] { vyn::editor::View* view = current_view(); return view ? view->id : 0; };
    s.dispatcher = std::make_unique<Dispatcher>(s.key_bindings, state, Dispatcher::Ranges{run_utility_command, {}, {}});
    add_frame_commands();
    add_utility_commands();
}

void read_settings()
{
    Ide& s = ide();
    s.registry = vyn::platform::open_registry();
    Win32SettingsUi ui;
    SettingsStore store(*s.registry, ui);
    if (store.open(vyn::platform::executable_path(), s.start_directory)) {
        s.settings = store.read(s.start_directory);
        s.compiler_root = store.compiler_root();
    } else {
        s.settings.current_dir = s.start_directory;
    }
    define_languages(s.settings, vyn::editor::language_list());
    apply_redefined_keys(s.key_bindings, s.settings.accelerators);
    s.editor->editor_flags = unsigned(s.settings.editor_flags);
    s.editor->tab_size = int(s.settings.tab_size);
}

void create_editor_font()
{
    const Settings& s = ide().settings;
    HFONT font = CreateFontA(int(s.font_height), 0, 0, 0, int(s.font_style), 0, 0, 0, ANSI_CHARSET, 0, 0, 0,
                             BYTE(s.font_family), s.font_name.c_str());
    if (font) {
        DeleteObject(ide().editor_font);
        ide().editor_font = font;
    }
    measure_editor_font();
}

void append_help_database()
{
    const std::string& database = ide().settings.win_help_database;
    if (database.empty())
        return;
    std::string label = vyn::winpath::replace_extension(vyn::winpath::base_name(database), "");
    AppendMenuA(GetSubMenu(ide().menu, GetMenuItemCount(ide().menu) - 1), MF_STRING, CM_HELP_DATABASE, label.c_str());
}

void open_start_files()
{
    Ide& s = ide();
    if (!s.command_line.attach_process) {
        if (s.command_line.no_save_while_opening)
            s.save_configuration = false;
        // The files are opened, and their windows titled, from the directory
        // the IDE was started in, which stays current when any was opened.
        if (!s.command_line.files.empty())
            SetCurrentDirectoryA(s.start_directory.c_str());
        int opened = open_command_line_files(s.command_line.files);
        if (opened == 0)
            SetCurrentDirectoryA(s.settings.current_dir.c_str());
    }
    if (!s.command_line.empty) {
        s.restore_open_files = s.save_configuration = false;
        if (HWND active = current_edit_window())
            SendMessageA(s.mdi_client, WM_MDIMAXIMIZE, WPARAM(active), 0);
        return;
    }
    if (s.restore_open_files && !s.second_instance)
        restore_open_files(s.settings.open_files);
    if (!s.settings.current_file.empty())
        open_file("\"" + s.settings.current_file + "\"");
}

void arrange_children()
{
    SendMessageA(ide().mdi_client, WM_MDIICONARRANGE, 0, 0);
    if (HWND active = current_edit_window()) {
        RECT client;
        GetClientRect(active, &client);
        if (IsRectEmpty(&client))
            SendMessageA(ide().mdi_client, WM_MDITILE, 0, 0);
    }
}

void set_path()
{
    if (ide().compiler_root.empty())
        return;
    char path[32768] = {};
    GetEnvironmentVariableA("PATH", path, sizeof path);
    std::string new_path = path_with_compiler(path, ide().compiler_root);
    SetEnvironmentVariableA("PATH", new_path.c_str());
}

int message_loop()
{
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (ide().mdi_client && TranslateMDISysAccel(ide().mdi_client, &message))
            continue;
        if (ide().current_accelerators && TranslateAcceleratorA(ide().frame, ide().current_accelerators, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return int(message.wParam);
}

void release_resources()
{
    Ide& s = ide();
    for (HGDIOBJ object : {HGDIOBJ(s.white_pen), HGDIOBJ(s.grey_pen), HGDIOBJ(s.output_brush), HGDIOBJ(s.dialog_font),
                           HGDIOBJ(s.small_dialog_font), HGDIOBJ(s.fixed_font), HGDIOBJ(s.editor_font)})
        if (object)
            DeleteObject(object);
    if (s.color_depth >= 255 && s.background_brush)
        DeleteObject(s.background_brush);
    if (s.shared_view)
        UnmapViewOfFile(s.shared_view);
    if (s.shared_memory)
        CloseHandle(s.shared_memory);
}

}  // namespace

Ide& ide()
{
    return *the_ide;
}

std::string load_string(UINT id)
{
    char text[1024];
    int length = LoadStringA(ide().instance, id, text, sizeof text);
    return std::string(text, std::size_t(std::max(0, length)));
}

int run_ide(HINSTANCE instance, const char* command_line)
{
    Ide state;
    the_ide = &state;
    state.instance = instance;
    if (std::string name = load_string(IDS_FRAME_CLASS); !name.empty())
        state.frame_class = name;
    state.second_instance = FindWindowA(state.frame_class.c_str(), nullptr) != nullptr;
    state.start_directory = current_directory();

    take_command_line(command_line);
    create_shared_memory();
    make_help_path();
    take_options();
    if (!create_resources())
        return 0;
    create_editor();
    read_settings();

    state.frame = create_frame();
    if (!state.frame)
        return 0;
    if (state.show_banner)
        state.popup = create_text_popup(load_string(IDS_VERSION_TEXT));
    ShowWindow(state.frame, state.settings.frame_zoomed ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    if (!SetCurrentDirectoryA(state.settings.current_dir.c_str()))
        tell(vyn::format(load_string(IDS_DIRECTORY_MISSING).c_str(), state.settings.current_dir.c_str()));
    create_editor_font();
    if (state.second_instance)
        state.settings.open_files.clear();
    state.output = create_output_window();
    update_frame_title();
    layout_frame();
    DrawMenuBar(state.frame);
    load_utilities();
    append_help_database();
    open_start_files();
    project::win32::open_start_project();
    arrange_children();
    build_files_toolbar();
    set_path();
    if (state.popup) {
        DestroyWindow(state.popup);
        state.popup = nullptr;
    }
    SetForegroundWindow(state.frame);
    UpdateWindow(state.frame);

    int code = message_loop();
    release_resources();
    the_ide = nullptr;
    return code;
}

}  // namespace vyn::shell
