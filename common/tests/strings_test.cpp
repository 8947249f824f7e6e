#include "common/strings.h"

#include <gtest/gtest.h>

namespace {

TEST(Strings, CaseRulesTouchOnlyAsciiLetters)
{
    EXPECT_EQ(vyn::to_upper_ascii("c:\\src\\m\xE4in.c"), "C:\\SRC\\M\xE4IN.C");
    EXPECT_EQ(vyn::to_lower_ascii("ABC_\xC4"), "abc_\xC4");
    EXPECT_TRUE(vyn::equals_nocase("Main.C", "MAIN.c"));
    EXPECT_FALSE(vyn::equals_nocase("\xE4", "\xC4"));
    EXPECT_TRUE(vyn::starts_with_nocase("#Include", "#inc"));
    EXPECT_TRUE(vyn::ends_with_nocase("a.LIB", ".lib"));
    EXPECT_FALSE(vyn::ends_with_nocase("b", ".lib"));
}

TEST(Strings, FormatHandlesLongOutput)
{
    std::string long_arg(5000, 'x');
    EXPECT_EQ(vyn::format("Error %d in %s, line %d", 3, "main.c", 42), "Error 3 in main.c, line 42");
    EXPECT_EQ(vyn::format("%s!", long_arg.c_str()).size(), 5001u);
    EXPECT_EQ(vyn::format("%s", ""), "");
}

TEST(Strings, TrimAndSplit)
{
    EXPECT_EQ(vyn::trim(" \tvalue \r\n"), "value");
    EXPECT_EQ(vyn::trim_right("  a  "), "  a");
    EXPECT_EQ(vyn::split("a,,b,", ','), (std::vector<std::string>{"a", "", "b", ""}));
    EXPECT_EQ(vyn::join({"a", "b", "c"}, ";"), "a;b;c");
    std::string s = "aXbXXc";
    vyn::replace_all(s, "X", "XX");
    EXPECT_EQ(s, "aXXbXXXXc");
}

TEST(Strings, DecimalSettingsParseStrictly)
{
    EXPECT_EQ(vyn::parse_long(" 42 "), 42);
    EXPECT_EQ(vyn::parse_long("-7"), -7);
    EXPECT_FALSE(vyn::parse_long("12abc"));
    EXPECT_FALSE(vyn::parse_long(""));
    EXPECT_FALSE(vyn::parse_long("99999999999999999999999"));
    EXPECT_EQ(vyn::parse_u32("4294967295"), 4294967295u);
    EXPECT_FALSE(vyn::parse_u32("4294967296"));
    EXPECT_FALSE(vyn::parse_u32("-1"));
    EXPECT_EQ(vyn::parse_u32("1000", 16), 0x1000u);
}

}  // namespace
