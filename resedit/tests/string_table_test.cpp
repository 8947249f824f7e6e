#include "resedit/string_table.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "resedit/tests/test_support.h"

namespace vyn::resedit {
namespace {

using namespace testing;

ResFile compiled(const std::string& name, const std::string& script)
{
    auto dir = scratch_directory("resedit_strings");
    write_text(dir / (name + ".rc"), script);
    EXPECT_TRUE(compile_script(dir / (name + ".rc"), dir / (name + ".res")));
    RecordingUi ui;
    ResFile file;
    EXPECT_TRUE(load_res((dir / (name + ".res")).string(), file, ui));
    return file;
}

std::vector<std::string> record_kinds(const ResFile& file)
{
    std::vector<std::string> kinds;
    for (const ResRecord& rec : file.records)
        kinds.push_back(std::to_string(rec.type.ordinal) + ":" + std::to_string(rec.name.ordinal));
    return kinds;
}

constexpr char kBefore[] =
    "1 MENU\nBEGIN\n MENUITEM \"&Go\", 5\nEND\n"
    "STRINGTABLE\nBEGIN\n 1, \"One\"\n 2, \"Two\"\n 17, \"Seventeen\"\nEND\n"
    "2 MENU\nBEGIN\n MENUITEM \"&Stop\", 6\nEND\n";

TEST(StringTable, ReadsTheCompiledBlocks)
{
    ResFile file = compiled("before", kBefore);
    StringTable table = read_string_table(file);
    EXPECT_EQ(table, (StringTable{{1, "One"}, {2, "Two"}, {17, "Seventeen"}}));
    // Unchanged, the blocks are written back as the compiler wrote them.
    ResFile again = file;
    write_string_table(again, table);
    EXPECT_EQ(write_res(again), write_res(file));
}

TEST(StringTable, EditsKeepRecordOrderAndMatchTheCompiler)
{
    ResFile file = compiled("before", kBefore);
    // The compiler puts string tables last; another writer may not.
    EXPECT_EQ(record_kinds(file), (std::vector<std::string>{"4:1", "4:2", "6:1", "6:2"}));
    std::rotate(file.records.begin() + 1, file.records.begin() + 2, file.records.end());
    StringTable table = read_string_table(file);
    table[2] = "Deux \xC3\xA9t\xC3\xA9";
    table.erase(17);   // its block becomes empty and goes
    table[40] = "Forty";  // a block the file did not have, after the other string blocks
    write_string_table(file, table);
    EXPECT_EQ(record_kinds(file), (std::vector<std::string>{"4:1", "6:1", "6:3", "4:2"}));

    ResFile oracle = compiled("after", "STRINGTABLE\nBEGIN\n 1, \"One\"\n 2, L\"Deux \\x00e9t\\x00e9\"\n 40, \"Forty\"\nEND\n");
    ASSERT_EQ(oracle.records.size(), 2u);
    EXPECT_TRUE(std::ranges::equal(file.records[1].data(), oracle.records[0].data()));
    EXPECT_TRUE(std::ranges::equal(file.records[2].data(), oracle.records[1].data()));

    // Through the file and back.
    RecordingUi ui;
    std::optional<ResFile> reread = read_res(write_res(file), ui);
    ASSERT_TRUE(reread.has_value());
    EXPECT_EQ(read_string_table(*reread), table);
}

TEST(StringTable, NewTablesGoAtTheEndAndEmptyOnesVanish)
{
    ResFile file = compiled("menu_only", "1 MENU\nBEGIN\n MENUITEM \"&Go\", 5\nEND\n");
    write_string_table(file, {{65535, "Last"}});
    EXPECT_EQ(record_kinds(file), (std::vector<std::string>{"4:1", "6:4096"}));
    EXPECT_EQ(read_string_table(file), (StringTable{{65535, "Last"}}));
    write_string_table(file, {});
    EXPECT_EQ(record_kinds(file), (std::vector<std::string>{"4:1"}));
}

TEST(StringTable, TruncatedBlockKeepsWhatWasRead)
{
    ResFile file = compiled("before", kBefore);
    ResRecord& block = file.records[2];  // ids 0 to 15
    std::vector<std::uint8_t> data(block.data().begin(), block.data().end());
    data.resize(14);  // slot 0 empty, "One", then the length of "Two" and one unit
    set_record_data(block, data);
    EXPECT_EQ(read_string_table(file), (StringTable{{1, "One"}, {17, "Seventeen"}}));
}

TEST(StringTable, EntryChecks)
{
    std::uint16_t id = 0;
    EXPECT_EQ(check_string_entry("65535", "x", id), "");
    EXPECT_EQ(id, 65535);
    EXPECT_NE(check_string_entry("65536", "x", id), "");
    EXPECT_NE(check_string_entry("-1", "x", id), "");
    EXPECT_NE(check_string_entry("12a", "x", id), "");
    EXPECT_NE(check_string_entry("", "x", id), "");
}

}  // namespace
}  // namespace vyn::resedit
