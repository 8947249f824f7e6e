#include "ide/shell/menu_state.h"

#include <gtest/gtest.h>

#include "ide/command_ids.h"

namespace {

using namespace vyn::shell;

bool enabled(const std::map<int, MenuItemState>& state, int command)
{
    return menu_item_state(state, command).enabled;
}

TEST(MenuState, WithoutADocumentOnlyDocumentFreeCommandsStayEnabled)
{
    auto table = default_key_bindings();
    for (bool untitled : {false, true}) {
        MenuContext context;
        context.has_document = untitled;
        context.untitled = untitled;
        auto state = menu_state(table, context);
        EXPECT_TRUE(enabled(state, CM_NEW));
        EXPECT_TRUE(enabled(state, CM_OPEN));
        EXPECT_TRUE(enabled(state, CM_CONFIGURATION));
        EXPECT_EQ(enabled(state, CM_SAVE_AS), untitled);
        EXPECT_FALSE(enabled(state, CM_COPY));
        EXPECT_TRUE(enabled(state, CM_ABOUT));  // not in the table: never grayed
    }
}

// A new document is given its name by saving it.
TEST(MenuState, AnUntitledDocumentCanBeSaved)
{
    auto table = default_key_bindings();
    MenuContext context;
    context.has_document = context.untitled = true;
    auto state = menu_state(table, context);
    EXPECT_TRUE(enabled(state, CM_SAVE_AS));
    EXPECT_TRUE(enabled(state, CM_SAVE_ALL));
    EXPECT_FALSE(enabled(state, CM_SAVE));
    EXPECT_FALSE(enabled(state, CM_RELOAD));
    EXPECT_FALSE(enabled(state, CM_COPY));
    context.modified = true;
    state = menu_state(table, context);
    EXPECT_TRUE(enabled(state, CM_SAVE));
    EXPECT_TRUE(enabled(state, CM_SAVE_AS));
    EXPECT_FALSE(enabled(state, CM_RELOAD));  // there is no file to read again
}

TEST(MenuState, RulesGrayForTheDocumentState)
{
    auto table = default_key_bindings();
    MenuContext context;
    context.has_document = true;
    auto state = menu_state(table, context);
    EXPECT_FALSE(enabled(state, CM_SAVE));
    EXPECT_FALSE(enabled(state, CM_RELOAD));
    EXPECT_FALSE(enabled(state, CM_CUT));
    EXPECT_TRUE(enabled(state, CM_PASTE));
    EXPECT_TRUE(enabled(state, CM_SAVE_AS));

    context.modified = true;
    context.has_selection = true;
    state = menu_state(table, context);
    EXPECT_TRUE(enabled(state, CM_SAVE));
    EXPECT_TRUE(enabled(state, CM_CUT));
}

TEST(MenuState, CommandsOfLaterSubsystemsAreAlwaysGrayed)
{
    auto table = default_key_bindings();
    MenuContext context;
    context.has_document = true;
    context.project_open = true;
    context.project_has_make_command = true;
    auto state = menu_state(table, context);
    EXPECT_FALSE(enabled(state, CM_GREP));
    EXPECT_FALSE(enabled(state, CM_DEBUGGER));
    EXPECT_TRUE(enabled(state, CM_FIND));
    EXPECT_TRUE(enabled(state, CM_LEVEL));
    EXPECT_FALSE(enabled(state, CM_GET));
    EXPECT_TRUE(enabled(state, CM_TABS_TO_SPACES));
}

TEST(MenuState, TheIdItemIsCheckedForAnIdentifiedCSource)
{
    auto table = default_key_bindings();
    MenuContext context;
    context.has_document = true;
    context.c_source = true;
    context.has_version_id = true;
    EXPECT_TRUE(menu_state(table, context)[CM_ID].checked);
    context.has_version_id = false;
    EXPECT_FALSE(menu_state(table, context)[CM_ID].checked);
}

}  // namespace
