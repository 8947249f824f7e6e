// The generated makefile, byte for byte, and its rules' edge cases. The
// dependency scan is scripted; sources live below the test directory, made
// current, so that Windows-style names such as c:\work\hello\hello.c exist.
#include "ide/project/makefile_generator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "ide/project/project_defaults.h"
#include "ide/project/tests/scripted_ui.h"
#include "platform/tests/test_dirs.h"

namespace {

using namespace vyn::project;
using vyn::project::testing::ScriptedUi;
namespace fs = std::filesystem;

struct ScriptedScanner : DependencyScanner {
    std::map<std::string, std::vector<std::string>> lines;  // by source path at the end of the command
    std::vector<std::string> commands;
    long fail_code = 0;  // non-zero: every scan fails with this code
    Result scan(const std::string& command) override
    {
        commands.push_back(command);
        Result r;
        if (fail_code) {
            r.error_code = fail_code;
            return r;
        }
        r.ok = true;
        std::string source = command.substr(command.rfind(' ') + 1);
        r.lines = lines[source];
        return r;
    }
};

class MakefileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = vyn::testing::fresh_test_dir();
        previous = fs::current_path();
        fs::current_path(dir);
        touch("c:/work/hello/hello.c");
        touch("c:/work/hello/util.c");
        touch("c:/work/hello/hello.rc");
    }
    void TearDown() override { fs::current_path(previous); }
    static void touch(const std::string& path)
    {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path) << "int x;\n";
    }
    static std::string read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    Project hello() const
    {
        Project p;
        p.name = "hello";
        p.compiler_root = "c:\\vyn";
        p.includes = "c:\\vyn\\include";
        p.sources_dir = "c:\\work\\hello";
        p.files = {"hello.c", "hello.rc", "util.c"};
        p.compiler_flags = 0x8;
        p.has_make_settings = true;
        p.make.dir = "c:\\work\\hello\\vyn";
        return p;
    }
    std::optional<std::string> text(Project& p) { return makefile_text(p, hooks); }

    std::string dir;
    fs::path previous;
    ScriptedUi ui;
    ScriptedScanner scanner;
    MakefileHooks hooks{ui, scanner, {}, {}, {}};
};

const char kExample[] =
    "# Tavra Makefile for project hello\n"
    "CFLAGS=-Ic:\\vyn\\include  -g2 \n"
    "CC=c:\\vyn\\bin\\vyn.exe\n"
    "OBJS=\\\n"
    "\thello.obj \\\n"
    "\thello.res \\\n"
    "\tutil.obj\n"
    "\n"
    "LIBS=\n"
    "\n"
    "hello.exe:\t$(OBJS) Makefile\n"
    "\tc:\\vyn\\bin\\vynlnk  -subsystem windows -o hello.exe $(OBJS) $(LIBS)\n"
    "\n"
    "# Build hello.c\n"
    "HELLO_C=\\\n"
    "\tc:\\vyn\\include\\windows.h\\\n"
    "\tc:\\work\\hello\\hello.h\\\n"
    "\n"
    "hello.obj: $(HELLO_C) c:\\work\\hello\\hello.c\n"
    "\t$(CC) -c $(CFLAGS) c:\\work\\hello\\hello.c\n"
    "\n"
    "# Build hello.res\n"
    "hello.res:\tc:\\work\\hello\\hello.rc\n"
    "\tvrc -Ic:\\work\\hello c:\\work\\hello\\hello.rc\n"
    "\n"
    "# Build util.c\n"
    "UTIL_C=\\\n"
    "\tc:\\work\\hello\\util.h\\\n"
    "\n"
    "util.obj: $(UTIL_C) c:\\work\\hello\\util.c\n"
    "\t$(CC) -c $(CFLAGS) c:\\work\\hello\\util.c\n"
    "\n";

