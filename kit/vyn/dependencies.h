// The dependency mode: clang's make-style rule for a source turned into the
// list the makefile generator copies, one included header per line.
#pragma once

#include "kit/vyn/diagnostics.h"

#include <string>
#include <string_view>
#include <vector>

namespace vyn::cc {

/* The prerequisites of the first rule in rule_text ("target: a b \" lines,
   "\ " escaping a blank, "$$" a dollar), without the first one, which is the
   source itself. Repeated names are listed once. */
std::vector<std::string> parse_dependency_rule(std::string_view rule_text);

// The list file's text: each header mapped to its full path, one a line.
std::string dependency_list(const std::vector<std::string>& headers, const PathMapper& full_path);

}  // namespace vyn::cc
