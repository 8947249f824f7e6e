#include "ide/editor/function_finder.h"

#include <gtest/gtest.h>

namespace vyn::editor {
namespace {

std::vector<std::string> names(const std::string& text)
{
    std::vector<std::string> found;
    for (const FunctionRecord& f : find_functions_in_text(text))
        found.push_back(f.name);
    return found;
}

using Names = std::vector<std::string>;

TEST(FunctionFinder, DefinitionsNotDeclarationsInFileOrder)
{
    EXPECT_EQ(names("int f(void);\nint g(int a) { return a; }\nstatic char *h (void)\n{\n}\n"), (Names{"g", "h"}));
    EXPECT_EQ(names("int f(void);"), Names{});
}

TEST(FunctionFinder, OldStyleParametersBeforeTheBody)
{
    EXPECT_EQ(names("int f(a) int a; { }"), Names{"f"});
    EXPECT_EQ(names("int f(a, b)\n  int a;\n  char *b;\n{\n  return 0;\n}\n"), Names{"f"});
}

TEST(FunctionFinder, CommentsStringsAndDirectivesHideBrackets)
{
    const char* text = "/* int no(void) { } */\n"
                       "// int nor(void) { }\n"
                       "#define M(x) { x }\n"
                       "#define LONG(a) \\\n  (a) { }\n"
                       "char *s = \"int f() {\";\n"
                       "char c = '{';\n"
                       "int main(int argc /* ( */, char **argv)\n"
                       "{\n"
                       "    if (argc) { puts(\"}\"); }\n"
                       "}\n"
                       "int after(void) { return ')'; }\n";
    EXPECT_EQ(names(text), (Names{"main", "after"}));
}

TEST(FunctionFinder, CallsInInitialisersAndNestedListsAreNoDefinitions)
{
    EXPECT_EQ(names("int x = f(1);\nint y[] = { g(2) };\nvoid (*p)(int);\n"), Names{});
    EXPECT_EQ(names("__declspec(dllexport) int WINAPI LibMain(void *h, int r, void *p) { return 1; }"),
              Names{"LibMain"});
    EXPECT_EQ(names("static int __attribute__((unused)) quiet(void) { return 0; }"), Names{"quiet"});
}

TEST(FunctionFinder, LinesOfTheHeaderTheParenthesisAndTheClosingBrace)
{
    auto found = find_functions_in_text("#include <windows.h>\r\n"
                                        "\r\n"
                                        "int WINAPI\r\n"
                                        "WinMain (HINSTANCE h, HINSTANCE p,\r\n"
                                        "         LPSTR cmd, int show)\r\n"
                                        "{\r\n"
                                        "    return 0;\r\n"
                                        "}\r\n"
                                        "void open(void) {\r\n");
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].name, "WinMain");
    EXPECT_EQ(found[0].header_line, 3);
    EXPECT_EQ(found[0].paren_line, 3);
    EXPECT_EQ(found[0].paren_column, 8);
    EXPECT_EQ(found[0].end_line, 7);
    // A body still open at the end of the file ends at the last line.
    EXPECT_EQ(found[1].name, "open");
    EXPECT_EQ(found[1].end_line, 8);
}

TEST(FunctionFinder, UnfinishedTextNeverStopsTheScan)
{
    EXPECT_EQ(names("int f(void) { /* never closed"), Names{"f"});
    EXPECT_EQ(names("int g(\"unclosed\n) { }"), Names{"g"});
    EXPECT_EQ(names("))))}}}} int h(void) { }"), Names{"h"});
    EXPECT_EQ(names(""), Names{});
}

}  // namespace
}  // namespace vyn::editor
