// clang's diagnostics in the line form the IDE's diagnostics list reads:
// "Error <file>: <line>: <message>" and "Warning <file>: <line>: <message>",
// the file as a full path, so that a double click opens the file at its line.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vyn::cc {

// Turns a file name as clang printed it into the full path the user's side
// knows (a Windows path under Wine, a full host path natively).
using PathMapper = std::function<std::string(const std::string&)>;

/* One line of clang's standard error, rewritten. Errors (fatal ones too) and
   warnings with a location become "Error"/"Warning" lines; notes keep their
   location in a form that is not taken for a diagnostic; other lines stay. */
std::string rewrite_diagnostic_line(std::string_view line, const PathMapper& full_path);

// Every line of text, each ended by a newline.
std::string rewrite_diagnostics(std::string_view text, const PathMapper& full_path);

}  // namespace vyn::cc
