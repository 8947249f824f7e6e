#include "resedit/symbols.h"

#include <gtest/gtest.h>

#include "resedit/menu.h"
#include "resedit/tests/test_support.h"

namespace vyn::resedit {
namespace {

using testing::RecordingUi;

TEST(Symbols, KeptInAscendingOrderOfValueAndWrittenAsDefines)
{
    SymbolTable t;
    RecordingUi ui;
    EXPECT_TRUE(t.add("IDC_B", 20, ui));
    EXPECT_TRUE(t.add("IDC_A", 10, ui));
    EXPECT_TRUE(t.add("IDC_C", 30, ui));
    EXPECT_TRUE(t.add("IDC_M", 15, ui));
    EXPECT_EQ(t.include_text(), "#define\tIDC_A\t10\n#define\tIDC_M\t15\n#define\tIDC_B\t20\n#define\tIDC_C\t30\n");
    EXPECT_TRUE(ui.messages.empty());
}

TEST(Symbols, ClashesAreRefusedWithTheirMessages)
{
    SymbolTable t;
    RecordingUi ui;
    t.add("IDC_A", 10, ui);
    EXPECT_FALSE(t.add("IDC_A", 11, ui));
    EXPECT_FALSE(t.add("IDC_B", 10, ui));
    EXPECT_EQ(ui.messages, (std::vector<std::string>{"Symbol IDC_A exists already", "Number 10 already defined"}));
    EXPECT_EQ(t.entries().size(), 1u);
}

TEST(Symbols, IncludeFileWithClashesKeepsTheFirstDefinitions)
{
    RecordingUi ui;
    auto t = SymbolTable::from_include("/* ids */\n#define IDD_MAIN 100\n#define  IDC_X\t(0x65)\n"
                                       "#define IDD_MAIN 102\n#define IDC_Y 100\n#define NOT_A_NUMBER foo\n",
                                       ui);
    EXPECT_EQ(t.include_text(), "#define\tIDD_MAIN\t100\n#define\tIDC_X\t101\n");
    EXPECT_EQ(ui.messages, std::vector<std::string>{
                               "Include file contains duplicate ids or symbols, some definitions will be ignored."});
    RecordingUi quiet;
    SymbolTable::from_include(t.include_text(), quiet);
    EXPECT_TRUE(quiet.messages.empty());
}

TEST(Symbols, SymbolEditorChecks)
{
    SymbolTable t;
    RecordingUi ui;
    t.add("IDC_A", 10, ui);
    std::vector<long> in_use{100, 200};
    const std::string form = "A symbol must start with an alphabetic character or '_', and the ID must be an integer.";
    EXPECT_EQ(check_new_symbol(t, "1abc", "5", in_use), form);
    EXPECT_EQ(check_new_symbol(t, "abc", "5x", in_use), form);
    EXPECT_EQ(check_new_symbol(t, "IDC_A", "5", in_use), "This symbol already exists in the include (.H) file.");
    EXPECT_EQ(check_new_symbol(t, "IDC_B", "10", in_use), "Another symbol already has this ID.");
    EXPECT_EQ(check_new_symbol(t, "IDC_B", "200", in_use), "Another control or dialog already has this ID.");
    EXPECT_EQ(check_new_symbol(t, "_ok", "11", in_use), std::nullopt);
}

TEST(Menu, MoreThan255ItemsAreRefused)
{
    Menu menu;
    RecordingUi ui;
    MenuItem popup;
    popup.popup = true;
    popup.text = "&File";
    ASSERT_TRUE(add_menu_item(menu, menu.items, popup, ui));
    for (std::uint16_t i = 0; i < 254; ++i)
        ASSERT_TRUE(add_menu_item(menu, menu.items[0].items, MenuItem{"x", i, 0, {}, false}, ui));
    EXPECT_EQ(count_menu_items(menu.items), 255u);
    EXPECT_FALSE(add_menu_item(menu, menu.items[0].items, MenuItem{"y", 999, 0, {}, false}, ui));
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Menu with more than 255 items!"});
    auto back = parse_menu(write_menu(menu));
    ASSERT_TRUE(back);
    EXPECT_EQ(count_menu_items(back->items), 255u);
}

TEST(Menu, DamagedTemplatesAreRefused)
{
    Menu menu;
    menu.items.push_back(MenuItem{"&Open", 5, MF_CHECKED, {}, false});
    auto bytes = write_menu(menu);
    for (std::size_t n = 0; n < bytes.size(); ++n)
        EXPECT_EQ(parse_menu(std::span(bytes).first(n)).has_value(), n == 4) << n;  // 4: the empty menu
    EXPECT_TRUE(parse_menu(bytes));
}

}  // namespace
}  // namespace vyn::resedit
