#include "ide/shell/dispatcher.h"

#include "ide/command_ids.h"

namespace vyn::shell {

Dispatcher::Dispatcher(std::span<const KeyBinding> key_bindings, State state, Ranges ranges)
    : key_bindings_(key_bindings), state_(std::move(state)), ranges_(std::move(ranges))
{
}

void Dispatcher::add(int command, Handler handler)
{
    table_.emplace_back(command, std::move(handler));
}

bool Dispatcher::has_handler(int command) const
{
    for (const auto& row : table_)
        if (row.first == command)
            return true;
    return false;
}

Route Dispatcher::dispatch(int command, CommandParameter parameter)
{
    bool debugging = state_.debugging();
    if (debugging && command > 1000 && command < 1012) {
        if (auto remapped = remap_debug_key(command - kFunctionKeyCommandBase))
            command = *remapped;
    }
    last_ = {command, parameter, state_.current_view()};

    if (!state_.has_document() && command != CM_OPEN_NAMED) {
        const KeyBinding* row = binding_of(key_bindings_, command);
        if (row && !row->without_document)
            return Route::ignored;
    }
    for (const auto& [id, handler] : table_) {
        if (id == command) {
            handler(command, parameter);
            return Route::handled;
        }
    }
    auto call = [&](const Handler& handler, Route route) {
        if (handler)
            handler(command, parameter);
        return route;
    };
    if (command >= CM_FIRST_UTILITY && command <= CM_LAST_UTILITY)
        return call(ranges_.utility, Route::utility);
    if (!debugging && command > 3500 && command < 3600)
        return call(ranges_.utility_window, Route::utility_window);
    if (debugging && command >= 400 && command < 400 + state_.debugged_module_count())
        return call(ranges_.debug_module, Route::debug_module);
    return Route::default_handling;
}

}  // namespace vyn::shell
