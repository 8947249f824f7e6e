// The diagnostic line formats, the results list built from a diagnostics
// file, wrapping and the double click's joining of continuation lines.
#include "ide/project/diagnostics.h"

#include <gtest/gtest.h>

namespace {

using namespace vyn::project;

// A list that shows up to width characters.
FitsWidth width(std::size_t chars)
{
    return [chars](std::string_view s) { return s.size() <= chars; };
}

// A line and what it leads to.
struct Parsed {
    const char* line;
    const char* file;
    long number;
    const char* text;
};

void expect_parsed(const Parsed& c, std::string_view current_dir)
{
    auto d = parse_diagnostic(c.line, current_dir);
    ASSERT_TRUE(d.has_value()) << c.line;
    EXPECT_EQ(d->file, c.file) << c.line;
    EXPECT_EQ(d->line, c.number) << c.line;
    EXPECT_EQ(d->text, c.text) << c.line;
}

TEST(FormatA, DriveNameLineAndMessage)
{
    expect_parsed({"Error c:\\src\\a.c: 12: x undeclared", "C:\\SRC\\A.C", 12, "[12]:x undeclared"}, "C:\\WORK");
    expect_parsed({"Error c:\\src\\a.c: 12 x undeclared", "C:\\SRC\\A.C", 12, "[12]:x undeclared"}, "C:\\WORK");
}

TEST(FormatA, WarningsRelativeNamesAndARetakenName)
{
    expect_parsed({"Warning util.c: 3: unused variable 'k'", "C:\\WORK\\HELLO\\UTIL.C", 3, "[3]:unused variable 'k'"},
                  "C:\\Work\\Hello");
    // A word before a drive-lettered name: the name is taken again from the drive.
    expect_parsed({"Error vyn.exe c:\\x\\y.c: 7: bad", "C:\\X\\Y.C", 7, "[7]:bad"}, "C:\\");
    // ... but not on a CPP line.
    expect_parsed({"cpp: main.c: 9: missing file", "D:\\P\\MAIN.C", 9, "[9]:missing file"}, "D:\\P");
}

// Folders such as "My Projects" or "Lab 2": the colon before the line
// number ends the name, blanks and all.
TEST(FormatA, NamesWithBlanksRunToTheColonBeforeTheLine)
{
    const Parsed cases[] = {
        {"Error C:\\My Projects\\hello.c: 12: x undeclared", "C:\\MY PROJECTS\\HELLO.C", 12, "[12]:x undeclared"},
        {"Warning C:\\Work\\Lab 2\\util.c: 3: unused", "C:\\WORK\\LAB 2\\UTIL.C", 3, "[3]:unused"},
        {"Warning my util.c: 4: x", "C:\\WORK\\MY UTIL.C", 4, "[4]:x"},
        {"Error vyn.exe c:\\my dir\\y.c: 7: bad", "C:\\MY DIR\\Y.C", 7, "[7]:bad"},
        {"Error c:\\a b\\c.c : 5 : spaced", "C:\\A B\\C.C", 5, "[5]:spaced"},
        {"cpp: c:\\my dir\\main.c: 9: missing file", "C:\\MY DIR\\MAIN.C", 9, "[9]:missing file"},
        // Without the colon a blank still ends the name.
        {"Error c:\\src\\a.c 12 undefined reference to _f", "C:\\SRC\\A.C", 12, "[12]:undefined reference to _f"},
    };
    for (const Parsed& c : cases)
        expect_parsed(c, "C:\\Work");
}

TEST(FormatA, LinesThatAreNoDiagnostic)
{
    EXPECT_FALSE(parse_diagnostic("Error c:\\a.c: 0: zero", "C:\\").has_value());
    EXPECT_FALSE(parse_diagnostic("Error c:\\a.c: none", "C:\\").has_value());
    EXPECT_FALSE(parse_diagnostic("Error", "C:\\").has_value());
    // Case-sensitive kinds: a lower-case "error" line is read as format B.
    EXPECT_FALSE(parse_diagnostic("error c:\\a.c: 3: x", "C:\\").has_value());
    // More than six digits stop at six.
    auto d = parse_diagnostic("Error a.c: 12345678: long", "C:\\");
    EXPECT_FALSE(d.has_value());
}

TEST(FormatB, TheCodeWordIsDropped)
{
    expect_parsed({"a.c(7) : warning C4101: i unreferenced", "C:\\SRC\\A.C", 7, "warning i unreferenced"}, "C:\\SRC");
    expect_parsed({"c:\\w\\my_file-2.c (120): error E42 something broke", "C:\\W\\MY_FILE-2.C", 120,
                   "error something broke"},
                  "C:\\");
}

// The name runs to the "(" that the line number and the kind follow, so it
// may hold blanks and parentheses.
TEST(FormatB, NamesWithBlanksRunToTheLineNumber)
{
    expect_parsed({"C:\\My Projects\\hello.c(12): error C2065: x undeclared", "C:\\MY PROJECTS\\HELLO.C", 12,
                   "error x undeclared"},
                  "C:\\Work");
    expect_parsed({"Lab 2\\old (1)\\a.c (3) : warning W1: y", "C:\\WORK\\LAB 2\\OLD (1)\\A.C", 3, "warning y"},
                  "C:\\Work");
}

TEST(FormatB, LinesThatAreNoDiagnostic)
{
    for (const char* line : {"a.c(7) : Warning C1: x", "a.c(7) : note: x", "a.c(0) : error X: y", "a.c 7 : error",
                             "make: *** [hello.obj] Error 1", "", "(3) : error x y", "a.c(7 : error x y",
                             "    a.c(7): error x y", "a|b.c(7): error x y", "x <a.c(7)>: error x y"})
        EXPECT_FALSE(parse_diagnostic(line, "C:\\").has_value()) << line;
}

TEST(Results, AnEmptyFileGivesOnlyTheSuccessLine)
{
    BuildOutcome o{"hello.exe", 1530, 0};
    EXPECT_EQ(results_lines("", "hello.err", o, width(80)),
              std::vector<std::string>{"hello.exe built sucessfully. (1.5 sec)."});
    o.executable = "c:\\work\\vyn\\tool.exe";
    o.build_ms = 12345;
    EXPECT_EQ(success_line(o), "tool.exe built sucessfully. (12.3 sec).");
}

TEST(Results, EveryLineThenTimeAndReturnCode)
{
    BuildOutcome o{"hello.exe", 2000, 2};
    auto lines = results_lines("Error a.c: 3: x\r\nmake: failed\nlast", "e.err", o, width(80));
    EXPECT_EQ(lines, (std::vector<std::string>{"Error a.c: 3: x", "make: failed", "last",
                                               "Compilation + link time:2.0 sec, Return code: 2"}));
}

TEST(Results, TooBigFilesAreCut)
{
    BuildOutcome o{"x.exe", 0, 1};
    std::string huge(1400, 'a');
    auto lines = results_lines("first\n" + huge + "\nafter\n", "x.err", o, [](std::string_view) { return true; });
    EXPECT_EQ(lines, (std::vector<std::string>{"first", "Message file x.err too big",
                                               "Compilation + link time:0.0 sec, Return code: 1"}));
    std::string many;
    for (int i = 0; i < 4000; ++i)
        many += "line of ten\n";
    lines = results_lines(many, "x.err", o, [](std::string_view) { return true; });
    EXPECT_EQ(lines[lines.size() - 2], "Message file x.err too big");
    EXPECT_LE(lines.size(), 32700u / 12 + 3);
}

TEST(Wrap, CutsAtABlankOrParenthesisNearTheLimit)
{
    std::string line = "Error c:\\work\\hello\\hello.c: 12: the identifier 'counter' is not declared (first use)";
    auto parts = wrap_line(line, width(50));
    ASSERT_GE(parts.size(), 2u);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        EXPECT_LE(parts[i].size(), 50u) << parts[i];
        if (i > 0) {
            EXPECT_TRUE(parts[i].starts_with(" + ")) << parts[i];
        }
    }
    EXPECT_EQ(parts[0], "Error c:\\work\\hello\\hello.c: 12: the identifier");
    std::string joined = parts[0];
    for (std::size_t i = 1; i < parts.size(); ++i)
        joined += parts[i].substr(3);
    EXPECT_EQ(joined, line);
}

