#include "editor_fixture.h"

#include "ide/editor/syntax_check.h"

namespace vyn::editor::testing {
namespace {

Document document_of(const std::vector<std::string>& lines)
{
    Document document;
    for (const std::string& text : lines)
        document.lines.push_back(Line{text, 0});
    return document;
}

std::optional<std::string> check(const std::vector<std::string>& lines)
{
    return check_syntax(document_of(lines), "m.c");
}

struct Case {
    const char* what;
    std::vector<std::string> lines;
    std::optional<std::string> message;
};

TEST(SyntaxCheck, ReportsTheFirstErrorWithItsMessage)
{
    const Case cases[] = {
        {"sound source", {"#include <stdio.h>", "int main(void)", "{", "  int a[3];", "  for (a[0] = 0; a[0] < 3; a[0]++) {", "    printf(\"%d;\\n\", a[0]);", "  }", "  return 0;", "}"}, std::nullopt},
        {"semicolon in an assignment's parentheses", {"int f(void) {", "  x = (a; b);", "}"}, "m.c: Syntax error line 2"},
        {"semicolon in two parentheses, even in a for", {"void f(void) {", "  for (i = (0; i); i++) ;", "}"}, "m.c: Syntax error line 2"},
        {"for as part of a longer word is no for header", {"void f(void) {", "  before(a; b);", "}"}, "m.c: Syntax error line 2"},
        {"for header split over lines", {"void f(void) {", "  for\t(i = 0;", "   i < 3;", "   i++) g();", "}"}, std::nullopt},
        {"unfinished string", {"char *s = \"abc;", "int x;"}, "m.c: unfinished string line 1"},
        {"string continued by a backslash", {"char *s = \"abc\\", "def\";"}, std::nullopt},
        {"escaped quote in a string", {"char *s = \"a\\\"b\";"}, std::nullopt},
        {"empty char constant", {"int c = '';"}, "m.c: incorrect char constant line 1"},
        {"unclosed char constant", {"int c = 'a;"}, "m.c: incorrect char constant line 1"},
        {"escapes and multi-character constants", {"int c = '\\n', d = '\\'', e = '\\x41', f = 'ab';"}, std::nullopt},
        {"too many closing parentheses", {"int x = (1));"}, "m.c: too many ')' at line 1"},
        {"too many closing brackets", {"int a[2]];"}, "m.c: too many ']' at line 1"},
        {"too many closing braces", {"void f(void) {", "}", "}"}, "m.c: too many } at line 3"},
        {"brace inside parentheses", {"void f(void) {", "  g(1,", "  {", "}"}, "m.c: Mismatched () after line 2"},
        {"parentheses open at the end", {"int x = (1 +", "  2"}, "m.c: Mismatched () after line 1"},
        {"braces open at the end", {"void f(void) {", "  if (x) {", "  }"}, "m.c: mismatched { } after line 1"},
        {"endif without if", {"#define A 1", "#endif"}, "#endif without matching #if line 2"},
        {"if without endif", {"#ifdef A", "#if B", "#endif"}, "m.c: #if without matching #endif line 1"},
        {"nested conditionals balance", {"#ifndef A", "# if B", "#  endif", "#endif"}, std::nullopt},
        {"comments and strings hide brackets", {"/* ( { [ ", "  */ int x; // ) } ]", "char *s = \"(}\";"}, std::nullopt},
        {"unfinished comment runs to the end", {"int x; /* (", "{"}, std::nullopt},
        {"directive lines and their continuations are skipped", {"#define M(a) (a; \\", "   b)", "int x;"}, std::nullopt},
        {"first of several errors wins", {"int x = (1));", "}"}, "m.c: too many ')' at line 1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(check(c.lines), c.message) << c.what;
}

TEST(SyntaxCheck, OpenParenthesesBeyondFifteenReportTheFifteenth)
{
    std::vector<std::string> lines;
    for (int i = 0; i < 17; ++i)
        lines.push_back("(");
    EXPECT_EQ(check(lines), "m.c: Mismatched () after line 15");
    lines.resize(3);
    EXPECT_EQ(check(lines), "m.c: Mismatched () after line 3");
}

TEST(SyntaxCheck, OpenBracesAndDirectivesReportTheInnermostRemembered)
{
    std::vector<std::string> braces(20, "{");
    EXPECT_EQ(check(braces), "m.c: mismatched { } after line 15");
    std::vector<std::string> directives = {"#if A", "#if B", "#endif"};
    EXPECT_EQ(check(directives), "m.c: #if without matching #endif line 1");
    directives = {"#if A", "#if B"};
    EXPECT_EQ(check(directives), "m.c: #if without matching #endif line 2");
}

}  // namespace
}  // namespace vyn::editor::testing