TEST_F(MakefileTest, TheExampleProjectByteForByte)
{
    scanner.lines["c:\\work\\hello\\hello.c"] = {"c:\\vyn\\include\\windows.h", "c:\\work\\hello\\hello.h"};
    scanner.lines["c:\\work\\hello\\util.c"] = {"c:\\work\\hello\\util.h"};
    Project p = hello();
    EXPECT_EQ(text(p), kExample);
    EXPECT_EQ(p.exe, "hello.exe");
    EXPECT_EQ(scanner.commands,
              (std::vector<std::string>{"c:\\vyn\\bin\\vyn.exe -M -Fo$x8856455.723 -Ic:\\vyn\\include  c:\\work\\hello\\hello.c",
                                        "c:\\vyn\\bin\\vyn.exe -M -Fo$x8856455.723 -Ic:\\vyn\\include  c:\\work\\hello\\util.c"}));
    EXPECT_TRUE(ui.informed.empty());
}

TEST_F(MakefileTest, GenerationWritesTheMakefileAndKeepsAUsersOwnAsMakefileOld)
{
    scanner.lines["c:\\work\\hello\\hello.c"] = {"c:\\vyn\\include\\windows.h", "c:\\work\\hello\\hello.h"};
    scanner.lines["c:\\work\\hello\\util.c"] = {"c:\\work\\hello\\util.h"};
    auto registry = vyn::platform::open_hive_file(dir + "/hive.reg");
    registry->write_string(vyn::platform::RegistryRoot::CurrentUser, kCompilerKey, "includepath", "c:\\vyn\\include");
    fs::create_directories("c:/work/hello/vyn");
    std::ofstream("c:/work/hello/vyn/Makefile") << "all:\n\techo mine\n";
    Project p = hello();
    ASSERT_TRUE(generate_makefile(p, *registry, dir, hooks));
    EXPECT_EQ(read("c:/work/hello/vyn/Makefile"), kExample);
    EXPECT_EQ(read("c:/work/hello/vyn/Makefile.old"), "all:\n\techo mine\n");
    ASSERT_EQ(ui.informed.size(), 1u);
    EXPECT_NE(ui.informed[0].find("Makefile.old"), std::string::npos);
    // A generated makefile is replaced without a word.
    ASSERT_TRUE(generate_makefile(p, *registry, dir, hooks));
    EXPECT_EQ(ui.informed.size(), 1u);
    EXPECT_EQ(read("c:/work/hello/vyn/Makefile.old"), "all:\n\techo mine\n");
}

TEST_F(MakefileTest, AMissingMakeDirectoryIsCreatedOnlyWhenTheUserAgrees)
{
    auto registry = vyn::platform::open_hive_file(dir + "/hive.reg");
    registry->write_string(vyn::platform::RegistryRoot::CurrentUser, kCompilerKey, "includepath", "c:\\vyn\\include");
    Project p = hello();
    EXPECT_FALSE(generate_makefile(p, *registry, dir, hooks));
    EXPECT_EQ(ui.asked.back(), "Directory c:\\work\\hello\\vyn does not exist. Create it?");
    EXPECT_FALSE(fs::exists("c:/work/hello/vyn"));
    ui.answers = {true};
    EXPECT_TRUE(generate_makefile(p, *registry, dir, hooks));
    EXPECT_TRUE(fs::exists("c:/work/hello/vyn/Makefile"));
}

TEST_F(MakefileTest, ALastHeaderLeavesAContinuationThatTheEmptyLineCloses)
{
    Project p = hello();
    p.files = {"hello.c", "hello.rc", "hello.h"};
    std::string t = *text(p);
    EXPECT_NE(t.find("OBJS=\\\n\thello.obj \\\n\thello.res \\\n\nLIBS=\n"), std::string::npos) << t;
    p.files = {"util.c", "app.def"};
    p.compiler_flags = flag::kDll | flag::kDebugInfo;
    p.exe = "";
    t = *text(p);
    EXPECT_NE(t.find("OBJS=\\\n\tutil.obj \\\n\nLIBS=\n"), std::string::npos) << t;
}

