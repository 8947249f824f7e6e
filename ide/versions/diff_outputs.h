// The written forms of a comparison: the text report, the patch script, the
// application of a patch script, and the merge built from per-change
// decisions.
#pragma once

#include <string>
#include <vector>

#include "ide/versions/diff_engine.h"
#include "ide/versions/lines.h"
#include "ide/versions/ui.h"

namespace vyn::versions {

// Appends (or writes) the text report of changes between first and second,
// named first_name and second_name in it, to report_path. A file that exists
// and does not start with "Tavra-Diff" is replaced only when the user agrees.
// date is the current date in the store's form. false with a message on
// failure.
bool write_report(const std::string& report_path, const std::string& first_name, const std::string& second_name,
                  const Lines& first, const Lines& second, const std::vector<Change>& changes,
                  const std::string& date, Ui& ui, std::string& error);

// The report text itself (header and changes), without the separator.
std::string report_text(const std::string& first_name, const std::string& second_name, const Lines& first,
                        const Lines& second, const std::vector<Change>& changes, const std::string& date);

// The patch script from first to second: the edit script and the trailer
// "@\n%10ld %10ld\n" with both checksums.
std::string make_patch_script(const std::string& first, const std::string& second);

// Applies the patch script in script_path to source_path and writes the
// result to output_path, and to no other file. The output is written through
// a temporary file beside it and appears only when the script applied.
// Returns true when the output was written; messages go to ui (the source
// checksum question, "Result CRC differs from expected!"). error holds the
// reason of a failure, or the checksum warning when the output was written
// but does not match (then crc_mismatch is set).
struct PatchOutcome {
    bool written = false;
    bool crc_mismatch = false;
    std::string error;
};
PatchOutcome apply_patch(const std::string& script_path, const std::string& source_path,
                         const std::string& output_path, Ui& ui);

// Builds output_path from the two files and the per-change decisions:
// keep_first[i] keeps the first file's text at changes[i], which must come
// from compare_lines(first, second, 0) on the texts second names (the text
// of second_path). true when the output was written; "Merge finished" is
// told on success.
bool merge_files(const std::string& first_path, const std::string& second_path, const std::string& output_path,
                 const Lines& second, const std::vector<Change>& changes, const std::vector<bool>& keep_first,
                 Ui& ui, std::string& error);

}  // namespace vyn::versions
