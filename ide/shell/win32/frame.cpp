#include "ide/shell/win32/frame.h"

#include <shellapi.h>

#include "common/strings.h"
#include "common/winpath.h"
#include "ide/command_ids.h"
#include "ide/shell/menu_state.h"
#include "ide/shell/win32/documents.h"
#include "ide/shell/win32/edit_window.h"
#include "ide/shell/win32/exit_steps.h"
#include "ide/shell/win32/ide.h"
#include "ide/project/win32/project_session.h"
#include "ide/shell/win32/output_window.h"

namespace vyn::shell {

namespace {

LRESULT on_create(HWND frame)
{
    CLIENTCREATESTRUCT client{};
    client.hWindowMenu = ide().window_menu;
    client.idFirstChild = FIRST_MDI_CHILD;
    ide().mdi_client = CreateWindowExA(WS_EX_CLIENTEDGE, "mdiclient", nullptr,
                                       WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VSCROLL | WS_HSCROLL,
                                       0, 0, 0, 0, frame, nullptr, ide().instance, &client);
    if (!ide().mdi_client)
        return -1;
    PostMessageA(frame, WM_TAVRA_LAYOUT, 0, 0);
    DragAcceptFiles(frame, TRUE);
    return 0;
}

LRESULT on_destroy()
{
    ide().mdi_client = nullptr;
    if (ide().output_brush) {
        DeleteObject(ide().output_brush);
        ide().output_brush = nullptr;
    }
    PostQuitMessage(0);
    return 0;
}

void on_min_max_info(LPARAM lparam)
{
    auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
    info->ptMinTrackSize.x = info->ptMinTrackSize.y = 30 * ide().char_width;
}

// Grays and checks every item of a popup (and its sub-popups) for the state.
void update_popup(HMENU popup, const std::map<int, MenuItemState>& state)
{
    int count = GetMenuItemCount(popup);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = GetSubMenu(popup, i)) {
            update_popup(sub, state);
            continue;
        }
        UINT id = GetMenuItemID(popup, i);
        if (id == UINT(-1) || id == 0)
            continue;
        MenuItemState item = menu_item_state(state, int(id));
        EnableMenuItem(popup, id, MF_BYCOMMAND | (item.enabled ? MF_ENABLED : MF_GRAYED));
        CheckMenuItem(popup, id, MF_BYCOMMAND | (item.checked ? MF_CHECKED : MF_UNCHECKED));
    }
}

void on_init_menu(HMENU menu)
{
    MenuContext context;
    if (vyn::editor::View* view = current_view()) {
        const auto& doc = *view->document;
        context.has_document = true;
        context.untitled = is_untitled(doc);
        context.modified = doc.is_modified();
        context.has_selection = view->has_selection();
        context.c_source = doc.is_c_source();
        context.has_version_id = (doc.flags & vyn::editor::docflag::has_identification) != 0;
    }
    context.save_configuration = ide().save_configuration;
    context.make_running = ide().make_running;
    const project::Project& project = project::win32::current_project();
    context.project_open = project.is_open();
    context.project_versioned = project.project_flags & project::kProjectUsesVersions;
    context.project_has_make_command = project.has_make_settings;
    auto state = menu_state(ide().key_bindings, context);
    if (ide().editor && ide().editor->clipboard_empty()) {
        state[CM_PASTE].enabled = false;
        state[CM_COPY_TO_FILE].enabled = false;
    }
    update_popup(menu, state);
}

void on_menu_select(WPARAM wparam)
{
    UINT id = LOWORD(wparam);
    bool is_command = !(HIWORD(wparam) & MF_POPUP) && id != 0;
    show_status_text(is_command ? load_string(id + IDS_DESCRIPTION_BASE) : std::string());
}

// Alt+letter that no menu took: the Alt key binding rows of that letter.
LRESULT on_menu_char(WPARAM wparam)
{
    int letter = vyn::upper_ascii(char(LOWORD(wparam)));
    for (const KeyBinding& row : ide().key_bindings) {
        if (row.key == letter && (row.modifiers & modifier::alt)) {
            PostMessageA(ide().frame, WM_COMMAND, WPARAM(row.command), 0);
            return MAKELRESULT(0, MNC_CLOSE);
        }
    }
    return MAKELRESULT(0, MNC_IGNORE);
}

void on_activate_application(bool active)
{
    if (!ide().editor)
        return;
    if (active)
        ide().editor->import_clipboard();
    else
        ide().editor->export_clipboard();
}

void on_drop_files(HDROP drop)
{
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        char name[MAX_PATH * 2];
        if (DragQueryFileA(drop, i, name, sizeof name))
            open_file(std::string("\"") + name + "\"");
    }
    DragFinish(drop);
}