TEST_F(MakefileTest, ASecondResourceFileIsNotListedButGetsItsRule)
{
    Project p = hello();
    p.files = {"hello.c", "hello.rc", "extra.rc"};
    std::string t = *text(p);
    EXPECT_NE(t.find("OBJS=\\\n\thello.obj \\\n\thello.res \\\n\nLIBS="), std::string::npos) << t;
    ASSERT_EQ(ui.informed.size(), 1u);
    EXPECT_EQ(ui.informed[0], "You have already defined resources for this project.\nextra.rc will be ignored");
    EXPECT_NE(t.find("# Build hello.res\n"), std::string::npos);
    EXPECT_NE(t.find("\n# Build extra.res\nextra.res:\tc:\\work\\hello\\extra.rc\n\tvrc -Ic:\\work\\hello "
                     "c:\\work\\hello\\extra.rc\n"),
              std::string::npos);
}

TEST_F(MakefileTest, AFirstResFileSuppressesTheRcRules)
{
    Project p = hello();
    p.files = {"hello.c", "app.res", "hello.rc", "C:\\Lib\\Prebuilt.OBJ"};
    std::string t = *text(p);
    EXPECT_NE(t.find("\tc:\\work\\hello\\app.res \\\n\t"), std::string::npos) << t;
    EXPECT_NE(t.find("\tprebuilt.obj\n"), std::string::npos) << t;
    EXPECT_EQ(t.find("vrc"), std::string::npos) << t;
    EXPECT_EQ(t.find("# Build hello.res"), std::string::npos) << t;
}

TEST_F(MakefileTest, DllEntryPointAndOtherLinkSwitches)
{
    Project p = hello();
    p.files = {"util.c"};
    p.compiler_flags = flag::kDll | flag::kDebugInfo | flag::kNoDebugInfo;
    p.entry_point = "LibMain";
    EXPECT_NE(text(p)->find("\tc:\\vyn\\bin\\vynlnk  -s -dll -o hello.dll $(OBJS) $(LIBS)\n"), std::string::npos);
    p.entry_point = "DllEntry";
    p.compiler_flags = flag::kDll | flag::kMapFile;
    p.linker_args = "-stack 4096";
    EXPECT_NE(text(p)->find("vynlnk  -dll -entry DllEntry -map hello.map -stack 4096 -o hello.dll"),
              std::string::npos);
    p.compiler_flags = flag::kConsole;
    p.exe = "tool";
    p.linker_args.clear();
    std::string t = *text(p);
    EXPECT_EQ(p.exe, "tool.exe");
    EXPECT_NE(t.find("\ntool.exe:\t$(OBJS) Makefile\n\tc:\\vyn\\bin\\vynlnk  -subsystem console -o tool.exe"),
              std::string::npos);
    p.compiler_flags = flag::kWindows;
    text(p);
    EXPECT_EQ(ui.informed.back(), "Windows program but no resources defined?");
}

TEST_F(MakefileTest, AStaticLibraryUsesTheLibrarian)
{
    Project p = hello();
    p.files = {"util.c"};
    p.compiler_flags = flag::kStaticLibrary;
    p.exe = "mylib.dll";
    EXPECT_NE(text(p)->find("\nmylib.dll:\t$(OBJS) Makefile\n\tc:\\vyn\\bin\\vynlib /OUT:mylib.lib $(OBJS)\n"),
              std::string::npos);
}

TEST_F(MakefileTest, CompilerSwitchesInTheirOrder)
{
    Project p;
    p.includes = "c:\\a;;c:\\b";
    p.defines = "A=1;B";
    p.compiler_flags = 0x1000 | 0x8 | 0x800 | 0x4 | 0x10 | 0x20 | 0x200 | 0x4000 | 0x40000 | 0x80000;
    EXPECT_EQ(compiler_switches(p), "-Ic:\\a -Ic:\\b -DA=1 -DB  -O  -x  -g4  -S  -A  -Zp1  -Zp16 -z ");
    p.includes.clear();
    p.defines = "X,Y";
    p.compiler_flags = 0x800 | 0x8;
    EXPECT_EQ(compiler_switches(p), "-DX -DY  -g3 ");
    p.defines = "P Q";
    p.compiler_flags = 0;
    EXPECT_EQ(compiler_switches(p), "-DP -DQ ");
    p.defines = "A;B,C D";
    EXPECT_EQ(compiler_switches(p), "-DA -DB -DC -DD ");
}

