#include "ide/shell/win32/frame_commands.h"

#include <windows.h>

#include "common/strings.h"
#include "common/winpath.h"
#include "ide/command_ids.h"
#include "ide/shell/settings_store.h"
#include "ide/shell/version_text.h"
#include "ide/project/win32/build_commands.h"
#include "ide/project/win32/program_runner.h"
#include "ide/project/resource_file.h"
#include "ide/project/win32/project_session.h"
#include "ide/shell/win32/configuration_dialog.h"
#include "ide/shell/win32/documents.h"
#include "ide/shell/win32/edit_window.h"
#include "ide/shell/win32/ide.h"
#include "ide/shell/win32/row_painter.h"
#include "ide/shell/win32/saving.h"
#include "ide/shell/win32/search_dialogs.h"
#include "ide/shell/win32/win32_ui.h"
#include "platform/files.h"

namespace vyn::shell {

namespace {

using vyn::editor::View;

void new_file(int, CommandParameter)
{
    vyn::editor::Document* untitled = ide().editor->find_document(kUntitled);
    if (!untitled)
        untitled = &ide().editor->create_document(kUntitled);
    create_edit_window(*untitled, false);
}

void open(int, CommandParameter)
{
    if (auto name = choose_file(false, "Open", nullptr))
        open_file("\"" + *name + "\"");
}

void open_named(int, CommandParameter parameter)
{
    if (parameter)
        open_file(reinterpret_cast<const char*>(parameter));
}

void save(int, CommandParameter)
{
    if (View* view = current_view())
        save_view(*view);
}

void save_as_command(int, CommandParameter)
{
    if (View* view = current_view())
        save_view_as(*view);
}

// Saves every modified document; a new one asks for its name, and a
// cancelled or failed save leaves the others to be saved still.
void save_all(int, CommandParameter)
{
    std::vector<vyn::editor::Document*> modified;
    for (const auto& document : ide().editor->documents())
        if (document->is_modified() && !(document->flags & vyn::editor::docflag::tool_buffer))
            modified.push_back(document.get());
    for (vyn::editor::Document* document : modified)
        save_document(*document);
}

void reload(int, CommandParameter)
{
    View* view = current_view();
    if (!view || is_untitled(*view->document))
        return;
    auto& document = *view->document;
    if (!ask_yes_no(vyn::format("Reload %s from disk?", vyn::to_lower_ascii(document.name).c_str())))
        return;
    ide().editor->load_file(document.path, document);
    refresh_document_windows(document);
}

void close_view(int, CommandParameter)
{
    if (HWND window = current_edit_window())
        SendMessageA(window, WM_CLOSE, 0, 0);
}

void exit_ide(int, CommandParameter)
{
    SendMessageA(ide().frame, WM_CLOSE, 0, 0);
}

INT_PTR CALLBACK about_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    return FALSE;
}

void about(int, CommandParameter)
{
    DialogBoxParamA(ide().instance, MAKEINTRESOURCEA(IDD_ABOUT), ide().frame, about_procedure, 0);
}

void version(int, CommandParameter)
{
    auto image = vyn::platform::read_file(vyn::platform::executable_path());
    std::optional<std::uint32_t> stamp = image ? link_time_stamp(*image) : std::nullopt;
    tell(version_message(load_string(IDS_VERSION_TEXT), stamp));
}

void help_index(int, CommandParameter)
{
    WinHelpA(ide().frame, ide().help_file.c_str(), HELP_FINDER, 0);
    ++ide().help_used;
}

void help_database(int, CommandParameter)
{
    WinHelpA(ide().frame, ide().settings.win_help_database.c_str(), HELP_CONTENTS, 0);
    ++ide().help_used;
}

void mdi_request(int command, CommandParameter)
{
    UINT message = command == CM_CASCADE ? WM_MDICASCADE : command == CM_TILE ? WM_MDITILE : WM_MDIICONARRANGE;
    SendMessageA(ide().mdi_client, message, 0, 0);
}

// Puts the active window and the one below it side by side.
void disposition(int, CommandParameter)
{
    HWND first = reinterpret_cast<HWND>(SendMessageA(ide().mdi_client, WM_MDIGETACTIVE, 0, 0));
    if (!first)
        return;
    HWND second = GetWindow(first, GW_HWNDNEXT);
    while (second && GetWindow(second, GW_OWNER))
        second = GetWindow(second, GW_HWNDNEXT);
    SendMessageA(ide().mdi_client, WM_MDIRESTORE, WPARAM(first), 0);
    RECT client;
    GetClientRect(ide().mdi_client, &client);
    int half = second ? client.right / 2 : client.right;
    MoveWindow(first, 0, 0, half, client.bottom, TRUE);
    if (second) {
        ShowWindow(second, SW_RESTORE);
        MoveWindow(second, half, 0, client.right - half, client.bottom, TRUE);
    }
}

void resources(int, CommandParameter)
{
    if (ide().compiler_root.empty()) {
        tell("vyn is not configured\nPlease run 'setupvyn.exe'");
        return;
    }
    // The project's resource file, else one the user chooses.
    auto resource_file = project::project_resource_file(project::win32::current_project());
    if (!resource_file)
        resource_file = choose_file(false, load_string(IDS_OPEN_RESOURCE_TITLE),
                                    "Resource files (*.res)\0*.res\0All files (*.*)\0*.*\0");
    if (!resource_file)
        return;
    std::string command = project::resource_editor_command(ide().compiler_root, *resource_file);
    // The ".res" of the project's script is a build product: opened before
    // make has brought it up to date, the editor's work would either be
    // overwritten by the next build or keep the script's resources out of
    // the program. Make first, then the editor, when the user agrees.
    auto compiled = project::compiled_resource_script(project::win32::current_project());
    if (compiled && project::compiled_resources_out_of_date(*compiled) &&
        ask_yes_no(vyn::format("%s is missing or older than %s.\nMake the project first?",
                               std::string(vyn::winpath::base_name(compiled->compiled)).c_str(),
                               std::string(vyn::winpath::base_name(compiled->script)).c_str()))) {
        project::win32::make_then([files = *compiled, command] {
            if (!project::compiled_resources_out_of_date(files))
                project::win32::start_program(command);
        });
        return;
    }
    project::win32::start_program(command);
}

// Editing commands go to the editor with the current view.
void editor_command(int command, CommandParameter parameter)
{
    HWND window = current_edit_window();
    View* view = view_of(window);
    if (!view)
        return;
    ide().editor->command(*view, command, int(parameter));
    // A bookmark may lie in another window, which the editor made current.
    for (const auto& document : ide().editor->documents())
        refresh_document_windows(*document);
}

const int kEditorCommands[] = {
    CM_UNDO, CM_CUT, CM_COPY, CM_PASTE, CM_EXTEND_DOWN, CM_TOP_OF_FILE, CM_END_OF_FILE, CM_GOTO_LINE,
    CM_COPY_TO_FILE, CM_INSERT_FILE, CM_SET_BOOKMARK, CM_GOTO_BOOKMARK, CM_NEXT_BOOKMARK,
    CM_ERASE_BOOKMARK, CM_EXTEND_UP, CM_EXTEND_RIGHT, CM_EXTEND_LEFT, CM_WORD_RIGHT,
    CM_WORD_LEFT, CM_EXTEND_WORD_RIGHT, CM_EXTEND_FILE_START, CM_EXTEND_FILE_END, CM_EXTEND_LINE_END,
    CM_SPACES_TO_TABS, CM_TABS_TO_SPACES, CM_RECENTER, CM_EXTEND_LINE_START, CM_EXTEND_PAGE_UP,
    CM_EXTEND_PAGE_DOWN, CM_EXTEND_WORD_LEFT,
};

}  // namespace

