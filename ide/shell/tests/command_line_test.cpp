#include "ide/shell/command_line.h"

#include <gtest/gtest.h>

namespace {

using vyn::shell::parse_command_line;

TEST(CommandLine, OptionsAndFilesAreTakenApart)
{
    auto line = parse_command_line("  /f main.c\t-n *.h /p 1234 /e77 ");
    EXPECT_TRUE(line.no_restore);
    EXPECT_TRUE(line.no_save_while_opening);
    EXPECT_EQ(line.attach_process, 1234u);
    EXPECT_EQ(line.attach_event, 77u);
    EXPECT_EQ(line.files, (std::vector<std::string>{"main.c", "*.h"}));
    EXPECT_FALSE(line.quiet);
    EXPECT_FALSE(line.empty);
}

TEST(CommandLine, SlashWAnywhereMakesItQuietAndAnEmptyLineIsEmpty)
{
    EXPECT_TRUE(parse_command_line("a.c /w").quiet);
    EXPECT_TRUE(parse_command_line("a.c x/wy").quiet);
    EXPECT_TRUE(parse_command_line(" \t ").empty);
    EXPECT_TRUE(parse_command_line("").files.empty());
    EXPECT_EQ(parse_command_line("/D 55").attach_process, 55u);
    EXPECT_FALSE(parse_command_line("/p x").attach_process);
}

// Absolute names as a host's shell spells them start with a slash; only a
// slash and one letter (with the digits of a number) is an option.
TEST(CommandLine, NamesStartingWithASlashAreFilesNotOptions)
{
    auto line = parse_command_line("/work/wt/a.c /data/b.c /mnt/c.c /etc/d.c /p12 -e7 /f");
    EXPECT_EQ(line.files, (std::vector<std::string>{"/work/wt/a.c", "/data/b.c", "/mnt/c.c", "/etc/d.c"}));
    EXPECT_EQ(line.attach_process, 12u);
    EXPECT_EQ(line.attach_event, 7u);
    EXPECT_TRUE(line.no_restore);
    EXPECT_FALSE(line.no_save_while_opening);
}

TEST(CommandLine, QuotedNamesKeepTheirBlanks)
{
    auto line = parse_command_line("\"C:\\My Files\\a.c\" b.c \"\"");
    EXPECT_EQ(line.files, (std::vector<std::string>{"C:\\My Files\\a.c", "b.c"}));
}

TEST(CommandLine, FirstFileNameHonoursQuotes)
{
    EXPECT_EQ(vyn::shell::first_file_name("\"C:\\My Files\\a.c\" rest"), "C:\\My Files\\a.c");
    EXPECT_EQ(vyn::shell::first_file_name("  a.c b.c"), "a.c");
    EXPECT_EQ(vyn::shell::first_file_name("\"unclosed name"), "unclosed name");
}

}  // namespace
