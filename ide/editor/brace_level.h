// The nesting level of braces at the start of lines, for the brace-level
// margin: "{" and "}" outside comments, strings and character constants.
#pragma once

#include "ide/editor/document.h"

#include <optional>
#include <vector>

namespace vyn::editor {

// The levels at the start of count lines from first; the document's comment
// regions must be current. Lines beyond the end get the level at the end.
std::vector<int> brace_levels(const Document& document, int first, int count);

struct LineSpan {
    int first = 0;
    int last = 0;  // inclusive
};

// The lines of the outermost brace block around line, with the lines of
// its head just above the opening brace (the function's name and
// parameters): up to the nearest blank line, or a line ending in ";" or "}"
// above it. Nothing when line lies outside every block.
std::optional<LineSpan> enclosing_block(const Document& document, int line);

}  // namespace vyn::editor
