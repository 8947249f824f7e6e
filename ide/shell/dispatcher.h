// The command dispatcher: turns a command id (from a menu, an accelerator,
// a key binding or a posted message) into a call of its owner.
//
// Order: while debugging, function-key commands are remapped; the command
// is remembered as the last command; with no document open, commands whose
// key binding row needs one are ignored; then the command table, then the
// ranges of user utilities (1300-1312), utility-window commands (3501-3599,
// not while debugging) and debugged modules (400 + module index, only while
// debugging); anything else goes to the frame's default handling.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "ide/shell/key_bindings.h"

namespace vyn::shell {

using CommandParameter = std::intptr_t;
// The parameter value of a command chosen from an edit window's context menu.
constexpr CommandParameter kFromContextMenu = -1;

struct LastCommand {
    int command = 0;
    CommandParameter parameter = 0;
    int view = 0;
};

enum class Route { ignored, handled, utility, utility_window, debug_module, default_handling };

class Dispatcher {
public:
    using Handler = std::function<void(int command, CommandParameter parameter)>;

    // What the dispatcher needs to know of the IDE's state.
    struct State {
        std::function<bool()> debugging = [] { return false; };
        std::function<bool()> has_document = [] { return false; };
        std::function<int()> current_view = [] { return 0; };
        std::function<int()> debugged_module_count = [] { return 0; };
    };
    // Where the ranges go (each gets the command id and parameter).
    struct Ranges {
        Handler utility;
        Handler utility_window;
        Handler debug_module;
    };

    Dispatcher(std::span<const KeyBinding> key_bindings, State state, Ranges ranges);

    // Adds a row to the command table; a second row for an id is never reached.
    void add(int command, Handler handler);
    bool has_handler(int command) const;

    Route dispatch(int command, CommandParameter parameter);
    const LastCommand& last_command() const { return last_; }

private:
    std::span<const KeyBinding> key_bindings_;
    State state_;
    Ranges ranges_;
    std::vector<std::pair<int, Handler>> table_;
    LastCommand last_;
};

}  // namespace vyn::shell
