// The utility list: slots, refusals, the stored values and the texts a
// utility's strings expand from the cursor.
#include "ide/shell/utilities.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "ide/command_ids.h"
#include "ide/shell/settings_store.h"
#include "platform/tests/test_dirs.h"

namespace {

using namespace vyn::shell;
namespace project = vyn::project;

UtilityRecord named(const std::string& name, const std::string& program = "prog.exe")
{
    UtilityRecord r;
    r.name = name;
    r.program = program;
    return r;
}

UtilityList list_of(int count)
{
    UtilityList list;
    for (int i = 0; i < count; ++i) {
        UtilityRecord r = named("u" + std::to_string(i));
        EXPECT_FALSE(list.add(r));
    }
    return list;
}

TEST(Utilities, SlotsMapToCommandsKeysAndMenuEntries)
{
    EXPECT_EQ(utility_command(0), 1300);
    EXPECT_EQ(utility_command(11), 1311);
    EXPECT_EQ(utility_slot(1305), 5);
    EXPECT_FALSE(utility_slot(1299));
    EXPECT_FALSE(utility_slot(1312));  // dispatched as a utility, but no slot holds it
    EXPECT_EQ(utility_key_text(0), "Shift+F1");
    UtilityRecord r = named("Lint");
    r.command = 1311;
    EXPECT_EQ(utility_menu_label(r), "Lint\tShift+F12");
}

TEST(Utilities, AddTakesTheFirstFreeSlotAndRefusesBadNames)
{
    UtilityList list;
    UtilityRecord lint = named("Lint"), grep = named("Grep"), again = named("Lint"), empty = named("");
    EXPECT_FALSE(list.add(lint));
    EXPECT_FALSE(list.add(grep));
    EXPECT_EQ(lint.command, 1300);
    EXPECT_EQ(grep.command, 1301);
    EXPECT_EQ(list.add(again), "Name already used");
    EXPECT_EQ(list.add(empty), "Missing name");
    EXPECT_TRUE(list.erase(1300));
    UtilityRecord third = named("Third");
    EXPECT_FALSE(list.add(third));
    EXPECT_EQ(third.command, 1300);  // the freed slot comes first
    ASSERT_EQ(list.records().size(), 2u);
    EXPECT_EQ(list.records()[0].name, "Third");  // slot order
    EXPECT_EQ(list.records()[1].name, "Grep");
}

TEST(Utilities, AThirteenthUtilityIsRefused)
{
    UtilityList list = list_of(12);
    EXPECT_TRUE(list.full());
    EXPECT_FALSE(list.first_free_slot());
    UtilityRecord extra = named("extra");
    EXPECT_EQ(list.add(extra), "Maximum 12 utilities");
    EXPECT_EQ(list.records().size(), 12u);
    EXPECT_EQ(list.records().back().command, 1311);
}

TEST(Utilities, NamesAndTextsAreCutToTheirLimits)
{
    UtilityList list;
    UtilityRecord r = named("abcdefghijKLMN", std::string(600, 'p'));
    EXPECT_FALSE(list.add(r));
    EXPECT_EQ(list.records()[0].name, "abcdefghij");
    EXPECT_EQ(list.records()[0].program.size(), kMaxUtilityText);
    // Two entries that agree in their first ten characters are one name.
    UtilityRecord twin = named("abcdefghijXYZ");
    EXPECT_EQ(list.add(twin), "Name already used");
}

TEST(Utilities, RenameChangeAndErase)
{
    UtilityList list = list_of(2);
    EXPECT_EQ(list.rename(1301, "u0"), "Name already used");
    EXPECT_EQ(list.rename(1301, ""), "Missing name");
    EXPECT_FALSE(list.rename(1301, "u1"));  // its own name again
    EXPECT_FALSE(list.rename(1301, "Build"));
    EXPECT_EQ(list.find(1301)->name, "Build");
    UtilityRecord values = named("ignored", "cc.exe");
    values.arguments = "$FILE$ -c";
    values.start_dir = "C:\\WORK";
    values.flags = utilityflag::save_output | utilityflag::show_return_code;
    EXPECT_TRUE(list.change(1301, values));
    const UtilityRecord* changed = list.find(1301);
    EXPECT_EQ(changed->name, "Build");
    EXPECT_EQ(changed->program, "cc.exe");
    EXPECT_EQ(changed->arguments, "$FILE$ -c");
    EXPECT_EQ(changed->start_dir, "C:\\WORK");
    EXPECT_EQ(changed->flags, 3u);
    EXPECT_FALSE(list.change(1305, values));
    EXPECT_TRUE(list.erase(1300));
    EXPECT_FALSE(list.erase(1300));
    EXPECT_EQ(list.records().size(), 1u);
}

TEST(Utilities, StoredRecordsKeepTheirSlotsAndBadIdsTakeFreeOnes)
{
    std::vector<Utility> stored = {
        {"Late", "late.exe", "", "", "1304"},
        {"NoId", "a.exe", "", "", ""},
        {"Early", "early.exe", "-v", "C:\\", "1300"},
        {"Twice", "b.exe", "", "", "1304"},  // its slot is taken: the next free one
        {"Wrong", "c.exe", "", "", "77"},
    };
    UtilityList list = UtilityList::from_settings(stored);
    std::vector<std::pair<int, std::string>> got;
    for (const UtilityRecord& r : list.records())
        got.emplace_back(r.command, r.name);
    std::vector<std::pair<int, std::string>> expected = {
        {1300, "Early"}, {1301, "NoId"}, {1302, "Twice"}, {1303, "Wrong"}, {1304, "Late"}};
    EXPECT_EQ(got, expected);
    std::vector<Utility> written = list.to_settings();
    ASSERT_EQ(written.size(), 5u);
    EXPECT_EQ(written[0].id, "1300");
    EXPECT_EQ(written[0].progargs, "-v");
    EXPECT_EQ(written[4].id, "1304");
}

TEST(Utilities, MoreThanTwelveStoredRecordsKeepTheFirstTwelve)
{
    std::vector<Utility> stored;
    for (int i = 0; i < 14; ++i)
        stored.push_back({"n" + std::to_string(i), "p.exe", "", "", ""});
    UtilityList list = UtilityList::from_settings(stored);
    EXPECT_EQ(list.records().size(), 12u);
    EXPECT_EQ(list.records().back().name, "n11");
}

// The registry layout: numbered from 1 in slot order, the id is the command.
TEST(Utilities, TheListRoundTripsThroughTheRegistry)
{
    std::string dir = vyn::testing::fresh_test_dir();
    auto registry = vyn::platform::open_hive_file((std::filesystem::path(dir) / "hive.reg").string());
    registry->create_key(vyn::platform::RegistryRoot::CurrentUser, kVynKey);
    struct Quiet : SettingsUi {
        void tell(const std::string& m) override { ADD_FAILURE() << m; }
        std::optional<std::string> choose_directory(const std::string&) override { return std::nullopt; }
    } ui;
    UtilityList list = list_of(3);
    list.erase(1301);
    Settings settings;
    settings.utilities = list.to_settings();
    SettingsStore store(*registry, ui);
    ASSERT_TRUE(store.open("C:\\VYN\\BIN\\TAVRA.EXE", "C:\\"));
    ASSERT_TRUE(store.write(settings, false));
    auto value = [&](const char* name) {
        return registry->read_string(vyn::platform::RegistryRoot::CurrentUser, kTavraKey, name).value_or("<none>");
    };
    EXPECT_EQ(value("NumberOfUtilities"), "2");
    EXPECT_EQ(value("Util1Nickname"), "u0");
    EXPECT_EQ(value("Util1ID"), "1300");
    EXPECT_EQ(value("Util2Nickname"), "u2");
    EXPECT_EQ(value("Util2ID"), "1302");
    UtilityList back = UtilityList::from_settings(store.read("C:\\").utilities);
    ASSERT_EQ(back.records().size(), 2u);
    EXPECT_EQ(back.records()[1].command, 1302);
    EXPECT_EQ(back.records()[1].name, "u2");
}

// ---- cursor values -------------------------------------------------------------------

struct ViewOnText {
    vyn::editor::Document document;
    vyn::editor::View view;
    explicit ViewOnText(std::vector<std::string> lines)
    {
        for (std::string& text : lines)
            document.lines.push_back({std::move(text)});
        view.document = &document;
    }
};

TEST(Utilities, CursorValuesNameTheIdentifierAroundTheCursor)
{
    ViewOnText t({"    count = max_value + 1;"});
    t.view.cursor = {0, 17};  // inside max_value, after "max_v"
    project::ExpansionValues values;
    fill_cursor_values(t.view, values);
    EXPECT_EQ(values.current_text, "max_value");
    EXPECT_EQ(values.cursor, "max_v");
    EXPECT_EQ(values.selection, "");
    EXPECT_FALSE(values.selection_multiline);

    t.view.cursor = {0, 40};  // beyond the line's end
    fill_cursor_values(t.view, values);
    EXPECT_EQ(values.current_text, "");
    EXPECT_EQ(values.cursor, "");
}

TEST(Utilities, ASelectionWithinALineIsItsTextAndOverLinesIsRefusedByTheExpansion)
{
    ViewOnText t({"first line", "second line"});
    t.view.anchor = vyn::editor::Position{0, 6};
    t.view.cursor = {0, 10};
    project::ExpansionValues values;
    fill_cursor_values(t.view, values);
    EXPECT_EQ(values.selection, "line");
    std::string error;
    EXPECT_EQ(project::expand_utility_text("grep $SELECTION$x", values, error), "grep line x");

    t.view.cursor = {1, 2};
    fill_cursor_values(t.view, values);
    EXPECT_TRUE(values.selection_multiline);
    EXPECT_FALSE(project::expand_utility_text("grep $SELECTION$", values, error));
    EXPECT_EQ(error, "Impossible to send multi-line selection");
}

}  // namespace
