// The regular-expression engine: what it refuses and why, the program it
// builds, and what it finds.
#include "ide/editor/regex.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace vyn::editor {
namespace {

std::string refusal(std::string_view pattern)
{
    std::string message;
    if (compile_regex(pattern, message))
        return "accepted";
    return message;
}

CompiledRegex compiled(std::string_view pattern)
{
    std::string message;
    std::optional<CompiledRegex> re = compile_regex(pattern, message);
    EXPECT_TRUE(re.has_value()) << pattern << ": " << message;
    return re ? *re : CompiledRegex{};
}

// "offset,length" of the first find, or "none".
std::string find(std::string_view pattern, std::string_view subject, std::size_t from = 0)
{
    CompiledRegex re = compiled(pattern);
    RegexFind found = find_in_string(re, subject, from);
    if (found.offset < 0)
        return "none";
    return std::to_string(found.offset) + "," + std::to_string(found.length);
}

TEST(RegexCompile, RefusesWithTheMessageOfEachError)
{
    struct Case {
        const char* pattern;
        const char* message;
    } cases[] = {
        {"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)", "Too many () in reg exp"},
        {"((((((((((a))))))))))", "Too many () in reg exp"},
        {"(ab", "Mismatched ()"},
        {"ab)", "Mismatched ()"},
        {"a(b))", "Mismatched ()"},
        {"*a", "?*+ followed by nothing"},
        {"a|+b", "?*+ followed by nothing"},
        {"(?a)", "?*+ followed by nothing"},
        {"ab\\", "Trailing \\"},
        {"[abc", "unmatched []"},
        {"[a-", "unmatched []"},
        {"[z-a]", "Invalid [] range"},
        {"[b-a]", "Invalid [] range"},
        {"(a*)*", "Operand of +? could be empty"},
        {"(a?)+", "Operand of +? could be empty"},
        {"(|a)*", "Operand of +? could be empty"},
        {"^*", "Operand of +? could be empty"},
        {"$+", "Operand of +? could be empty"},
        {"a**", "Bad regular expression"},
        {"a*?", "Bad regular expression"},
        {"(ab)+*", "Bad regular expression"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(refusal(c.pattern), c.message) << c.pattern;
    EXPECT_EQ(refusal(std::string_view("a\0b", 3)), "Bad regular expression");
}

TEST(RegexCompile, AcceptsTheseEdgePatterns)
{
    for (const char* pattern : {"(a*)?", "[a-a]", "(a)(b)(c)(d)(e)(f)(g)(h)(i)", "()", "a|", "|", "",
                                "[]a]", "[^]a]", "[-a]", "[a-]", "[]-a]", "\\*\\+", "x$", "$", "^", "(a|b)*c",
                                "[a-c-e]", "a?b?c?", "((a))+"})
        EXPECT_EQ(refusal(pattern), "accepted") << pattern;
}

TEST(RegexCompile, RefusesAProgramOf32767BytesOrMore)
{
    // Each "[\x01-\xFF]" is a node of 3 bytes and 256 bytes of operand; with
    // the magic, the branch and the end the program is 8 + 259 n bytes.
    std::string big;
    for (int i = 0; i < 126; ++i)
        big += "[\x01-\xff]";
    EXPECT_EQ(refusal(big), "accepted");  // 32,642 bytes
    big += "[\x01-\xff]";
    EXPECT_EQ(refusal(big), "Bad regular expression");  // 32,901 bytes
}

TEST(RegexCompile, ProgramStartsWithTheMagicByteAndS)
{
    CompiledRegex re = compiled("abc");
    ASSERT_GE(re.program.size(), 2u);
    EXPECT_EQ(re.program[0], regex_magic);
    EXPECT_EQ(re.program[1], 'S');
    EXPECT_EQ(re.program[2], regop::branch);
    EXPECT_EQ(re.program[5], regop::exactly);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&re.program[8])), "abc");
    EXPECT_EQ(re.source, "abc");
}

TEST(RegexCompile, PretestsFromTheSingleTopLevelBranch)
{
    CompiledRegex literal = compiled("hello.*world");
    EXPECT_EQ(literal.first, 'h');
    EXPECT_FALSE(literal.anchored);
    EXPECT_EQ(literal.required, "");  // it starts with a literal, no need

    CompiledRegex anchored = compiled("^int");
    EXPECT_TRUE(anchored.anchored);
    EXPECT_EQ(anchored.first, '\0');

    CompiledRegex floating = compiled("[a-z]*count_of[0-9]+x");
    EXPECT_EQ(floating.first, '\0');
    EXPECT_EQ(floating.required, "count_of");

    CompiledRegex two_branches = compiled("abc|abd");
    EXPECT_EQ(two_branches.first, '\0');
    EXPECT_EQ(two_branches.required, "");
}

TEST(RegexMatch, StarAfterALiteralRunRepeatsOnlyItsLastCharacter)
{
    EXPECT_EQ(find("abc*", "xxabccc"), "2,5");
    EXPECT_EQ(find("abc*", "xxab"), "2,2");
    EXPECT_EQ(find("abc*", "xxabcabc"), "2,3");
    EXPECT_EQ(find("abc+", "ab abcc"), "3,4");
    EXPECT_EQ(find("abc?d", "abd abcd"), "0,3");
}

TEST(RegexMatch, DollarMatchesOnlyAtTheEndAndAnEmptyMatchThereIsNoFind)
{
    EXPECT_EQ(find("x$", "xax"), "2,1");
    EXPECT_EQ(find("x$", "xa"), "none");
    EXPECT_EQ(find("$", "abc"), "none");
    EXPECT_EQ(find("$", ""), "none");
    EXPECT_EQ(find("a*$", "bbaa"), "2,2");
}

