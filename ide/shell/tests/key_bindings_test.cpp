#include "ide/shell/key_bindings.h"

#include <gtest/gtest.h>

#include "ide/command_ids.h"
#include "ide/shell/settings.h"

namespace {

using namespace vyn::shell;
using namespace vyn::shell::modifier;

constexpr int VK_LEFT = 0x25, VK_RIGHT = 0x27, VK_DOWN = 0x28, VK_INSERT = 0x2D, VK_F3 = 0x72, VK_F4 = 0x73,
              VK_F5 = 0x74, VK_F7 = 0x76, VK_F9 = 0x78, VK_F12 = 0x7B, VK_BACK = 0x08;

TEST(KeyBindings, TheHeldModifierSetMustMatchExactly)
{
    auto table = default_key_bindings();
    struct Case {
        int key;
        unsigned held;
        std::optional<int> command;
    };
    const Case cases[] = {
        {VK_F3, 0, CM_FIND_NEXT},
        {VK_F3, ctrl, CM_FIND_PREVIOUS},
        {VK_F3, alt, CM_FIND},
        {VK_F3, ctrl | alt, std::nullopt},
        {VK_F3, shift, std::nullopt},
        {VK_F7, ctrl | shift, CM_NEXT_BOOKMARK},
        {VK_RIGHT, ctrl | shift, CM_EXTEND_WORD_RIGHT},
        {VK_RIGHT, ctrl, CM_WORD_RIGHT},
        {VK_RIGHT, 0, std::nullopt},
        {VK_INSERT, ctrl, CM_COPY},
        {VK_INSERT, shift, CM_PASTE},
        {'X', alt, CM_EXIT},
        {VK_F4, alt, CM_EXIT},
        {VK_BACK, alt, CM_UNDO},
        {VK_F12, ctrl, CM_GOTO_LINE},
        {VK_F9, 0, CM_MAKE},
    };
    for (const Case& c : cases)
        EXPECT_EQ(match_key(table, c.key, c.held), c.command) << "key " << c.key << " held " << c.held;
}

TEST(KeyBindings, TheFirstMatchingRowWinsOverLaterDuplicates)
{
    auto table = default_key_bindings();
    EXPECT_EQ(match_key(table, VK_DOWN, shift), CM_EXTEND_DOWN);  // not the later 1166
    EXPECT_EQ(match_key(table, VK_LEFT, ctrl), CM_WORD_LEFT);     // not the later 1208
    ASSERT_NE(binding_of(table, CM_EXTEND_DOWN_2), nullptr);
    ASSERT_NE(binding_of(table, CM_WORD_LEFT_2), nullptr);
}

TEST(KeyBindings, RedefinedRowsMatchTheirNewKeyAndRoundTrip)
{
    auto table = default_key_bindings();
    std::size_t row = std::size_t(binding_of(table, CM_FIND_NEXT) - table.data());
    RedefinedKey key{int(row), VK_F5, CM_FIND_NEXT, alt | shift};
    apply_redefined_keys(table, std::span<const RedefinedKey>(&key, 1));
    EXPECT_EQ(match_key(table, VK_F5, alt | shift), CM_FIND_NEXT);
    EXPECT_FALSE(match_key(table, VK_F3, 0));  // the old key is gone
    auto stored = redefined_keys(table);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].row, int(row));
    EXPECT_EQ(stored[0].modifiers, alt | shift | redefined);

    RedefinedKey out_of_range{int(table.size()), VK_F5, 0, 0};
    auto before = redefined_keys(table).size();
    apply_redefined_keys(table, std::span<const RedefinedKey>(&out_of_range, 1));
    EXPECT_EQ(redefined_keys(table).size(), before);
}

TEST(KeyBindings, DebugRemapCoversTheFiveFunctionKeys)
{
    EXPECT_EQ(remap_debug_key(0x71), 300);  // F2
    EXPECT_EQ(remap_debug_key(0x76), 330);  // F7
    EXPECT_EQ(remap_debug_key(0x74), 340);  // F5
    EXPECT_EQ(remap_debug_key(0x77), 350);  // F8
    EXPECT_EQ(remap_debug_key(0x73), 360);  // F4
    EXPECT_FALSE(remap_debug_key(0x78));    // F9 stays Make
}

}  // namespace
