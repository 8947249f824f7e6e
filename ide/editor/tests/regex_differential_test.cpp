// The engine beside two independent ones on generated patterns and subjects
// within the syntax they share: the C library's POSIX extended expressions
// (leftmost-longest: the same leftmost start, and the same answer whether
// there is a match) and the standard library's ECMAScript expressions
// (leftmost-first with ordered alternatives and greedy repetition, like this
// engine: the same start and the same length).
#include "ide/editor/regex.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <regex>
#include <string>

#include <regex.h>

namespace vyn::editor {
namespace {

class PatternMaker {
public:
    explicit PatternMaker(unsigned seed) : random_(seed) {}

    std::string expression(int depth)
    {
        std::string text = branch(depth);
        while (chance(15))
            text += "|" + branch(depth);
        return text;
    }

    std::string subject()
    {
        static const char letters[] = "aabbcx";
        std::string text;
        int length = pick(12);
        for (int i = 0; i < length; ++i)
            text += letters[pick(6)];
        return text;
    }

private:
    int pick(int n) { return static_cast<int>(random_() % static_cast<unsigned>(n)); }
    bool chance(int percent) { return pick(100) < percent; }

    std::string branch(int depth)
    {
        std::string text;
        int pieces = 1 + pick(3);
        for (int i = 0; i < pieces; ++i)
            text += piece(depth);
        return text;
    }

    std::string piece(int depth)
    {
        std::string text = atom(depth);
        int roll = pick(100);
        if (roll < 15)
            text += "*";
        else if (roll < 27)
            text += "+";
        else if (roll < 37)
            text += "?";
        return text;
    }

    std::string atom(int depth)
    {
        int roll = pick(100);
        if (roll < 45)
            return std::string(1, "abc"[pick(3)]);
        if (roll < 55)
            return ".";
        if (roll < 70)
            return bracket();
        if (roll < 85 && depth > 0)
            return "(" + expression(depth - 1) + ")";
        if (roll < 90)
            return "^";
        if (roll < 95)
            return "$";
        return std::string("\\") + ".*+?"[pick(4)];
    }

    std::string bracket()
    {
        static const char* classes[] = {"[ab]", "[^a]", "[a-c]", "[^bc]", "[b-c]", "[ax]", "[^a-b]", "[c-]", "[.]"};
        return classes[pick(9)];
    }

    std::mt19937 random_;
};

struct Comparison {
    int patterns = 0;  // accepted by every engine
    int subjects = 0;
    int matches = 0;
};

TEST(RegexDifferential, AgreesWithPosixAndEcmaScriptEngines)
{
    PatternMaker maker(20261208);
    Comparison seen;
    for (int p = 0; p < 4000; ++p) {
        std::string pattern = maker.expression(2);
        std::string message;
        std::optional<CompiledRegex> ours = compile_regex(pattern, message);
        if (!ours)
            continue;
        std::regex ecma;
        try {
            ecma.assign(pattern, std::regex::ECMAScript);
        } catch (const std::regex_error&) {
            continue;
        }
        regex_t posix;
        if (regcomp(&posix, pattern.c_str(), REG_EXTENDED) != 0)
            continue;
        ++seen.patterns;
        for (int s = 0; s < 15; ++s) {
            std::string subject = maker.subject();
            ++seen.subjects;
            RegexStatus status = execute_regex(*ours, subject);
            ASSERT_NE(status, RegexStatus::too_complex) << pattern;
            ASSERT_NE(status, RegexStatus::bad_program) << pattern;

            std::smatch ecma_match;
            bool ecma_found = std::regex_search(subject, ecma_match, ecma);
            regmatch_t posix_match[1];
            bool posix_found = regexec(&posix, subject.c_str(), 1, posix_match, 0) == 0;

            SCOPED_TRACE("pattern \"" + pattern + "\" subject \"" + subject + "\"");
            ASSERT_EQ(status == RegexStatus::matched, ecma_found);
            ASSERT_EQ(ecma_found, posix_found);
            if (!ecma_found)
                continue;
            ++seen.matches;
            EXPECT_EQ(ours->start[0], ecma_match.position(0));
            EXPECT_EQ(ours->end[0] - ours->start[0], ecma_match.length(0));
            EXPECT_EQ(ours->start[0], posix_match[0].rm_so);
            EXPECT_LE(ours->end[0], posix_match[0].rm_eo);  // leftmost-longest is never shorter
        }
        regfree(&posix);
        if (::testing::Test::HasFatalFailure())
            return;
    }
    std::printf("patterns %d, subjects %d, matches %d\n", seen.patterns, seen.subjects, seen.matches);
    // The corpus must be worth its name.
    EXPECT_GT(seen.patterns, 1500);
    EXPECT_GT(seen.matches, 10000);
}

}  // namespace
}  // namespace vyn::editor
