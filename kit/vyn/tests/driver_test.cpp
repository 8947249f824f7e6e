// vyn as the makefile and the makefile generator run it: the object named
// after the source, the listings, diagnostics, the dependency list, and a
// Win32 source through vynlnk with the types CodeView 4 gets from it.
#include "kit/vyn/tests/vyn_test_support.h"

#include "linker/tests/nb09_reader.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace vyn::cc::test;
namespace nb09 = vyn::lnk::test::nb09;
using vyn::lnk::test::LinkDir;
using vyn::lnk::test::RunResult;

TEST(VynDriver, TheMakefileRuleWritesTheObjectAndTheListings)
{
    LinkDir d;
    d.write_text("hello.c", "int twice(int x)\n{\n    return 2 * x;\n}\n");
    RunResult r = run_vyn({"-c", "-g2", "-S", "-z", "-A", "-Zp1", d.file("hello.c")}, d.path());
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(d.exists("hello.obj"));
    EXPECT_TRUE(d.exists("hello.asm"));
    EXPECT_TRUE(d.exists("hello.il"));
    // No temporary file is left behind.
    std::size_t files = 0;
    for (auto& e : std::filesystem::directory_iterator(d.path()))
        files += e.path().extension() == ".tmp";
    EXPECT_EQ(files, 0u);
    EXPECT_NE(llvm_readobj(d.file("hello.obj"), "--symbols").find("Name: _twice"), std::string::npos);
}

TEST(VynDriver, ErrorsGiveTheIdesLinesAndAFailingExitCode)
{
    LinkDir d;
    d.write_text("warn.c", "int f(void)\n{\n    int unused;\n    return 0;\n}\n");
    RunResult r = run_vyn({"-c", "-A", "warn.c"}, d.path());
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(r.err.find("Warning " + d.file("warn.c") + ": 3: unused variable 'unused'"), std::string::npos) << r.err;
    EXPECT_TRUE(d.exists("warn.obj"));

    d.write_text("bad.c", "int f(void)\n{\n    int x;\n    return missing;\n}\n");
    r = run_vyn({"-c", "-A", "bad.c"}, d.path());
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("Error " + d.file("bad.c") + ": 4: use of undeclared identifier 'missing'"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(d.exists("bad.obj"));

    r = run_vyn({"-c", "nowhere.c"}, d.path());
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("nowhere.c"), std::string::npos) << r.err;
    r = run_vyn({"-c", "-Zp3", "bad.c"}, d.path());
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_NE(r.err.find("usage"), std::string::npos) << r.err;
}

TEST(VynDriver, DependencyModeListsEachHeaderByItsFullPath)
{
    LinkDir d;
    std::filesystem::create_directories(d.file("inc"));
    d.write_text("inc/shared.h", "#define SHARED 1\n");
    d.write_text("local.h", "#include \"shared.h\"\n");
    d.write_text("main.c", "#include <stddef.h>\n#include \"local.h\"\nint main(void) { return SHARED; }\n");
    RunResult r = run_vyn({"-M", "-Fo$x8856455.723", "-Iinc", "main.c"}, d.path());
    EXPECT_EQ(r.exit_code, 0) << r.err;
    std::vector<std::uint8_t> list = d.read("$x8856455.723");
    std::string text(list.begin(), list.end());
    EXPECT_NE(text.find(d.file("local.h") + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find(d.file("inc/shared.h") + "\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("main.c"), std::string::npos) << text;  // the source itself is no dependency
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        EXPECT_EQ(text[start], '/') << text.substr(start, end - start);
        start = end + 1;
    }
}

TEST(VynDriver, AWin32ProgramsTypesReachTheImage)
{
    LinkDir d;
    d.write_text("window_types.c", program_text("window_types.c"));
    d.write_text("support.c", program_text("support.c"));
    ASSERT_EQ(run_vyn({"-c", "-g2", "window_types.c"}, d.path()).exit_code, 0);
    ASSERT_EQ(run_vyn({"-c", "support.c"}, d.path()).exit_code, 0);
    RunResult r = d.link({"-o", "w.exe", "window_types.obj", "support.obj", vyn::lnk::test::mingw_lib("user32"),
                          vyn::lnk::test::mingw_lib("kernel32")});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    for (const char* complaint : {"window_types", "Debug info", "Unkown", "Synch", "Bad"})
        EXPECT_EQ(r.err.find(complaint), std::string::npos) << r.err;
    nb09::CodeView cv = nb09::read_codeview(d.read("w.exe"));
    ASSERT_TRUE(cv.found);
    EXPECT_TRUE(cv.problems.empty()) << nb09::describe_problems(cv);
    // The structure with bit fields: a field list whose first two members
    // are bit fields of 3 bits at 0 and 5 bits at 3.
    std::size_t bit_fields = 0;
    std::vector<std::pair<int, int>> shapes;
    if (cv.types)
        for (const nb09::TypeRecord& t : cv.types->records)
            if (t.leaf() == 0x206 && t.bytes.size() >= 8) {
                ++bit_fields;
                shapes.push_back({t.bytes[4], t.bytes[5]});
            }
    EXPECT_GE(bit_fields, 2u);
    EXPECT_NE(std::find(shapes.begin(), shapes.end(), std::pair{3, 0}), shapes.end());
    EXPECT_NE(std::find(shapes.begin(), shapes.end(), std::pair{5, 3}), shapes.end());
}

}  // namespace
