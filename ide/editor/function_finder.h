// The functions defined in a C source, found by a scanner of characters and
// brackets: a parameter list at brace depth 0 followed by a body (or by
// old-style parameter declarations and then a body) is a definition. It needs
// no preprocessing and never fails: unknown text is read over, an unfinished
// comment or string runs to the end.
#pragma once

#include <string>
#include <vector>

#include "ide/editor/document.h"

namespace vyn::editor {

struct FunctionRecord {
    std::string name;
    int paren_line = 0;    // 0-based line of the parameter list's "("
    int paren_column = 0;
    int header_line = 0;   // 0-based line where the scanner decided it is a definition
    int end_line = -1;     // 0-based line of the closing brace (the last line when the body stays open)
};

// The functions of lines, in the order of the file.
std::vector<FunctionRecord> find_functions(const std::vector<Line>& lines);

// The same over a text whose lines end in "\n" or "\r\n".
std::vector<FunctionRecord> find_functions_in_text(const std::string& text);

}  // namespace vyn::editor
