// The driver's portable parts: switches, clang's command line, diagnostics
// in the IDE's line form, the dependency list.
#include "kit/vyn/clang_command.h"
#include "kit/vyn/dependencies.h"
#include "kit/vyn/diagnostics.h"
#include "kit/vyn/options.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace vyn::cc;

bool has(const std::vector<std::string>& args, const std::string& a)
{
    return std::find(args.begin(), args.end(), a) != args.end();
}

TEST(VynOptions, TheMakefileCompileLineParses)
{
    // CFLAGS as the makefile generator writes them, then the source.
    auto r = parse_options({"-c", "-Ic:\\vyn\\include", "-Iinc", "-DDEBUG", "-DN=3", "-O", "-x", "-g4", "-S", "-A",
                            "-Zp2", "-z", "c:\\work\\hello\\hello.c"});
    ASSERT_TRUE(r.options) << r.error;
    const Options& o = *r.options;
    EXPECT_TRUE(o.compile && o.optimize && o.browse_info && o.assembly && o.all_warnings && o.intermediate);
    EXPECT_EQ(o.debug, DebugLevel::StackTraceAndLines);
    EXPECT_EQ(o.packing, 2);
    EXPECT_EQ(o.includes, (std::vector<std::string>{"c:\\vyn\\include", "inc"}));
    EXPECT_EQ(o.defines, (std::vector<std::string>{"DEBUG", "N=3"}));
    EXPECT_EQ(o.sources, std::vector<std::string>{"c:\\work\\hello\\hello.c"});

    auto args = object_arguments(o, {"hello.c", "/inc", {"c:\\vyn\\include", "inc"}}, "hello.tmp");
    for (const char* a : {"-O2", "-g", "-gcodeview", "-Wall", "-Wextra", "-fpack-struct=2", "-DN=3", "-nostdlibinc",
                          "-Ic:\\vyn\\include", "--target=i686-w64-windows-gnu", "-c"})
        EXPECT_TRUE(has(args, a)) << a;
    EXPECT_FALSE(has(args, "-x"));  // browse information reaches clang as nothing
}

TEST(VynOptions, UpperCaseCExtensionIsStillC)
{
    auto r = parse_options({"-c", "DEMO.C"});
    ASSERT_TRUE(r.options) << r.error;
    auto args = object_arguments(*r.options, {"DEMO.C", "/inc", {}}, "demo.tmp");
    auto x = std::find(args.begin(), args.end(), "-x");
    ASSERT_NE(x, args.end());
    ASSERT_NE(x + 1, args.end());
    EXPECT_EQ(*(x + 1), "c");
    EXPECT_LT(x - args.begin(), std::find(args.begin(), args.end(), "DEMO.C") - args.begin());
}

TEST(VynOptions, DependencyModeAndSeparateValues)
{
    auto r = parse_options({"-M", "-Fo$x8856455.723", "-I", "c:\\a b", "/src/x.c"});
    ASSERT_TRUE(r.options) << r.error;
    EXPECT_TRUE(r.options->dependencies);
    EXPECT_EQ(r.options->output, "$x8856455.723");
    EXPECT_EQ(r.options->includes, std::vector<std::string>{"c:\\a b"});
    EXPECT_EQ(r.options->sources, std::vector<std::string>{"/src/x.c"});  // a Unix path, not a switch
    auto args = dependency_arguments(*r.options, {"/src/x.c", "", {}}, "rule.tmp");
    EXPECT_TRUE(has(args, "-M") && has(args, "-MF") && has(args, "rule.tmp"));
    EXPECT_FALSE(has(args, "-g"));
}

TEST(VynOptions, MistakesAreReported)
{
    EXPECT_NE(parse_options({"-c", "-Zp3", "a.c"}).error, "");
    EXPECT_NE(parse_options({"-c", "-q", "a.c"}).error, "");
    EXPECT_NE(parse_options({"-c"}).error, "");
    EXPECT_NE(parse_options({"a.c"}).error, "");  // neither -c nor -M
    EXPECT_NE(parse_options({"-c", "-I"}).error, "");
    EXPECT_NE(parse_options({"-c", "-o", "x.obj", "a.c", "b.c"}).error, "");
    auto help = parse_options({"-?"});
    EXPECT_FALSE(help.options);
    EXPECT_EQ(help.error, "");
}

TEST(VynDiagnostics, ErrorsAndWarningsTakeTheIdesLineForm)
{
    auto upper = [](const std::string& p) { return "C:\\SRC\\" + p; };
    EXPECT_EQ(rewrite_diagnostic_line("a.c:12:5: error: use of undeclared identifier 'x'", upper),
              "Error C:\\SRC\\a.c: 12: use of undeclared identifier 'x'");
    EXPECT_EQ(rewrite_diagnostic_line("a.c:7:3: warning: unused variable 'i' [-Wunused-variable]", upper),
              "Warning C:\\SRC\\a.c: 7: unused variable 'i' [-Wunused-variable]");
    EXPECT_EQ(rewrite_diagnostic_line("b.h:3: fatal error: 'z.h' file not found", upper),
              "Error C:\\SRC\\b.h: 3: 'z.h' file not found");
    // A drive letter's colon is part of the name.
    EXPECT_EQ(rewrite_diagnostic_line("c:\\w\\a.c:4:1: error: expected ';'", nullptr),
              "Error c:\\w\\a.c: 4: expected ';'");
    // Notes keep their place without reading as diagnostics; the rest stays.
    EXPECT_EQ(rewrite_diagnostic_line("a.c:2:1: note: previous definition is here", nullptr),
              "    a.c(2): note: previous definition is here");
    EXPECT_EQ(rewrite_diagnostic_line("1 error generated.", nullptr), "1 error generated.");
    EXPECT_EQ(rewrite_diagnostic_line("In file included from a.c:1:", nullptr), "In file included from a.c:1:");
    EXPECT_EQ(rewrite_diagnostics("x.c:1:1: error: e\r\nend", nullptr), "Error x.c: 1: e\nend\n");
}

TEST(VynDependencies, TheRuleGivesOneHeaderALine)
{
    std::string rule = "hello.o: /w/hello.c /usr/include/stdio.h \\\n  /w/my\\ dir/a.h /w/b$$.h \\\n"
                       "  /usr/include/stdio.h\n\nother: x\n";
    auto headers = parse_dependency_rule(rule);
    EXPECT_EQ(headers, (std::vector<std::string>{"/usr/include/stdio.h", "/w/my dir/a.h", "/w/b$.h"}));
    EXPECT_EQ(dependency_list(headers, [](const std::string& p) { return "Z:" + p; }),
              "Z:/usr/include/stdio.h\nZ:/w/my dir/a.h\nZ:/w/b$.h\n");
    EXPECT_TRUE(parse_dependency_rule("no rule here").empty());
    EXPECT_EQ(parse_dependency_rule("c:\\o\\x.o: c:\\s\\x.c c:\\s\\x.h\n"), std::vector<std::string>{"c:\\s\\x.h"});
}

}  // namespace
