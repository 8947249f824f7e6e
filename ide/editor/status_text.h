// The status text of an edit window and the title mark of a modified document.
#pragma once

#include "ide/editor/document.h"

#include <string>

namespace vyn::editor {

// "%u:%d": the cursor's line number and its 1-based column on the screen
// (tabs expanded); "%s %u:%d" with the enclosing function's name when one is
// given; " *" after it for a modified document.
std::string status_text(const View& view, int tab_size, const std::string& function_name = {});

// A window title with the modified mark: "*" at its end while the document
// is modified, none once it is saved.
std::string marked_title(const std::string& title, bool modified);

}  // namespace vyn::editor
