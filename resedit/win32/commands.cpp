// What each command of the editor does. The decisions (placement, arrange,
// shortcuts, which commands need a selection) live in the portable core;
// this file joins them to the windows, the clipboard and the IDE.
#include "resedit/win32/app.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>

#include "common/strings.h"
#include "platform/files.h"
#include "platform/process.h"
#include "resedit/command_ids.h"
#include "resedit/dialog_kinds.h"
#include "resedit/dialog_template.h"
#include "resedit/editor_commands.h"
#include "resedit/help_file.h"
#include "resedit/ide_link.h"
#include "resedit/zoom.h"

namespace vyn::resedit::win32 {

namespace {

constexpr char kClipboardFormat[] = "Tavrares controls";
constexpr char kResFilter[] = "Resource files (*.res)\0*.res\0All files (*.*)\0*.*\0";
constexpr char kIncludeFilter[] = "Include files (*.h)\0*.h\0All files (*.*)\0*.*\0";

// The dialog base units of the shown dialog, for the resource script.
BaseUnits base_units()
{
    RECT r{0, 0, 4, 8};
    if (app().view)
        MapDialogRect(app().view, &r);
    return {std::max<int>(1, int(r.right)), std::max<int>(1, int(r.bottom))};
}

// False, with the user told, when the selection could not be put on the clipboard.
bool copy_selection()
{
    const Dialog* d = app().session.dialog();
    Dialog holder;
    for (std::size_t i : app().selection)
        holder.controls.push_back(d->controls[i]);
    std::vector<std::uint8_t> bytes = write_dialog_template(holder);
    UINT format = RegisterClipboardFormatA(kClipboardFormat);
    if (!OpenClipboard(app().frame)) {
        ui().message("The clipboard is currently unavailable.");
        return false;
    }
    EmptyClipboard();
    bool copied = false;
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size())) {
        if (void* to = GlobalLock(memory)) {
            std::copy(bytes.begin(), bytes.end(), static_cast<std::uint8_t*>(to));
            GlobalUnlock(memory);
            copied = SetClipboardData(format, memory) != nullptr;
        }
        if (!copied)
            GlobalFree(memory);
    }
    CloseClipboard();
    if (!copied)
        ui().message("Out of memory.");
    return copied;
}

void paste()
{
    if (!app().session.dialog())
        return;
    UINT format = RegisterClipboardFormatA(kClipboardFormat);
    if (!OpenClipboard(app().frame)) {
        ui().message("The clipboard is currently unavailable.");
        return;
    }
    Dialog holder;
    bool ok = false;
    if (HANDLE memory = GetClipboardData(format)) {
        auto* data = static_cast<const std::uint8_t*>(GlobalLock(memory));
        if (data) {
            ok = parse_dialog_template({data, GlobalSize(memory)}, holder);
            GlobalUnlock(memory);
        }
    }
    CloseClipboard();
    if (!ok || holder.controls.empty())
        return;
    // Each paste of the same clipboard contents lands one step further on,
    // so that copies pasted one after another do not cover each other.
    static DWORD last_sequence = 0;
    static int pastes = 0;
    DWORD sequence = GetClipboardSequenceNumber();
    pastes = sequence == last_sequence ? pastes + 1 : 1;
    last_sequence = sequence;
    int step = int(std::max(app().settings[kCxGrid], app().settings[kCyGrid])) * 4 * pastes;
    Dialog* d = change_dialog();
    app().selection = paste_controls(*d, holder.controls, step, step, app().settings);
    after_change();
}

// The tried dialog closes with any of its ending buttons or its box.
INT_PTR CALLBACK test_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    if (message == WM_INITDIALOG)
        return TRUE;
    if ((message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) || message == WM_CLOSE) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

