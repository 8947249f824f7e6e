#include "ide/shell/win32/documents.h"

#include <algorithm>

#include "common/strings.h"
#include "common/winpath.h"
#include "ide/shell/command_line.h"
#include "ide/shell/win32/edit_window.h"
#include "ide/shell/win32/ide.h"
#include "ide/shell/win32/win32_ui.h"
#include "platform/files.h"

namespace vyn::shell {

namespace {

using vyn::editor::Document;
using vyn::editor::LoadResult;

bool active_child_maximised()
{
    BOOL maximised = FALSE;
    SendMessageA(ide().mdi_client, WM_MDIGETACTIVE, 0, LPARAM(&maximised));
    return maximised != FALSE;
}

// The edit window showing document, if any.
HWND window_of(const Document& document)
{
    for (HWND child = GetWindow(ide().mdi_client, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        vyn::editor::View* view = view_of(child);
        if (view && view->document == &document)
            return child;
    }
    return nullptr;
}

// The full path of a name given relative to directory: a name that starts at
// a root ("\src\a.c", or "/src/a.c" as a host's shell spells it) is taken
// on directory's drive, not below directory. Empty when it is too long.
std::string full_name(const std::string& name, const std::string& directory)
{
    std::string full = vyn::winpath::full_path(name, directory);
    return full.size() < MAX_PATH ? full : std::string();
}

bool is_program(const std::string& upper_name)
{
    return upper_name.find(".EXE") != std::string::npos;
}

HWND load_into_new_window(const std::string& name)
{
    Document& document = ide().editor->create_document(name);
    document.path = name;
    LoadResult result = ide().editor->load_file(name, document);
    if (result != LoadResult::ok) {
        ide().editor->close_document(document);
        tell(vyn::format("Impossible to open %s", vyn::to_lower_ascii(name).c_str()));
        return nullptr;
    }
    HWND window = create_edit_window(document, active_child_maximised());
    if (!window)
        ide().editor->close_document(document);
    return window;
}

// Opens an already upper-cased full name.
HWND open_full_name(const std::string& name)
{
    if (is_program(name)) {
        tell(vyn::format("%s is a program: programs are opened for debugging", vyn::to_lower_ascii(name).c_str()));
        return nullptr;
    }
    if (Document* loaded = ide().editor->find_document(name)) {
        if (HWND window = window_of(*loaded)) {
            SendMessageA(ide().mdi_client, WM_MDIACTIVATE, WPARAM(window), 0);
            return window;
        }
        return create_edit_window(*loaded, active_child_maximised());
    }
    ide().opening_file = true;
    HWND window = load_into_new_window(name);
    ide().opening_file = false;
    return window;
}

}  // namespace

bool is_untitled(const Document& document)
{
    return vyn::equals_nocase(vyn::winpath::base_name(document.name), kUntitled);
}

std::string current_directory()
{
    char directory[MAX_PATH * 2] = {};
    GetCurrentDirectoryA(sizeof directory, directory);
    return directory;
}

HWND open_file(const std::string& text)
{
    std::string name = first_file_name(text);
    if (name.empty())
        return nullptr;
    std::string full = full_name(name, current_directory());
    if (full.empty()) {
        tell(vyn::format("Impossible to open %s", name.c_str()));
        return nullptr;
    }
    return open_full_name(vyn::winpath::upper_az(full));
}

int open_command_line_files(const std::vector<std::string>& words)
{
    int opened = 0;
    for (const std::string& word : words) {
        std::string full = full_name(word, ide().start_directory);
        if (full.empty()) {
            tell(vyn::format("Impossible to open %s", word.c_str()));
            continue;
        }
        std::string upper = vyn::winpath::upper_az(full);
        if (is_program(upper)) {
            open_full_name(upper);
            break;  // the rest of the command line belongs to the program
        }
        if (word.find_first_of("*?") == std::string::npos) {
            opened += open_full_name(upper) ? 1 : 0;
            continue;
        }
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(full.c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            continue;
        std::string directory = vyn::winpath::directory(full);
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            std::string match = vyn::winpath::upper_az(vyn::winpath::join(directory, found.cFileName));
            if (!ide().editor->find_document(match))
                opened += open_full_name(match) ? 1 : 0;
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return opened;
}

void check_documents_on_disk()
{
    HWND before = current_edit_window();
    std::vector<Document*> documents;
    for (const auto& document : ide().editor->documents())
        documents.push_back(document.get());
    for (Document* document : documents) {
        if (is_untitled(*document))
            continue;
        auto stamp = vyn::platform::modification_time(document->path);
        if (!stamp || stamp == document->time_stamp)
            continue;
        document->time_stamp = stamp;
        std::string question = vyn::format("File %s has been changed. Reload from disk?",
                                           vyn::to_lower_ascii(document->name).c_str());
        if (ask_yes_no(question)) {
            ide().editor->load_file(document->path, *document);
            refresh_document_windows(*document);
        }
    }
    if (before && IsWindow(before))
        SendMessageA(ide().mdi_client, WM_MDIACTIVATE, WPARAM(before), 0);
}

std::vector<OpenFileEntry> capture_open_files()
{
    std::vector<OpenFileEntry> entries;
    // Children come in z order, the active one first; store them bottom up so
    // that restoring leaves the same window on top.
    for (HWND child = GetWindow(ide().mdi_client, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        vyn::editor::View* view = view_of(child);
        if (!view || (view->document->flags & vyn::editor::docflag::tool_buffer) ||
            is_untitled(*view->document))
            continue;
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        GetWindowPlacement(child, &placement);
        RECT r = placement.rcNormalPosition;
        MapWindowPoints(ide().mdi_client, nullptr, reinterpret_cast<POINT*>(&r), 2);
        OpenFileEntry entry{view->document->name, view->cursor.line + 1, r.left, r.top, r.right, r.bottom};
        if (IsIconic(child))
            entry.left = -entry.left;
        if (IsZoomed(child))
            entry.right = -entry.right;
        entries.insert(entries.begin(), entry);
    }
    return entries;
}

void restore_open_files(const std::vector<OpenFileEntry>& entries)
{
    for (const OpenFileEntry& entry : entries) {
        HWND window = open_full_name(vyn::winpath::upper_az(entry.name));
        if (!window)
            continue;
        RECT r{std::labs(entry.left), entry.top, std::labs(entry.right), entry.bottom};
        MapWindowPoints(nullptr, ide().mdi_client, reinterpret_cast<POINT*>(&r), 2);
        if (r.right > r.left && r.bottom > r.top)
            MoveWindow(window, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
        if (vyn::editor::View* view = view_of(window)) {
            ide().editor->go_to_line(*view, int(std::max(1L, entry.line)));
            refresh_edit_window(window);
        }
        if (entry.left < 0)
            ShowWindow(window, SW_MINIMIZE);
        else if (entry.right < 0)
            SendMessageA(ide().mdi_client, WM_MDIMAXIMIZE, WPARAM(window), 0);
    }
}

}  // namespace vyn::shell
