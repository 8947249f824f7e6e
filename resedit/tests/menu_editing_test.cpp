#include "resedit/menu_editing.h"

#include <gtest/gtest.h>

#include "resedit/editor_session.h"
#include "resedit/tests/test_support.h"

namespace vyn::resedit {
namespace {

using namespace testing;

std::vector<std::string> lines(const Menu& menu)
{
    std::vector<std::string> out;
    for (const MenuPath& path : menu_rows(menu))
        out.push_back(menu_row_text(menu, path));
    return out;
}

MenuItem item(const char* text, std::uint16_t id) { return {text, id, 0, {}, false}; }
MenuItem popup(const char* text) { return {text, 0, 0, {}, true}; }

TEST(MenuEditing, InsertsAfterAndInsideAndRemoves)
{
    RecordingUi ui;
    Menu menu;
    auto file = insert_menu_item(menu, std::nullopt, false, popup("&File"), ui);
    ASSERT_TRUE(file);
    auto open = insert_menu_item(menu, file, true, item("&Open", 10), ui);
    ASSERT_EQ(open, (MenuPath{0, 0}));
    insert_menu_item(menu, open, false, item("&Quit", 12), ui);
    auto save = insert_menu_item(menu, open, false, item("&Save", 11), ui);  // between Open and Quit
    EXPECT_EQ(save, (MenuPath{0, 1}));
    insert_menu_item(menu, save, false, MenuItem{}, ui);
    insert_menu_item(menu, file, false, popup("&Help"), ui);  // after the popup, at the top level
    // "inside" on an item that is no popup inserts after it.
    insert_menu_item(menu, MenuPath{0, 0}, true, item("&Close", 13), ui);
    EXPECT_EQ(lines(menu), (std::vector<std::string>{"POPUP &File", "    &Open\t10", "    &Close\t13", "    &Save\t11",
                                                     "    ----", "    &Quit\t12", "POPUP &Help"}));
    EXPECT_TRUE(remove_menu_item(menu, {0, 1}));
    EXPECT_FALSE(remove_menu_item(menu, {0, 9}));
    EXPECT_FALSE(remove_menu_item(menu, {}));
    EXPECT_TRUE(remove_menu_item(menu, {0}));  // the popup with its items
    EXPECT_EQ(lines(menu), (std::vector<std::string>{"POPUP &Help"}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST(MenuEditing, MovesAnItemAmongItsSiblings)
{
    RecordingUi ui;
    Menu menu;
    auto file = insert_menu_item(menu, std::nullopt, false, popup("&File"), ui);
    auto open = insert_menu_item(menu, file, true, item("&Open", 10), ui);
    auto quit = insert_menu_item(menu, open, false, item("&Quit", 12), ui);
    insert_menu_item(menu, file, false, item("&Help", 20), ui);
    EXPECT_EQ(move_menu_item(menu, *quit, -1), (MenuPath{0, 0}));
    EXPECT_EQ(move_menu_item(menu, {0, 0}, -5), (MenuPath{0, 0}));  // already first
    EXPECT_EQ(move_menu_item(menu, {0}, 3), (MenuPath{1}));         // the popup with its items
    EXPECT_EQ(lines(menu), (std::vector<std::string>{"&Help\t20", "POPUP &File", "    &Quit\t12", "    &Open\t10"}));
    EXPECT_FALSE(move_menu_item(menu, {1, 7}, 1));
}

TEST(MenuEditing, RefusesThe256thItem)
{
    RecordingUi ui;
    Menu menu;
    auto p = insert_menu_item(menu, std::nullopt, false, popup("&Many"), ui);
    for (int i = 1; i < 255; ++i)
        ASSERT_TRUE(insert_menu_item(menu, p, true, item("x", std::uint16_t(i)), ui));
    EXPECT_FALSE(insert_menu_item(menu, p, true, item("y", 300), ui));
    EXPECT_EQ(ui.messages, (std::vector<std::string>{"Menu with more than 255 items!"}));
    EXPECT_EQ(count_menu_items(menu.items), 255u);
}

// A new menu goes to the file as a record of its own; its bytes are what
// the resource compiler makes of the same menu.
TEST(MenuEditing, SessionWritesMenuRecordsLikeTheCompiler)
{
    auto dir = scratch_directory("resedit_menu_session");
    write_text(dir / "m.rc", "1 MENU\nBEGIN\n POPUP \"&File\"\n BEGIN\n  MENUITEM \"&Open\", 10, CHECKED\n"
                             "  MENUITEM SEPARATOR\n  MENUITEM \"&Quit\", 12, GRAYED\n END\n"
                             " MENUITEM \"&Help\", 20, MENUBARBREAK\nEND\n");
    ASSERT_TRUE(compile_script(dir / "m.rc", dir / "m.res"));
    RecordingUi ui;
    ResFile compiled;
    ASSERT_TRUE(load_res((dir / "m.res").string(), compiled, ui));

    EditorSession session;
    session.create((dir / "new.res").string());
    Menu menu;
    auto file = insert_menu_item(menu, std::nullopt, false, popup("&File"), ui);
    auto open = insert_menu_item(menu, file, true, {"&Open", 10, MF_CHECKED, {}, false}, ui);
    auto sep = insert_menu_item(menu, open, false, MenuItem{}, ui);
    insert_menu_item(menu, sep, false, {"&Quit", 12, MF_GRAYED, {}, false}, ui);
    insert_menu_item(menu, file, false, {"&Help", 20, MF_MENUBARBREAK, {}, false}, ui);
    std::size_t record = session.set_menu(std::nullopt, menu);
    EXPECT_TRUE(session.res_modified());
    ASSERT_EQ(menu_records(session.file()), std::vector<std::size_t>{record});
    EXPECT_EQ(session.file().records[record].name, (NameOrId{true, 1, {}}));
    ASSERT_EQ(compiled.records.size(), 1u);
    EXPECT_TRUE(std::ranges::equal(session.file().records[record].data(), compiled.records[0].data()));

    // A change rewrites the same record; a second new menu takes number 2.
    remove_menu_item(menu, {1});
    EXPECT_EQ(session.set_menu(record, menu), record);
    EXPECT_EQ(lines(*session.menu(record)), lines(menu));
    std::size_t second = session.set_menu(std::nullopt, Menu{});
    EXPECT_EQ(session.file().records[second].name, (NameOrId{true, 2, {}}));
    EXPECT_FALSE(session.menu(record + 100));
}

}  // namespace
}  // namespace vyn::resedit
