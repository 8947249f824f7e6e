// The results of a build: the diagnostics file read into list lines (long
// lines wrapped with " + " continuations, the success line, the time and
// return code), and the two diagnostic line formats that lead to a source
// line.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vyn::project {

struct Diagnostic {
    std::string file;  // full path, upper case
    long line = 0;     // 1 or more
    std::string text;  // what the list shows for it
};

// One line of the diagnostics file; nothing when it is no diagnostic.
// Relative names are made full against current_dir.
std::optional<Diagnostic> parse_diagnostic(std::string_view line, std::string_view current_dir);

// Whether a text fits the list's width.
using FitsWidth = std::function<bool(std::string_view)>;

// A line as list lines: cut at a blank or "(" within the last 15 characters
// that fit (else where it stops fitting, never before 31 characters), the
// rest continued on lines that begin " + ".
std::vector<std::string> wrap_line(std::string_view line, const FitsWidth& fits);

inline constexpr char kContinuation[] = " + ";
inline constexpr std::size_t kResultsTextLimit = 32700;
inline constexpr std::size_t kResultsLineLimit = 1400;

struct BuildOutcome {
    std::string executable;  // the project's executable name
    long build_ms = 0;
    long return_code = 0;
};

// "%s built sucessfully. (%3.1f sec)."
std::string success_line(const BuildOutcome& outcome);
// "Compilation + link time:%3.1f sec, Return code: %d"
std::string time_line(const BuildOutcome& outcome);

// The list lines for the contents of the diagnostics file named file_name.
std::vector<std::string> results_lines(std::string_view contents, const std::string& file_name,
                                       const BuildOutcome& outcome, const FitsWidth& fits);

// The diagnostic that list line index belongs to: its first line (continuation
// lines step back to it) and the parse of the joined text.
struct ClickedDiagnostic {
    std::size_t first_line = 0;
    std::optional<Diagnostic> diagnostic;
};
ClickedDiagnostic diagnostic_at(const std::vector<std::string>& lines, std::size_t index,
                                std::string_view current_dir);

}  // namespace vyn::project
