// Opening files into edit windows, the changed-on-disk check, and the list
// of open files kept in the settings.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ide/editor/document.h"
#include "ide/shell/settings.h"

namespace vyn::shell {

// Opens one file by the name at the start of text (quoted or up to a blank),
// or activates the window that already shows it. The edit window, or nullptr.
HWND open_file(const std::string& text);

// Opens the files and patterns of the command line, resolved against the
// directory the IDE was started in; returns how many were opened.
int open_command_line_files(const std::vector<std::string>& words);

// Asks about every loaded document whose file changed on disk.
void check_documents_on_disk();

// The open edit windows as stored in OpenFile%d, and back.
std::vector<OpenFileEntry> capture_open_files();
void restore_open_files(const std::vector<OpenFileEntry>& entries);

// The name of a new file's document, and whether a document is one (it has
// no file yet, so it is never checked on disk nor listed among open files).
inline constexpr char kUntitled[] = "UNTITLED";
bool is_untitled(const vyn::editor::Document& document);

// The current directory of the process.
std::string current_directory();

}  // namespace vyn::shell
