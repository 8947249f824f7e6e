// Symbolic names of window, dialog and control style bits, for the
// resource script.
#pragma once

#include <cstdint>
#include <string>

#include "resedit/model.h"

namespace vyn::resedit {

enum class StyleContext { Dialog, Control };

// style as "NAME | NAME | 0x%8.8X" (the remainder without a name last);
// "0" when no bit is set. cls selects the control-specific low word names.
std::string style_expression(std::uint32_t style, StyleContext context, const NameOrId& cls = {});
std::string ex_style_expression(std::uint32_t ex_style);

}  // namespace vyn::resedit