void add_frame_commands()
{
    Dispatcher& d = *ide().dispatcher;
    d.add(CM_NEW, new_file);
    d.add(CM_OPEN, open);
    d.add(CM_OPEN_NAMED, open_named);
    d.add(CM_SAVE, save);
    d.add(CM_SAVE_AS, save_as_command);
    d.add(CM_SAVE_ALL, save_all);
    d.add(CM_RELOAD, reload);
    d.add(CM_CLOSE, close_view);
    d.add(CM_EXIT, exit_ide);
    d.add(CM_ABOUT, about);
    d.add(CM_VERSION, version);
    d.add(CM_HELP_INDEX, help_index);
    d.add(CM_HELP_DATABASE, help_database);
    d.add(CM_CASCADE, mdi_request);
    d.add(CM_TILE, mdi_request);
    d.add(CM_ARRANGE_ICONS, mdi_request);
    d.add(CM_DISPOSITION, disposition);
    d.add(CM_CONFIGURATION, [](int, CommandParameter) { run_configuration_dialog(); });
    d.add(CM_RESOURCES, resources);
    d.add(CM_LEVEL, [](int, CommandParameter) {
        toggle_brace_level_margin();
        for (const auto& document : ide().editor->documents())
            refresh_document_windows(*document);
    });
    add_search_commands();
    project::win32::add_project_commands();
    for (int command : kEditorCommands)
        d.add(command, editor_command);
}

}  // namespace vyn::shell