TEST(RegexMatch, CaretMatchesAtColumnZeroOnlyEvenWhenSearchingFurtherOn)
{
    EXPECT_EQ(find("^a", "aaa"), "0,1");
    EXPECT_EQ(find("^a", "aaa", 1), "none");
    EXPECT_EQ(find("b|^a", "aab", 1), "2,1");
}

TEST(RegexMatch, LeftmostFirstWithOrderedAlternativesAndGreedyRepetition)
{
    EXPECT_EQ(find("a|ab", "xab"), "1,1");
    EXPECT_EQ(find("ab|a", "xab"), "1,2");
    EXPECT_EQ(find("a.*b", "a1b2b3"), "0,5");
    EXPECT_EQ(find("(ab)+", "xababa"), "1,4");
    EXPECT_EQ(find("(a|b)*c", "zabbac"), "1,5");
    EXPECT_EQ(find("[^ ]+", "  word more"), "2,4");
    EXPECT_EQ(find("[]x]+", "a]x]b"), "1,3");
    // The second range starts after the end of the first: a to c, then d to e.
    EXPECT_EQ(find("[a-c-e]+", "z-eabx"), "2,3");
}

TEST(RegexMatch, ClassesAndEscapes)
{
    EXPECT_EQ(find("[0-9]+", "abc 1234 x"), "4,4");
    EXPECT_EQ(find("\\.\\*", "a.b.*c"), "3,2");
    EXPECT_EQ(find("a.c", "ac abc"), "3,3");
    EXPECT_EQ(find("[-+]x", "a+x"), "1,2");
    EXPECT_EQ(find("[x-]y", "a-y"), "1,2");
    EXPECT_EQ(find("[^a-z]", "abc!"), "3,1");
}

TEST(RegexMatch, MatchingIsCaseSensitive)
{
    EXPECT_EQ(find("Int", "int Int"), "4,3");
    EXPECT_EQ(find("[A-Z]+", "abcDEF"), "3,3");
}

TEST(RegexMatch, GroupsRecordTheirSpans)
{
    CompiledRegex re = compiled("(a+)(b*)(c)");
    ASSERT_EQ(execute_regex(re, "xaabbc"), RegexStatus::matched);
    EXPECT_EQ(re.start[0], 1);
    EXPECT_EQ(re.end[0], 6);
    EXPECT_EQ(re.start[1], 1);
    EXPECT_EQ(re.end[1], 3);
    EXPECT_EQ(re.start[2], 3);
    EXPECT_EQ(re.end[2], 5);
    EXPECT_EQ(re.start[3], 5);
    EXPECT_EQ(re.end[3], 6);
    EXPECT_EQ(re.start[4], -1);
}

TEST(RegexMatch, FunctionPatternsOfTheAssemblyLanguage)
{
    EXPECT_EQ(find("^[A-Za-z_][_A-Za-z0-9]+[ \t]+PROC[ \t]", "main_1  PROC near"), "0,13");
    EXPECT_EQ(find("^[A-Za-z_][_A-Za-z0-9]+[ \t]+PROC[ \t]", " main PROC near"), "none");
    EXPECT_EQ(find("^[A-Za-z_][A-Za-z0-9]+[ \t]+ENDP[ \t]", "main ENDP "), "0,10");
}

TEST(RegexMatch, ZeroBytesInTheSubjectAreOrdinaryCharacters)
{
    std::string subject("a\0b", 3);
    EXPECT_EQ(find("b", subject), "2,1");
    EXPECT_EQ(find("a.b", subject), "0,3");
    EXPECT_EQ(find("a[^x]b", subject), "0,3");
    EXPECT_EQ(find("a[a-z]b", subject), "none");
}

TEST(RegexBudget, AnExponentialPatternStopsInBoundedTimeWithAMessage)
{
    CompiledRegex re = compiled("(a|a)+b");
    std::string subject(60, 'a');
    auto begin = std::chrono::steady_clock::now();
    RegexStatus status = execute_regex(re, subject);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    EXPECT_EQ(status, RegexStatus::too_complex);
    EXPECT_LT(seconds, 60.0);  // generous for sanitizer builds; unbounded, this would take ages
    EXPECT_EQ(regex_failure_message(status), "Regular expression too complex for this text: search stopped");
}

TEST(RegexBudget, OptionalPiecesBacktrackingExponentiallyStop)
{
    std::string pattern;
    for (int i = 0; i < 30; ++i)
        pattern += "a?";
    CompiledRegex re = compiled(pattern + std::string(30, 'a'));
    EXPECT_EQ(execute_regex(re, std::string(30, 'a'), 0, 1'000'000), RegexStatus::too_complex);
    // Fewer pieces end normally with the match.
    EXPECT_EQ(find("(a?)?(a?)?(a?)?aaa", "aaa"), "0,3");
}

TEST(RegexBudget, DeepRecursionOnALongSubjectStopsInsteadOfOverflowingTheStack)
{
    CompiledRegex re = compiled("(a|b)*c");
    EXPECT_EQ(execute_regex(re, std::string(100000, 'a') + "c"), RegexStatus::too_complex);
    // The same pattern on an editor-sized line completes.
    EXPECT_EQ(find("(a|b)*c", std::string(513, 'a') + "c"), "0,514");
}

TEST(RegexBudget, OrdinaryPatternsOnFullLinesComplete)
{
    std::string line(513, 'a');
    EXPECT_EQ(find("a.*b.*c", line), "none");
    EXPECT_EQ(find("(a+)+", line), "0,513");
}

}  // namespace
}  // namespace vyn::editor
