// Where the editor's help (an HTML page installed with the kit) is looked
// for: beside the program, then in the kit's doc directory.
#pragma once

#include <string>
#include <vector>

namespace vyn::resedit {

inline constexpr char kHelpFileName[] = "tavrares.html";

// The places to look, in order, for a program at executable (a Windows path).
std::vector<std::string> help_file_candidates(const std::string& executable);

}  // namespace vyn::resedit
