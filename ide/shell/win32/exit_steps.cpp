#include "ide/shell/win32/exit_steps.h"

#include <windows.h>

#include <vector>

#include "common/strings.h"
#include "ide/command_ids.h"
#include "ide/project/win32/project_session.h"
#include "ide/shell/settings_store.h"
#include "ide/shell/win32/documents.h"
#include "ide/shell/win32/edit_window.h"
#include "ide/shell/win32/ide.h"
#include "ide/shell/win32/saving.h"
#include "ide/shell/win32/win32_ui.h"

namespace vyn::shell {

namespace {

using vyn::editor::Document;

std::vector<Document*> modified_documents(const std::function<bool(const Document&)>& which)
{
    std::vector<Document*> modified;
    for (const auto& document : ide().editor->documents())
        if (document->is_modified() && !(document->flags & vyn::editor::docflag::tool_buffer) &&
            (!which || which(*document)))
            modified.push_back(document.get());
    return modified;
}

INT_PTR CALLBACK modified_files_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG:
        for (Document* document : *reinterpret_cast<std::vector<Document*>*>(lparam)) {
            std::string name = vyn::to_lower_ascii(document->name);
            SendDlgItemMessageA(dialog, IDC_MODIFIED_LIST, LB_ADDSTRING, 0, LPARAM(name.c_str()));
        }
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_SAVE_ALL:
        case IDC_FORGET:
        case IDCANCEL: EndDialog(dialog, LOWORD(wparam)); return TRUE;
        }
        break;
    }
    return FALSE;
}

void remember_frame_placement()
{
    Settings& s = ide().settings;
    RECT r;
    if (IsZoomed(ide().frame)) {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        GetWindowPlacement(ide().frame, &placement);
        r = placement.rcNormalPosition;
    } else {
        if (IsIconic(ide().frame))
            ShowWindow(ide().frame, SW_RESTORE);
        GetWindowRect(ide().frame, &r);
    }
    s.frame_zoomed = IsZoomed(ide().frame) ? 1 : 0;
    s.frame_x = r.left;
    s.frame_y = r.top;
    s.frame_cx = r.right - r.left;
    s.frame_cy = r.bottom - r.top;
}

}  // namespace

bool confirm_modified_documents() { return confirm_modified_documents({}); }

bool confirm_modified_documents(const std::function<bool(const Document&)>& which)
{
    std::vector<Document*> modified = modified_documents(which);
    if (modified.empty())
        return true;
    INT_PTR answer = DialogBoxParamA(ide().instance, MAKEINTRESOURCEA(IDD_MODIFIED_FILES), ide().frame,
                                     modified_files_procedure, LPARAM(&modified));
    if (answer == IDC_FORGET)
        return true;
    if (answer != IDC_SAVE_ALL)
        return false;
    for (Document* document : modified)
        if (!save_document(*document))
            return false;
    return true;
}

void close_all_edit_windows()
{
    // Nothing is asked any more: the documents were saved or forgotten.
    std::vector<HWND> windows;
    for (HWND child = GetWindow(ide().mdi_client, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetWindow(child, GW_OWNER) == nullptr)
            windows.push_back(child);
    for (HWND window : windows)
        SendMessageA(ide().mdi_client, WM_MDIDESTROY, WPARAM(window), 0);
}

void save_configuration()
{
    Settings& s = ide().settings;
    s.open_files = capture_open_files();
    vyn::editor::View* view = current_view();
    s.current_file = view ? view->document->name : std::string();
    s.accelerators = redefined_keys(ide().key_bindings);
    Win32SettingsUi ui;
    SettingsStore store(*ide().registry, ui);
    store.write(s, !s.current_project.empty());
    project::win32::save_current_project();
}

bool run_exit_steps()
{
    if (!confirm_modified_documents())
        return false;
    remember_frame_placement();
    if (ide().save_configuration)
        save_configuration();
    if (ide().help_used)
        WinHelpA(ide().frame, ide().help_file.c_str(), HELP_QUIT, 0);
    return true;
}

}  // namespace vyn::shell
