// vyndump from the outside: a C program compiled by vyn -g2 and linked by
// vynlnk, its tables and annotated listing as printed, and the exit codes
// and messages of a stripped image, a missing function and a bad command line.
#include "linker/tests/link_harness.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

namespace {

using vyn::lnk::test::LinkDir;
using vyn::lnk::test::quote;
using vyn::lnk::test::RunResult;
using vyn::lnk::test::run_command;

std::string program_text()
{
    std::ifstream in(std::string(VYN_DEBUGGER_TEST_PROGRAMS) + "/tally.c");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

RunResult vyndump(const LinkDir& d, const std::string& args)
{
    return run_command(quote(VYNDUMP_PATH) + " " + args, d.path());
}

// tally.c compiled with vyn -g2 and linked into tally.exe (and, stripped, bare.exe).
void build(const LinkDir& d)
{
    d.write_text("tally.c", program_text());
    RunResult r = run_command("VYN_INCLUDE=/usr/share/mingw-w64/include VYN_REGISTRY=" + quote(d.hive()) + " " +
                                  quote(VYN_PATH) + " -c -g2 tally.c",
                              d.path());
    ASSERT_EQ(r.exit_code, 0) << r.err;
    // The runtime's start-up helper that the compiler's main calls.
    d.compile("support.obj", "void __main(void) {}");
    r = d.link({"-o", "tally.exe", "tally.obj", "support.obj", vyn::lnk::test::mingw_lib("kernel32")});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    r = d.link({"-s", "-o", "bare.exe", "tally.obj", "support.obj", vyn::lnk::test::mingw_lib("kernel32")});
    ASSERT_EQ(r.exit_code, 0) << r.err;
}

bool has_line(const std::string& text, const std::string& pattern)
{
    return std::regex_search(text, std::regex(pattern, std::regex::multiline));
}

TEST(Vyndump, PrintsTheTablesOfAVynProgram)
{
    LinkDir d;
    build(d);
    RunResult r = vyndump(d, "--headers --modules --symbols --lines tally.exe");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(has_line(r.out, R"(^image-base 0x400000$)")) << r.out;
    EXPECT_TRUE(has_line(r.out, R"(^codeview yes$)")) << r.out;
    EXPECT_TRUE(has_line(r.out, R"(^module 2 tally\.obj source .*tally\.c code 0x[0-9a-f]+ 0x[0-9a-f]+ size 0x[0-9a-f]+ lines 13 functions 3$)"))
        << r.out;
    EXPECT_TRUE(has_line(r.out, R"(^function 2 add kind 0x205 start 0x[0-9a-f]+ )")) << r.out;
    EXPECT_TRUE(has_line(r.out, R"(^function 2 square kind 0x204 )")) << r.out;
    EXPECT_TRUE(has_line(r.out, R"(^local add a frame 8 type 0x74$)")) << r.out;
    EXPECT_TRUE(has_line(r.out, R"(^local add sum frame -4 type 0x74$)")) << r.out;
    EXPECT_TRUE(has_line(r.out, R"(^local add inner frame -8 type 0x74$)")) << r.out;
    EXPECT_TRUE(has_line(r.out, R"(^local main x frame -8 type 0x74$)")) << r.out;
    EXPECT_TRUE(has_line(r.out, R"(^static 2 counter kind 0x201 type 0x74 address 0x[0-9a-f]+$)")) << r.out;
    EXPECT_TRUE(has_line(r.out, R"(^global 0 total kind 0x202 type 0x74 address 0x[0-9a-f]+$)")) << r.out;
    EXPECT_TRUE(has_line(r.out, R"(^import KERNEL32\.dll ExitProcess$)")) << r.out;
    EXPECT_TRUE(has_line(r.out, R"(^line 2 0x[0-9a-f]+ 21$)")) << r.out;  // main's opening line
    EXPECT_TRUE(has_line(r.out, R"(^entry 0x[0-9a-f]+ module 2$)")) << r.out;
}

TEST(Vyndump, ListsAFunctionWithSourceVariablesAndCallTargets)
{
    LinkDir d;
    build(d);
    RunResult r = vyndump(d, "--disasm=add --source tally.exe");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(has_line(r.out, R"(^function add$)")) << r.out;
    EXPECT_TRUE(has_line(r.out, R"(^\[  10\]     int sum = a \+ b;$)")) << r.out;
    EXPECT_TRUE(has_line(r.out, R"(^[0-9a-f]{6}   movl   %eax,-4\(%ebp\) \(sum\) +8945fc$)")) << r.out;
    EXPECT_TRUE(has_line(r.out, R"(^[0-9a-f]{6}   call   0x[0-9a-f]+ \(square\) +e8)")) << r.out;
    EXPECT_FALSE(has_line(r.out, R"(^function main$)")) << r.out;
    EXPECT_FALSE(has_line(r.out, R"(\(bad\))")) << r.out;
}

TEST(Vyndump, RefusesStrippedImagesUnknownFunctionsAndBadCommandLines)
{
    LinkDir d;
    build(d);
    RunResult r = vyndump(d, "bare.exe");
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "vyndump: No debugging information in bare.exe\n");
    r = vyndump(d, "--disasm=nowhere tally.exe");
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "vyndump: no function nowhere\n");
    r = vyndump(d, "--bogus tally.exe");
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_NE(r.err.find("usage: vyndump"), std::string::npos);
    d.write_text("text.exe", "not an image");
    r = vyndump(d, "text.exe");
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "vyndump: Unrecognized file format\n");
}

}  // namespace