void test_dialog_now()
{
    const Dialog* d = app().session.dialog();
    if (!d)
        return;
    Dialog shown = *d;
    shown.menu = {};
    shown.window_class = {};
    shown.style = (shown.style & ~(WS_CHILD | WS_DISABLED)) | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER;
    std::vector<std::uint8_t> bytes = write_dialog_template(shown);
    std::vector<DWORD> aligned((bytes.size() + 3) / 4);
    std::copy(bytes.begin(), bytes.end(), reinterpret_cast<std::uint8_t*>(aligned.data()));
    DialogBoxIndirectParamA(app().instance, reinterpret_cast<LPCDLGTEMPLATEA>(aligned.data()), app().frame,
                            test_procedure, 0);
}


bool ide_frame_exists() { return FindWindowA(kIdeFrameClass, nullptr) != nullptr; }

// Finds the IDE, starting it when none runs, and brings it forward; the
// IDE then looks again at its documents, among them the generated files.
void go_to_ide()
{
    IdeSystem system{ide_frame_exists,
                     [](const std::string& command, const std::string& directory) {
                         std::string error;
                         vyn::platform::ProcessOptions options;
                         options.directory = directory;
                         return vyn::platform::Process::start(command, options, error).has_value();
                     },
                     [](int ms) { Sleep(DWORD(ms)); }};
    std::string directory = app().session.res_path().empty() ? std::string() : directory_of(app().session.res_path());
    std::string command = ide_command(app().settings.text(kEditorFullPath), app().executable);
    if (!reach_ide(system, command, directory)) {
        ui().message(kIdeStartFailed);
        return;
    }
    HWND frame = FindWindowA(kIdeFrameClass, nullptr);
    if (IsIconic(frame))
        ShowWindow(frame, SW_RESTORE);
    SetForegroundWindow(frame);
    PostMessageA(frame, 10024, 0, 0);  // check the loaded documents on disk
}

void new_file()
{
    if (!app().session.offer_to_save(ui()))
        return;
    auto path = choose_file(true, kResFilter, "res");
    if (!path)
        return;
    app().session.create(*path);
    app().selection.clear();
    rebuild_view();
}

void save(bool as)
{
    EditorSession& s = app().session;
    if (as || s.res_path().empty()) {
        auto path = choose_file(true, kResFilter, "res");
        if (!path)
            return;
        s.save_as(*path, ui(), base_units());
    } else {
        s.save(ui(), base_units());
    }
    app().settings.text(kLastFileLoaded) = s.res_path();
    update_title_and_status();
}

void delete_command()
{
    if (!app().selection.empty()) {
        delete_controls(*change_dialog(), app().selection);
        app().selection.clear();
        after_change();
        return;
    }
    if (app().session.dialog() && ui().ask("Delete the displayed dialog box?")) {
        app().session.delete_dialog();
        rebuild_view();
    }
}

void new_dialog_command()
{
    if (app().session.res_path().empty()) {
        new_file();
        if (app().session.res_path().empty())
            return;
    }
    auto name = dialog_name_dialog();
    if (!name)
        return;
    app().session.add_dialog(*name, app().settings[kFontStyle]);
    // The dialog's resource is named by number; its name becomes the number's symbol.
    if (!app().session.symbols().find_name(*name))
        app().session.add_symbol(*name, app().session.dialog()->id, ui());
    app().selection.clear();
    rebuild_view();
}

// Adds ready-made dialogs (the first one is shown) with their names as symbols.
void add_made_dialogs(const std::vector<Dialog>& dialogs)
{
    std::optional<std::size_t> first;
    for (const Dialog& d : dialogs) {
        std::size_t record = app().session.add_dialog(d);
        first = first.value_or(record);
        if (!app().session.symbols().find_name(d.name) && !app().session.symbols().find_value(d.id))
            app().session.add_symbol(d.name, d.id, ui());
    }
    if (first)
        app().session.select_dialog(*first);
    app().selection.clear();
    rebuild_view();
}

// The name of a new dialog, making a file first when none is open.
std::optional<std::string> new_dialog_name()
{
    if (app().session.res_path().empty()) {
        new_file();
        if (app().session.res_path().empty())
            return std::nullopt;
    }
    return dialog_name_dialog();
}

void unfolding_dialog_command()
{
    if (auto name = new_dialog_name())
        add_made_dialogs({unfolding_dialog(app().session.free_dialog_id(), *name, editing_settings())});
}

