#include "ide/shell/menu_state.h"

#include <initializer_list>

#include "ide/command_ids.h"
#include "ide/shell/later_commands.h"

namespace vyn::shell {

namespace {

struct GrayRule {
    bool (*applies)(const MenuContext&);
    std::initializer_list<int> commands;
};

const GrayRule kGrayRules[] = {
    {[](const MenuContext& c) { return !c.modified; }, {CM_SAVE, CM_RELOAD}},
    {[](const MenuContext& c) { return !c.has_selection; }, {CM_CUT, CM_COPY}},
    {[](const MenuContext& c) { return !c.save_configuration; }, {CM_REDEFINE_KEYS, CM_ADD_UTILITY, CM_CHANGE_UTILITY}},
    {[](const MenuContext& c) { return !c.project_open; },
     {CM_PROFILER, CM_PROJECT_FILES, CM_CLOSE_PROJECT, CM_LINK, CM_GENERATE_MAKEFILE, CM_BREAKPOINTS, CM_PUT,
      CM_1230, CM_SHOW_RESULTS, CM_REBUILD_ALL}},
    {[](const MenuContext& c) { return !c.project_open || !c.project_versioned; },
     {CM_GET, CM_QUERY, CM_GET_ALL, CM_VERSION_DEFAULTS, CM_SEE_LOCKS, CM_CHANGE_LOCKS, CM_REVISIONS,
      CM_DIFFERENCES, CM_PUT_ALL, CM_SAVE_RELEASE, CM_SEE_LOG, CM_ERASE_REVISIONS}},
    {[](const MenuContext& c) { return !c.project_open || !c.project_has_releases; },
     {CM_SHOW_RELEASE, CM_GET_RELEASE}},
    {[](const MenuContext& c) { return !c.project_open || !c.project_has_make_command; }, {CM_MAKE}},
    {[](const MenuContext& c) { return c.make_running; },
     {CM_SHOW_RESULTS, CM_GENERATE_MAKEFILE, CM_REBUILD_ALL, CM_LINK, CM_EXECUTE_PROGRAM, CM_1290, CM_DEBUGGER}},
    {[](const MenuContext& c) { return !c.c_source; }, {CM_FILE_METRICS}},
};

}  // namespace

std::map<int, MenuItemState> menu_state(std::span<const KeyBinding> table, const MenuContext& context)
{
    std::map<int, MenuItemState> state;
    bool no_document = !context.has_document || context.untitled;
    for (const KeyBinding& row : table)
        state[row.command].enabled = !no_document || row.without_document;
    if (context.has_document && context.untitled) {
        // A new document gets its name by being saved.
        state[CM_SAVE].enabled = context.modified;
        state[CM_SAVE_AS].enabled = state[CM_SAVE_ALL].enabled = true;
    }
    if (!no_document) {
        for (const GrayRule& rule : kGrayRules)
            if (rule.applies(context))
                for (int command : rule.commands)
                    state[command].enabled = false;
        state[CM_ID].checked = context.c_source && context.has_version_id;
    }
    return state;
}

MenuItemState menu_item_state(const std::map<int, MenuItemState>& state, int command)
{
    auto found = state.find(command);
    MenuItemState item = found == state.end() ? MenuItemState{} : found->second;
    if (later_command_owner(command))
        item.enabled = false;
    return item;
}

}  // namespace vyn::shell
