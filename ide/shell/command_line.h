// The IDE's command line: options and the names of files to open.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vyn::shell {

struct CommandLine {
    bool quiet = false;             // "/w" anywhere: no banner, no restore, no saving
    bool no_restore = false;        // /f: no restoring of open files, no saving
    bool no_save_while_opening = false;  // /n
    std::optional<unsigned long> attach_process;  // /p, /d or /D with a process id
    std::optional<unsigned long> attach_event;    // /e with an event handle
    std::vector<std::string> files;  // names and patterns, in order
    bool empty = true;               // nothing at all was given
};

// Cuts the command line (without the program name) at blanks and tabs.
CommandLine parse_command_line(const std::string& text);

// The file name at the start of text: up to the closing quote when it
// starts with one, else up to the first blank.
std::string first_file_name(const std::string& text);

}  // namespace vyn::shell
