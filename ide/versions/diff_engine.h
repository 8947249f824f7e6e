// The line-difference engine: compares two texts line by line and returns
// the runs of changed lines, nothing more; scripts, reports and patches
// are written from the runs by their writers (edit_script, report, patch).
#pragma once

#include <cstddef>
#include <vector>

#include "ide/versions/lines.h"

namespace vyn::versions {

// Option bits of a comparison request.
namespace diff_options {
constexpr unsigned ignore_spaces = 0x4;  // blanks and tabs do not count
constexpr unsigned ignore_case = 0x8;    // compare upper-cased
}  // namespace diff_options

// One run of changes, in file order. Line numbers are 0-based indexes: line0
// is the first deleted line of the first file (or the line before which the
// insertion goes), line1 the first inserted line of the second file. How a
// run is written (edit-script commands, report, patch) is the writers' job.
struct Change {
    std::size_t line0 = 0;
    std::size_t deleted = 0;
    std::size_t line1 = 0;
    std::size_t inserted = 0;
};

// Compares first with second under options and returns the runs of changes
// in file order, each run nonempty and separated from the next by at least
// one equal line; an empty list means the texts are equal under the options.
std::vector<Change> compare_lines(const Lines& first, const Lines& second, unsigned options);

}  // namespace vyn::versions