TEST(Wrap, NoBlankNearTheLimitCutsAtItButNeverBefore31)
{
    std::string line(100, 'x');
    auto parts = wrap_line(line, width(40));
    EXPECT_EQ(parts[0], std::string(40, 'x'));
    parts = wrap_line(line, width(10));
    EXPECT_EQ(parts[0].size(), 31u);
    EXPECT_EQ(parts[1], " + " + std::string(31 - 3, 'x'));
}

TEST(DoubleClick, EveryLineOfAWrappedDiagnosticOpensIt)
{
    std::string line = "Error c:\\work\\hello\\hello.c: 12: the identifier 'counter' is not declared here at all";
    std::vector<std::string> lines = {"make: building"};
    for (const std::string& part : wrap_line(line, width(40)))
        lines.push_back(part);
    lines.push_back("Compilation + link time:1.0 sec, Return code: 1");
    ASSERT_GE(lines.size(), 4u);
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        ClickedDiagnostic c = diagnostic_at(lines, i, "C:\\");
        EXPECT_EQ(c.first_line, 1u);
        ASSERT_TRUE(c.diagnostic.has_value()) << i;
        EXPECT_EQ(c.diagnostic->file, "C:\\WORK\\HELLO\\HELLO.C");
        EXPECT_EQ(c.diagnostic->line, 12);
        EXPECT_EQ(c.diagnostic->text, "[12]:the identifier 'counter' is not declared here at all");
    }
    EXPECT_FALSE(diagnostic_at(lines, 0, "C:\\").diagnostic.has_value());
    EXPECT_FALSE(diagnostic_at(lines, lines.size() - 1, "C:\\").diagnostic.has_value());
    EXPECT_FALSE(diagnostic_at(lines, 99, "C:\\").diagnostic.has_value());
}

}  // namespace
