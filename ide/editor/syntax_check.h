// The bracket, string and conditional-directive check run on a C source
// before it is saved. It is a scanner of characters, not a compiler: it
// needs no preprocessing and stops at the first error it finds.
#pragma once

#include "ide/editor/document.h"

#include <optional>
#include <string>

namespace vyn::editor {

// Nothing when the document passes, else the message of its first error;
// file_name fills the messages that name the file.
std::optional<std::string> check_syntax(const Document& document, const std::string& file_name);

}  // namespace vyn::editor