void property_sheet_command()
{
    auto name = new_dialog_name();
    if (!name)
        return;
    std::vector<std::string> counts;
    for (int n = 1; n <= 8; ++n)
        counts.push_back(vyn::format(n == 1 ? "%d page" : "%d pages", n));
    auto pages = choose_one("Property sheet", counts);
    if (pages)
        add_made_dialogs(property_sheet(app().session.free_dialog_id(), *name, int(*pages) + 1, editing_settings()));
}

void zoom_command()
{
    std::vector<std::string> lines;
    for (int level : zoom_levels())
        lines.push_back(zoom_label(level));
    if (auto chosen = choose_one("Zoom", lines)) {
        app().zoom = zoom_levels()[*chosen];
        rebuild_view();
    }
}

// The help page installed with the editor, in the program that shows HTML.
void help_index()
{
    auto places = help_file_candidates(app().executable);
    for (const std::string& place : places) {
        if (!vyn::platform::file_exists(place))
            continue;
        if (reinterpret_cast<INT_PTR>(ShellExecuteA(app().frame, "open", place.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) <= 32)
            ui().message(vyn::format("Impossible to open %s", place.c_str()));
        return;
    }
    ui().message(vyn::format("The help file %s is missing.", places.front().c_str()));
}

void select_dialog_command()
{
    if (auto record = select_dialog_dialog()) {
        app().session.select_dialog(*record);
        app().selection.clear();
        rebuild_view();
    }
}

// The files of the open project, and which of them exist yet.
void show_files()
{
    const EditorSession& s = app().session;
    if (s.res_path().empty())
        return;
    const ProjectFiles f = project_files(directory_of(s.res_path()), stem_of(s.res_path()));
    std::string text;
    for (const std::string* name : {&f.res_file, &f.dlg_file, &f.tvr_file, &f.c_file, &f.h_file, &f.callbacks_file,
                                    &s.include_path()})
        text += *name + (vyn::platform::file_exists(*name) ? "\n" : "  (not written yet)\n");
    MessageBoxA(app().frame, text.c_str(), "Files", MB_OK | MB_ICONINFORMATION);
}

void skeleton()
{
    if (app().session.res_path().empty())
        return;
    if (app().session.generate(ui()))
        go_to_ide();
}

bool run_file_command(int command)
{
    switch (command) {
    case CMD_NEW: new_file(); return true;
    case CMD_OPEN:
        if (auto path = choose_file(false, kResFilter, "res"))
            open_resource_file(*path);
        return true;
    case CMD_SAVE: save(false); return true;
    case CMD_SAVE_AS: save(true); return true;
    case CMD_INCLUDE:
        if (auto path = choose_file(false, kIncludeFilter, "h")) {
            app().session.set_include_path(*path);
            update_title_and_status();
        }
        return true;
    case CMD_QUIT: PostMessageA(app().frame, WM_CLOSE, 0, 0); return true;
    case CMD_FILES: show_files(); return true;
    case CMD_DIRECTORIES: directories_dialog(); return true;
    case CMD_OPEN_DLL: open_dll_command(); return true;
    case CMD_DELETE_DLL: delete_dll_command(); return true;
    }
    return false;
}

bool run_edit_command(int command)
{
    EditorSession& s = app().session;
    switch (command) {
    case CMD_UNDO:
        if (s.undo())
            after_change();
        return true;
    case CMD_RESTART:
        if (s.dialog() && ui().ask("Discard changes?") && s.restart())
            after_change();
        return true;
    case CMD_CUT:
        // What could not be put on the clipboard is not taken away.
        if (!copy_selection())
            return true;
        delete_controls(*change_dialog(), app().selection);
        app().selection.clear();
        after_change();
        return true;
    case CMD_COPY: copy_selection(); return true;
    case CMD_PASTE: paste(); return true;
    case CMD_DELETE: delete_command(); return true;
    case CMD_DUPLICATE:
        app().selection = duplicate_controls(*change_dialog(), app().selection, app().settings);
        after_change();
        return true;
    case CMD_STYLES: styles_dialog(); return true;
    case CMD_REDIMENSION:
        if (s.dialog()) {
            fit_dialog_to_controls(*change_dialog(), app().settings);
            after_change();
        }
        return true;
    }
    return false;
}

bool run_other_command(int command)
{
    switch (command) {
    case CMD_CONFIGURATION:
    case CMD_DEFAULT_SIZES: configuration_dialog(); return true;
    case CMD_TEST: test_dialog_now(); return true;
    case CMD_SYMBOLS: symbols_dialog(); return true;
    case CMD_HIERARCHY: hierarchy_dialog(); return true;
    case CMD_ZOOM: zoom_command(); return true;
    case CMD_GROUP: group_dialog(); return true;
    case CMD_NEW_DIALOG: new_dialog_command(); return true;
    case CMD_SELECT_DIALOG: select_dialog_command(); return true;
    case CMD_CALLBACKS: callbacks_dialog(); return true;
    case CMD_SKELETON: skeleton(); return true;
    case CMD_STRING_TABLE: string_table_dialog(); return true;
    case CMD_NEW_MENU: menu_dialog(std::nullopt); return true;
    case CMD_UNFOLDING_DIALOG: unfolding_dialog_command(); return true;
    case CMD_PROPERTY_SHEET: property_sheet_command(); return true;
    case CMD_SELECT_MENU: select_menu(); return true;
    case CMD_GOTO_IDE: go_to_ide(); return true;
    case CMD_HELP_INDEX: help_index(); return true;
    case CMD_ABOUT:
        MessageBoxA(app().frame, "Tavrares\nResource and dialog editor", kTitle, MB_OK | MB_ICONINFORMATION);
        return true;
    }
    return false;
}

}  // namespace

