// The editor's command table: shortcuts, which commands need a selection,
// which are available in this build, and the Arrange commands' operations.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "resedit/dialog_editing.h"

namespace vyn::resedit {

// Modifier bits of a shortcut.
enum : unsigned { kShift = 1, kCtrl = 2, kAlt = 4 };

struct Shortcut {
    unsigned key;        // virtual key code
    unsigned modifiers;  // kShift | kCtrl | kAlt
    int command;
};

// Every shortcut of the editor (several keys may give one command).
std::span<const Shortcut> shortcuts();
// The command of a key with its modifiers, if any.
std::optional<int> command_for_key(unsigned key, unsigned modifiers);

// True for commands that work on the selected controls; without a selection
// they show "You must make a selection before this operation.".
bool needs_selection(int command);
inline constexpr char kNeedSelection[] = "You must make a selection before this operation.";

// True for the editor's commands: menu items, Arrange items and palette
// buttons; any other number is ignored.
bool command_available(int command);

// The operation of an Arrange menu item.
std::optional<Arrange> arrange_of(int command);

// The kind a palette command adds, if command is one.
std::optional<std::uint16_t> palette_kind(int command);

// What the arrow keys do: a move, or with Shift a resize; nothing for other keys.
struct ArrowAction {
    Arrow arrow;
    bool resize;
};
std::optional<ArrowAction> arrow_action(unsigned key, unsigned modifiers);

}  // namespace vyn::resedit
