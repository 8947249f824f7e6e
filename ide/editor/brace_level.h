// The nesting level of braces at the start of lines, for the brace-level
// margin: "{" and "}" outside comments, strings and character constants.
#pragma once

#include "ide/editor/document.h"

#include <vector>

namespace vyn::editor {

// The levels at the start of count lines from first; the document's comment
// regions must be current. Lines beyond the end get the level at the end.
std::vector<int> brace_levels(const Document& document, int first, int count);

}  // namespace vyn::editor
