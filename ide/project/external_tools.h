// The texts behind running other programs from the IDE: expansion of
// $NAME$ in utility strings, the command file that captures a program's
// output, the batch file that runs a console program, the runner put in
// front of an i386 program, and the object list of Rebuild all.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ide/project/project.h"

namespace vyn::project {

struct ExpansionValues {
    std::string file;          // FILE: the current document's full name
    std::string hwnd;          // HWND: "0x%x" of the current edit window
    std::string current_text;  // CURRENT_TEXT: the identifier under the cursor
    std::string cursor;        // CURSOR: that identifier up to the cursor
    std::string selection;     // SELECTION
    bool selection_multiline = false;
    std::string exe;           // EXE: see executable_path()
};

// Copies text, replacing each name between dollar signs (at most 30
// characters, a-z upper-cased) by its value and one blank; unknown names by
// nothing. Nothing, with the message in error, when the selection is needed
// and spans lines.
std::optional<std::string> expand_utility_text(std::string_view text, const ExpansionValues& values,
                                               std::string& error);

// The project's executable with the make directory in front when its name
// has no directory.
std::string executable_path(const Project& project);

inline constexpr char kRunBatchName[] = "vyntmpbatFile945.bat";

// The command file that runs a program with its output captured.
std::string capture_command_file(const std::string& program, const std::string& args, const std::string& output);
// The self-erasing batch file that runs a console program and waits for a key.
std::string console_batch_file(const std::string& command_line);
// The command line with the runner in front when one is set.
std::string with_runner(const std::string& runner, const std::string& command_line);

// Whether an executable image is for the i386 machine (MZ header, PE
// signature at e_lfanew, machine 0x14C): such programs need the runner on a
// host that cannot start them. Any malformed image gives false.
bool is_i386_image(std::span<const std::uint8_t> image);

// The object files Rebuild all deletes: every file whose extension is not
// ".obj" gives its name in lower case with the extension replaced by ".obj";
// ".obj" files and names without a dot give none.
std::vector<std::string> rebuild_object_list(const std::vector<std::string>& files);

}  // namespace vyn::project