void on_command(WPARAM wparam, LPARAM lparam)
{
    int command = LOWORD(wparam);
    if (command == CM_CLOSE_ALL) {
        if (!confirm_modified_documents())
            return;
        close_all_edit_windows();
    }
    if (ide().dispatcher->dispatch(command, CommandParameter(lparam)) == Route::default_handling)
        DefFrameProcA(ide().frame, ide().mdi_client, WM_COMMAND, wparam, lparam);
}

LRESULT CALLBACK frame_procedure(HWND frame, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_CREATE: return on_create(frame);
    case WM_DESTROY: return on_destroy();
    case WM_MOVE:
    case WM_SIZE:
        DefFrameProcA(frame, ide().mdi_client, message, wparam, lparam);
        layout_frame();
        return 0;
    case WM_TAVRA_LAYOUT: layout_frame(); return 0;
    case WM_GETMINMAXINFO: on_min_max_info(lparam); return 0;
    case WM_SETFOCUS:
        if (!ide().opening_file && !(wparam && IsChild(frame, HWND(wparam))) && HWND(wparam) != frame)
            PostMessageA(frame, WM_TAVRA_CHECK_DISK, 0, 0);
        break;
    case WM_TAVRA_CHECK_DISK: check_documents_on_disk(); return 0;
    case WM_ACTIVATEAPP:
        on_activate_application(wparam != FALSE);
        break;
    case WM_INITMENU: on_init_menu(HMENU(wparam)); return 0;
    case WM_MENUSELECT: on_menu_select(wparam); return 0;
    case WM_MENUCHAR: return on_menu_char(wparam);
    case WM_COMMAND: on_command(wparam, lparam); return 0;
    case WM_TAVRA_POSTED_COMMAND: ide().dispatcher->dispatch(int(LOWORD(wparam)), CommandParameter(lparam)); return 0;
    case WM_TAVRA_KEY_TO_EDITOR:
        if (HWND edit = current_edit_window())
            SendMessageA(edit, WM_TAVRA_KEY_TO_EDITOR, wparam, lparam);
        return 0;
    case WM_DROPFILES: on_drop_files(HDROP(wparam)); return 0;
    case WM_TAVRA_BUILD_TEXT:
    case WM_TAVRA_BUILD_QUERY:
        // Build tools report progress while make runs; the output window shows it.
        if (ide().make_running && ide().output)
            SendMessageA(ide().output, message, wparam, lparam);
        return message == WM_TAVRA_BUILD_QUERY ? LRESULT(ide().make_running ? 2 : 0) : 0;
    case WM_CLOSE:
        if (!run_exit_steps())
            return 0;
        break;
    case WM_QUERYENDSESSION:
        // The session may end only once the user's documents are saved or
        // forgotten: Cancel, or a save that failed, refuses it.
        return run_exit_steps() ? TRUE : FALSE;
    }
    return DefFrameProcA(frame, ide().mdi_client, message, wparam, lparam);
}

}  // namespace

bool register_frame_class(HINSTANCE instance)
{
    WNDCLASSA window_class{};
    window_class.style = CS_DBLCLKS;
    window_class.lpfnWndProc = frame_procedure;
    window_class.hInstance = instance;
    window_class.hIcon = ide().doc_icon;
    window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    window_class.lpszMenuName = "EDITMENU";
    window_class.lpszClassName = ide().frame_class.c_str();
    return RegisterClassA(&window_class) != 0;
}

HWND create_frame()
{
    const Settings& s = ide().settings;
    bool use_default = s.frame_cx <= 0 || s.frame_cy <= 0 || ide().second_instance;
    DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | (s.frame_zoomed ? WS_MAXIMIZE : 0);
    return CreateWindowExA(0, ide().frame_class.c_str(), "tavra", style,
                           use_default ? CW_USEDEFAULT : int(s.frame_x), use_default ? CW_USEDEFAULT : int(s.frame_y),
                           use_default ? CW_USEDEFAULT : int(s.frame_cx), use_default ? CW_USEDEFAULT : int(s.frame_cy),
                           nullptr, ide().menu, ide().instance, nullptr);
}

void layout_frame()
{
    if (!ide().frame || !ide().mdi_client)
        return;
    RECT client;
    GetClientRect(ide().frame, &client);
    int output_height = ide().output ? std::min<int>(ide().output_height, client.bottom) : 0;
    MoveWindow(ide().mdi_client, 0, 0, client.right, client.bottom - output_height, TRUE);
    if (ide().output)
        MoveWindow(ide().output, 0, client.bottom - output_height, client.right, output_height, TRUE);
}

void update_frame_title()
{
    const std::string& project = ide().settings.current_project;
    std::string title = project.empty() ? "tavra" : vyn::format("%s-%s", "tavra", project.c_str());
    SetWindowTextA(ide().frame, title.c_str());
}

}  // namespace vyn::shell
