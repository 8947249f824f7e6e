// Which menu items are enabled, grayed and checked for the IDE's state, as
// worked out when a menu opens.
#pragma once

#include <map>
#include <span>

#include "ide/shell/key_bindings.h"

namespace vyn::shell {

struct MenuContext {
    bool has_document = false;
    bool untitled = false;          // the current document is named "UNTITLED"
    bool modified = false;
    bool has_selection = false;
    bool save_configuration = false;
    bool project_open = false;
    bool project_versioned = false;
    bool project_has_releases = false;
    bool project_has_make_command = false;
    bool make_running = false;
    bool c_source = false;
    bool has_version_id = false;    // a C source carrying an identification string
};

struct MenuItemState {
    bool enabled = true;
    bool checked = false;
};

// The state of every command of the key binding table and of the commands
// the rules name.
std::map<int, MenuItemState> menu_state(std::span<const KeyBinding> table, const MenuContext& context);

// The state of one menu item: as worked out above (enabled when not named),
// and always grayed for a command whose subsystem is not built yet.
MenuItemState menu_item_state(const std::map<int, MenuItemState>& state, int command);

}  // namespace vyn::shell
