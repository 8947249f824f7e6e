// Commands whose menu items are in place but whose subsystem is not part of
// this build yet. Their items stay grayed and they reach no handler; each row
// names the subsystem that will own it. The table shrinks as subsystems land.
#pragma once

#include <optional>
#include <string_view>

namespace vyn::shell {

// The owner of a command that is not available yet, or nothing.
std::optional<std::string_view> later_command_owner(int command);

}  // namespace vyn::shell
