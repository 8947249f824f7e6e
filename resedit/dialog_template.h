// Dialog resources (the DIALOG and DIALOGEX template layouts) to and from
// the model. Parsing fills only the template fields of Dialog and Control
// and derives each control's kind from its window class and style.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "resedit/model.h"

namespace vyn::resedit {

constexpr std::uint32_t DS_SETFONT = 0x40;

// Window classes that templates name by ordinal.
enum : std::uint16_t {
    kClassButton = 0x80, kClassEdit = 0x81, kClassStatic = 0x82,
    kClassListBox = 0x83, kClassScrollBar = 0x84, kClassComboBox = 0x85,
};

// False when the data is not a well-formed template; dialog is then unspecified.
bool parse_dialog_template(std::span<const std::uint8_t> data, Dialog& dialog);
std::vector<std::uint8_t> write_dialog_template(const Dialog& dialog);

std::uint16_t control_kind_of(const NameOrId& window_class, std::uint32_t style);

}  // namespace vyn::resedit
