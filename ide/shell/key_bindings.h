// The key binding table: one row per command that has a key or whose menu
// item follows the document state, and the debug key remap table.
//
// A key press matches a row when the key is the row's key and the set of
// Ctrl, Alt and Shift held down is exactly the row's set; the first matching
// row in table order wins. The redefined (8) and character-key (0x10) bits
// take no part in matching.
#pragma once

#include <optional>
#include <span>
#include <vector>

namespace vyn::shell {

namespace modifier {
constexpr unsigned ctrl = 1;
constexpr unsigned alt = 2;
constexpr unsigned shift = 4;
constexpr unsigned redefined = 8;
constexpr unsigned character_key = 0x10;
constexpr unsigned held_keys = ctrl | alt | shift;
}  // namespace modifier

struct KeyBinding {
    int key = 0;          // virtual-key code (or character), 0 for none
    int command = 0;
    unsigned modifiers = 0;
    bool without_document = false;  // allowed with no document open
};

// The table as the IDE starts with it; the user may redefine keys of its rows.
std::vector<KeyBinding> default_key_bindings();

// The command of the first row that the key with the held modifiers matches.
std::optional<int> match_key(std::span<const KeyBinding> table, int key, unsigned held);

// The row of a command, or nullptr.
const KeyBinding* binding_of(std::span<const KeyBinding> table, int command);

// A key the user redefined: its row in the table and the new key.
struct RedefinedKey;
// Puts stored redefinitions into the table (rows out of range are passed over).
void apply_redefined_keys(std::vector<KeyBinding>& table, std::span<const RedefinedKey> keys);
// The rows marked as redefined, in table order, for storing.
std::vector<RedefinedKey> redefined_keys(std::span<const KeyBinding> table);

// While debugging, the function keys F2, F7, F5, F8 and F4 become debugger
// commands. A function key arrives as command 888 plus its virtual key.
std::optional<int> remap_debug_key(int virtual_key);
constexpr int kFunctionKeyCommandBase = 888;

}  // namespace vyn::shell