TEST_F(MakefileTest, FortranSourcesAddTheLibraryOnce)
{
    Project p = hello();
    p.files = {"calc.f", "main.c"};
    p.compiler_flags = flag::kConsole;
    p.libraries = "user32.lib";
    std::string t = *text(p);
    EXPECT_NE(t.find("\nLIBS=user32.lib libf77.lib\n"), std::string::npos) << t;
    EXPECT_NE(t.find("\ncalc.obj: c:\\work\\hello\\calc.f\n\t$(F2C) $(FFLAGS) c:\\work\\hello\\calc.f\n"),
              std::string::npos)
        << t;
    text(p);
    EXPECT_EQ(p.libraries, "user32.lib libf77.lib");
    p.libraries = "LIBF77.LIB";
    text(p);
    EXPECT_EQ(p.libraries, "LIBF77.LIB");
    p.libraries.clear();
    text(p);
    EXPECT_EQ(p.libraries, "libf77.lib");
}

TEST_F(MakefileTest, AssemblerSourcesHaveNoDependencyMacro)
{
    Project p = hello();
    p.files = {"start.asm"};
    p.compiler_flags = flag::kConsole;
    EXPECT_NE(text(p)->find("\tstart.obj\n\nLIBS=\n\nhello.exe:\t$(OBJS) Makefile\n\tc:\\vyn\\bin\\vynlnk  -subsystem "
                            "console -o hello.exe $(OBJS) $(LIBS)\n\nstart.obj: c:\\work\\hello\\start.asm\n\t$(CC) -c "
                            "$(CFLAGS) c:\\work\\hello\\start.asm\n\n"),
              std::string::npos);
}

TEST_F(MakefileTest, AFailedScanIsReportedOnceAndLeavesEmptyMacros)
{
    scanner.fail_code = 2;
    Project p = hello();
    std::string t = *text(p);
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "Impossible to execute\nc:\\vyn\\bin\\vyn.exe -M -Fo$x8856455.723 -Ic:\\vyn\\include  "
                            "c:\\work\\hello\\hello.c\nto find out the dependencies.\nError code 2");
    EXPECT_EQ(scanner.commands.size(), 1u);
    EXPECT_NE(t.find("UTIL_C=\\\n\nutil.obj"), std::string::npos);
    // A source that does not exist is not scanned.
    scanner.fail_code = 0;
    scanner.commands.clear();
    p.files = {"missing.c"};
    text(p);
    EXPECT_TRUE(scanner.commands.empty());
}

TEST_F(MakefileTest, UnknownFileTypesNeedAFileProcessor)
{
    Project p = hello();
    p.files = {"hello.c", "grammar.y"};
    p.compiler_flags = flag::kConsole;
    std::string partial;
    EXPECT_FALSE(makefile_text(p, hooks, &partial).has_value());
    EXPECT_EQ(ui.informed.back(),
              "I do not know how to handle grammar.y\nPlease define how it should be handled in the makefile");
    EXPECT_EQ(ui.errors.back(), "Cannot generate the makefile");
    EXPECT_EQ(partial.rfind("# Tavra Makefile for project hello\n", 0), 0u);
    EXPECT_TRUE(partial.ends_with("OBJS=\\\n\thello.obj \\\n")) << partial;

    hooks.define_processor = [](const std::string& file) {
        return std::optional<FileProcessor>(FileProcessor{file, "Yacc Grammar.y", "Grammar.C"});
    };
    ui.informed.clear();
    std::string t = *text(p);
    ASSERT_EQ(p.file_processors.size(), 1u);
    EXPECT_NE(t.find("\ngrammar.c:\tgrammar.y\n\tyacc grammar.y\n"), std::string::npos) << t;
    // Known now: nothing more is said.
    ui.informed.clear();
    text(p);
    EXPECT_TRUE(ui.informed.empty());
}

TEST(MakefileNames, ObjectNamesAndMacros)
{
    EXPECT_EQ(object_name("C:\\Src\\Hello.C"), "hello.obj");
    EXPECT_EQ(object_name("a.b.c"), "a.b.obj");
    EXPECT_EQ(object_name("noext"), "noext.obj");
    EXPECT_EQ(dependency_macro("hello.c"), "HELLO_C");
    EXPECT_EQ(dependency_macro("x\\my.file.c"), "MY_FILE_C");
}

}  // namespace
