// The line-difference engine: compares two texts line by line and returns
// the list of changes that turns the first into the second.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "ide/versions/lines.h"

namespace vyn::versions {

// Option bits of a comparison request.
namespace diff_options {
constexpr unsigned keep_list = 0x1;       // keep the change list in memory only
constexpr unsigned ignore_spaces = 0x4;   // blanks and tabs do not count
constexpr unsigned ignore_case = 0x8;     // compare upper-cased
constexpr unsigned c_syntax = 0x10;       // both inputs are C sources
constexpr unsigned to_file = 0x20;        // write the result to a file
constexpr unsigned patch_script = 0x40;   // the file is a patch script
constexpr unsigned keep_text = 0x80;      // keep the inserted lines with each change
constexpr unsigned keep_commands = 0x200; // keep the edit-script command lines
}  // namespace diff_options

// One change, in file order. Line numbers are 0-based indexes: line0 is the
// first deleted line of the first file (or the line before which the
// insertion goes), line1 the first inserted line of the second file.
struct Change {
    std::size_t line0 = 0;
    std::size_t deleted = 0;
    std::size_t line1 = 0;
    std::size_t inserted = 0;
    std::string text;            // the inserted lines (keep_text or keep_commands)
    std::string delete_command;  // "d%d %d\n" (keep_commands)
    std::string add_command;     // "a%d %d\n" (keep_commands)
    bool marked = false;         // merge decision: keep the first file's text
};

// Comparison results.
enum DiffResult { diff_identical = 0, diff_different = 1, diff_trouble = 2, diff_internal = -1 };

// Compares first with second under options (ignore_spaces, ignore_case,
// keep_text, keep_commands are honoured here) and returns the changes in file
// order; an empty list means the texts are equal under the options.
std::vector<Change> compare_lines(const Lines& first, const Lines& second, unsigned options);

}  // namespace vyn::versions
