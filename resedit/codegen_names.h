// Names used by the generated code: procedures, id symbols, callback names.
#pragma once

#include <string>

#include "resedit/model.h"

namespace vyn::resedit {

// The procedure name of a dialog and the prefix of its helpers.
std::string dialog_function_name(const Dialog& dialog);
// The symbol of a control id: its own symbol, IDOK and IDCANCEL for 1 and 2,
// else the number.
std::string control_symbol(const Control& control);
// True when the control's callback takes the message-style arguments.
bool message_style(const Control& control);
// The base of a control's callback names: its callback name without the
// '#', else the default for its kind. dialog_number and control_number
// (both from 1) name controls without a kind default.
std::string callback_base(const Control& control, int dialog_number, int control_number);
// C string literal of text.
std::string c_literal(const std::string& text);

}  // namespace vyn::resedit
