// Edit scripts: the text of every non-head revision and the body of a patch
// script. One command per line, in increasing line order, line numbers of
// the file the script is applied to:
//   "d%d %d\n"  delete count lines beginning at line
//   "a%d %d\n"  insert the count lines that follow after line (0: at the top)
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ide/versions/diff_engine.h"
#include "ide/versions/lines.h"

namespace vyn::versions {

// The commands of one change: "d%d %d\n" (empty when it deletes nothing)
// and "a%d %d\n" (empty when it inserts nothing), numbered in the first file.
std::string delete_command(const Change& change);
std::string add_command(const Change& change);

// The script that turns the first file into second, for changes computed
// between them. Inserted lines are copied whole; only a last line of second
// that has no newline is written without one (it is then the script's end).
std::string make_edit_script(const Lines& second, const std::vector<Change>& changes);

// The script between two texts (no comparison options).
std::string edit_script_between(const std::string& first, const std::string& second);

// Applies script to input into output. On a malformed script returns false
// with the message in error ("Missing line number in edit script",
// "Unknown command in edit script: %c", "EOF during edit", ...).
bool apply_edit_script(std::string_view script, const Lines& input, std::string& output, std::string& error);

}  // namespace vyn::versions