Dialog* change_dialog() { return app().session.begin_change(); }

void after_change()
{
    update_title_and_status();
    PostMessageA(app().frame, WM_APP, 0, 0);
}

EditorSettings editing_settings()
{
    EditorSettings s = app().settings;
    s[kControlStyles] = long(app().session.project().control_styles);
    return s;
}

bool open_resource_file(const std::string& path)
{
    if (!app().session.open(path, ui()))
        return false;
    app().selection.clear();
    app().settings.text(kLastFileLoaded) = path;
    if (!app().session.dialog() && app().session.dialog_records().size() > 1)
        if (auto record = select_dialog_dialog())
            app().session.select_dialog(*record);
    rebuild_view();
    return true;
}

void run_command(int command)
{
    if (!command_available(command))
        return;
    if (command == CMD_ADD_CONTROL + kCustom) {
        choose_custom_class();
        SetFocus(app().frame);
        return;
    }
    if (auto kind = palette_kind(command)) {
        app().pending_custom.reset();
        app().pending_kind = app().session.dialog() ? kind : std::nullopt;
        SetFocus(app().frame);
        update_title_and_status();
        return;
    }
    if (needs_selection(command) && app().selection.empty()) {
        ui().message(kNeedSelection);
        return;
    }
    if (auto how = arrange_of(command)) {
        arrange_controls(*change_dialog(), app().selection, *how, app().settings, app().anchor);
        after_change();
        return;
    }
    if (run_file_command(command) || run_edit_command(command) || run_other_command(command))
        return;
}

void handle_arrow_key(UINT key)
{
    if (key == VK_ESCAPE) {
        app().pending_kind.reset();
        app().pending_custom.reset();
        app().selection.clear();
        if (app().view)
            InvalidateRect(app().view, nullptr, TRUE);
        update_title_and_status();
        return;
    }
    unsigned modifiers = (GetKeyState(VK_SHIFT) < 0 ? unsigned(kShift) : 0u) | (GetKeyState(VK_CONTROL) < 0 ? unsigned(kCtrl) : 0u);
    auto action = arrow_action(key, modifiers);
    if (!action || app().selection.empty() || !app().session.dialog())
        return;
    nudge_selection(*change_dialog(), app().selection, action->arrow, action->resize, app().settings);
    after_change();
}

}  // namespace vyn::resedit::win32
