#include "ide/shell/win32/win32_ui.h"

#include <commdlg.h>
#include <shlobj.h>

#include <ctime>

#include "ide/command_ids.h"
#include "ide/shell/win32/edit_window.h"
#include "ide/shell/win32/ide.h"

namespace vyn::shell {

namespace {

const char kAllFiles[] = "C sources (*.c;*.h)\0*.c;*.h\0All files (*.*)\0*.*\0";

INT_PTR CALLBACK goto_line_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK) {
            BOOL translated = FALSE;
            UINT line = GetDlgItemInt(dialog, IDC_LINE_NUMBER, &translated, FALSE);
            *reinterpret_cast<int*>(GetWindowLongPtrA(dialog, DWLP_USER)) = translated ? int(line) : -1;
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wparam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

struct BookmarkChoice {
    const std::vector<std::string>* lines;
    int chosen = -1;
};

INT_PTR CALLBACK bookmarks_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        auto* choice = reinterpret_cast<BookmarkChoice*>(lparam);
        for (const std::string& line : *choice->lines)
            SendDlgItemMessageA(dialog, IDC_BOOKMARK_LIST, LB_ADDSTRING, 0, LPARAM(line.c_str()));
        SendDlgItemMessageA(dialog, IDC_BOOKMARK_LIST, LB_SETCURSEL, 0, 0);
        return TRUE;
    }
    case WM_COMMAND: {
        auto* choice = reinterpret_cast<BookmarkChoice*>(GetWindowLongPtrA(dialog, DWLP_USER));
        bool double_click = LOWORD(wparam) == IDC_BOOKMARK_LIST && HIWORD(wparam) == LBN_DBLCLK;
        if (LOWORD(wparam) == IDOK || double_click) {
            choice->chosen = int(SendDlgItemMessageA(dialog, IDC_BOOKMARK_LIST, LB_GETCURSEL, 0, 0));
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wparam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    }
    return FALSE;
}

}  // namespace

void tell(const std::string& message)
{
    MessageBoxA(ide().frame, message.c_str(), "tavra", MB_OK | MB_ICONINFORMATION);
}

bool ask_yes_no(const std::string& question)
{
    return MessageBoxA(ide().frame, question.c_str(), "tavra", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

std::optional<std::string> choose_file(bool for_saving, const std::string& title, const char* filter,
                                       const std::string& initial)
{
    char name[MAX_PATH] = {};
    initial.copy(name, sizeof name - 1);
    // The dialog starts in the IDE's current directory, to which titles and
    // names are relative, rather than wherever the system last saw it.
    char directory[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof directory, directory);
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.lpstrInitialDir = directory;
    dialog.hwndOwner = ide().frame;
    dialog.lpstrFilter = filter ? filter : kAllFiles;
    dialog.lpstrFile = name;
    dialog.nMaxFile = sizeof name;
    dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
    dialog.Flags = OFN_HIDEREADONLY | (for_saving ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    BOOL chosen = for_saving ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
    if (!chosen)
        return std::nullopt;
    return std::string(name);
}

std::optional<std::string> choose_directory(const std::string& title)
{
    BROWSEINFOA info{};
    info.hwndOwner = ide().frame;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    if (!chosen)
        return std::nullopt;
    char path[MAX_PATH] = {};
    bool ok = SHGetPathFromIDListA(chosen, path);
    CoTaskMemFree(chosen);
    if (!ok)
        return std::nullopt;
    return std::string(path);
}

std::optional<std::string> Win32EditorHost::choose_file_to_read()
{
    return choose_file(false, "Insert a file", nullptr);
}

std::optional<std::string> Win32EditorHost::choose_file_to_write()
{
    return choose_file(true, "Copy to File", nullptr);
}

std::optional<int> Win32EditorHost::choose_bookmark(const std::vector<std::string>& bookmarks)
{
    BookmarkChoice choice{&bookmarks};
    if (DialogBoxParamA(ide().instance, MAKEINTRESOURCEA(IDD_BOOKMARKS), ide().frame, bookmarks_procedure,
                        LPARAM(&choice)) != IDOK ||
        choice.chosen < 0)
        return std::nullopt;
    return choice.chosen;
}

std::optional<int> Win32EditorHost::ask_line_number()
{
    int line = -1;
    if (DialogBoxParamA(ide().instance, MAKEINTRESOURCEA(IDD_GOTO_LINE), ide().frame, goto_line_procedure,
                        LPARAM(&line)) != IDOK ||
        line < 1)
        return std::nullopt;
    return line;
}

void Win32EditorHost::post_command(int command)
{
    PostMessageA(ide().frame, WM_COMMAND, WPARAM(command), 0);
}

void Win32EditorHost::bring_forward(int view_id)
{
    for (HWND child = GetWindow(ide().mdi_client, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        vyn::editor::View* view = view_of(child);
        if (!view || view->id != view_id)
            continue;
        if (IsIconic(child))
            SendMessageA(ide().mdi_client, WM_MDIRESTORE, WPARAM(child), 0);
        SendMessageA(ide().mdi_client, WM_MDIACTIVATE, WPARAM(child), 0);
        return;
    }
}

std::optional<vyn::editor::Macro> Win32EditorHost::macro(char letter)
{
    for (const KeyboardMacro& m : ide().settings.macros)
        if (m.code == letter)
            return vyn::editor::Macro{m.text, int(m.position)};
    return std::nullopt;
}

std::string Win32EditorHost::date_text()
{
    std::time_t now = std::time(nullptr);
    char text[64];
    std::strftime(text, sizeof text, "%d %b %Y %H:%M:%S", std::localtime(&now));
    return text;
}

void Win32Clipboard::put_text(const std::string& text)
{
    if (!OpenClipboard(ide().frame))
        return;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 2);
    if (memory) {
        char* bytes = static_cast<char*>(GlobalLock(memory));
        memcpy(bytes, text.c_str(), text.size() + 1);
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_TEXT, memory))
            GlobalFree(memory);
    }
    CloseClipboard();
}

std::optional<std::string> Win32Clipboard::text()
{
    if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboard(ide().frame))
        return std::nullopt;
    std::optional<std::string> result;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
            result = std::string(bytes);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return result;
}

}  // namespace vyn::shell
