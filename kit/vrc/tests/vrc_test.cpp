// vrc: its command line, and the program on real scripts, read back through
// LLVM's resource converter and object reader.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "kit/vrc/vrc_options.h"
#include "platform/registry.h"

namespace fs = std::filesystem;

namespace vyn::vrc {
namespace {

TEST(VrcOptions, MakefileRuleShapeAndDefaults)
{
    std::string error;
    auto o = parse_options({"-Ic:\\work\\hello", "c:\\work\\hello\\hello.rc"}, error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->includes, std::vector<std::string>{"c:\\work\\hello"});
    EXPECT_EQ(o->output, "hello.res");
    EXPECT_EQ(resource_compiler_arguments(*o, "/kit/include"),
              (std::vector<std::string>{"/I", "c:\\work\\hello", "/I", "/kit/include", "/FO", "hello.res", "--",
                                        "c:\\work\\hello\\hello.rc"}));
    o = parse_options({"-I", "inc", "-DVERSION=3", "-U", "OLD", "-fo", "out/x.res", "-v", "a.rc"}, error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(resource_compiler_arguments(*o, ""),
              (std::vector<std::string>{"/I", "inc", "/D", "VERSION=3", "/U", "OLD", "/V", "/FO", "out/x.res", "--",
                                        "a.rc"}));
    EXPECT_FALSE(parse_options({"a.rc", "b.rc"}, error));
    EXPECT_FALSE(parse_options({"-I"}, error));
    EXPECT_EQ(error, "option -I needs a value");
    EXPECT_FALSE(parse_options({"-q", "a.rc"}, error));
    EXPECT_FALSE(parse_options({}, error));
}

TEST(VrcOptions, PreprocessorDiagnosticsBecomeTheIdeFormat)
{
    EXPECT_EQ(ide_diagnostic("c:\\w\\a.rc:12:3: error: unknown directive"), "c:\\w\\a.rc(12) : error RC: unknown directive");
    EXPECT_EQ(ide_diagnostic("a.rc:1:10: fatal error: 'x.h' file not found"), "a.rc(1) : error RC: 'x.h' file not found");
    EXPECT_EQ(ide_diagnostic("a.rc:4:1: warning: extra tokens"), "a.rc(4) : warning RC: extra tokens");
    EXPECT_EQ(ide_diagnostic("llvm-rc: Error parsing file"), "llvm-rc: Error parsing file");
}

std::string_view trim_left(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    return s;
}

struct Result {
    int status = -1;
    std::string out, err;
};

class VrcProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* tmp = std::getenv("VYN_TEST_TMP");
        dir_ = fs::absolute(fs::path(tmp ? tmp : "/tmp") / "vrc" /
                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "src");
    }
    void write(const std::string& name, const std::string& text) const
    {
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }
    Result run(const std::string& command) const
    {
        std::string full = "cd '" + dir_.string() + "' && " + command + " >.out 2>.err";
        int status = std::system(full.c_str());
        Result r;
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::stringstream o, e;
        o << std::ifstream(dir_ / ".out").rdbuf();
        e << std::ifstream(dir_ / ".err").rdbuf();
        r.out = o.str();
        r.err = e.str();
        return r;
    }
    fs::path dir_;
};

// A 1x1 32-bit icon: directory, one entry, then the bitmap header, pixel and mask.
std::string tiny_icon()
{
    std::string ico = std::string("\0\0\1\0\1\0", 6) + std::string("\1\1\0\0\1\0\x20\0", 8) +
                      std::string("\x30\0\0\0\x16\0\0\0", 8);
    std::string bmp(40, '\0');
    bmp[0] = 40;
    bmp[4] = 1;
    bmp[8] = 2;
    bmp[12] = 1;
    bmp[14] = 32;
    return ico + bmp + std::string("\xff\0\0\xff", 4) + std::string(4, '\0');
}

TEST_F(VrcProgram, CompilesTheUsualStatementsWithIncludesAndDefines)
{
    write("src/ids.h", "#define IDD_ABOUT 100\n#define IDM_MAIN 200\n#define IDM_EXIT 201\n#define IDS_TITLE 1\n"
                       "#define IDA_KEYS 300\n#define IDI_APP 400\n");
    write("src/app.ico", tiny_icon());
    write("src/app.rc",
          "#include <windows.h>\n#include \"ids.h\"\n#define GREETING \"Ciao\"\n"
          "IDI_APP ICON \"app.ico\"\n"
          "IDM_MAIN MENU\nBEGIN\n POPUP \"&File\"\n BEGIN\n  MENUITEM \"E&xit\", IDM_EXIT\n END\nEND\n"
          "IDD_ABOUT DIALOG 0, 0, 120, 60\nSTYLE DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU\n"
          "CAPTION \"About\"\nFONT 8, \"MS Sans Serif\"\nBEGIN\n DEFPUSHBUTTON \"OK\", IDOK, 35, 40, 50, 14\n"
          " LTEXT GREETING, -1, 10, 10, 100, 10\nEND\n"
          "300 DIALOGEX 0, 0, 100, 40\nSTYLE WS_POPUP\nBEGIN\n CONTROL \"\", 10, \"Button\", BS_CHECKBOX, 1, 1, 50, 10\nEND\n"
          "STRINGTABLE\nBEGIN\n IDS_TITLE GREETING \" mondo\"\nEND\n"
          "IDA_KEYS ACCELERATORS\nBEGIN\n \"X\", IDM_EXIT, VIRTKEY, CONTROL\nEND\n"
          "1 VERSIONINFO\nFILEVERSION 1,2,3,4\nBEGIN\n BLOCK \"StringFileInfo\"\n BEGIN\n  BLOCK \"040904E4\"\n"
          "  BEGIN\n   VALUE \"FileDescription\", GREETING\n  END\n END\nEND\n");
    Result r = run("'" VRC_PATH "' -I" + (dir_ / "src").string() + " -I /usr/share/mingw-w64/include src/app.rc");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(fs::exists(dir_ / "app.res"));  // in the current directory, as the makefile rule expects

    r = run("llvm-cvtres /machine:x86 /out:app.obj app.res && llvm-readobj --coff-resources app.obj");
    ASSERT_EQ(r.status, 0) << r.err;
    std::string listing;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);)
        if (line.find("Type: ") != std::string::npos || line.find("Name: (ID") != std::string::npos)
            listing += std::string(trim_left(line)) + "\n";
    EXPECT_EQ(listing, "Type: ICON (ID 3) [\nName: (ID 1) [\nType: MENU (ID 4) [\nName: (ID 200) [\n"
                       "Type: DIALOG (ID 5) [\nName: (ID 100) [\nName: (ID 300) [\n"
                       "Type: STRINGTABLE (ID 6) [\nName: (ID 1) [\nType: ACCELERATOR (ID 9) [\nName: (ID 300) [\n"
                       "Type: GROUP_ICON (ID 14) [\nName: (ID 400) [\nType: VERSIONINFO (ID 16) [\nName: (ID 1) [\n");
    // The define reached the string table: "Ciao mondo" in UTF-16.
    r = run("od -An -c app.res | tr -d ' \\n'");
    EXPECT_NE(r.out.find("C\\0i\\0a\\0o\\0\\0m\\0o\\0n\\0d\\0o"), std::string::npos) << r.out;
}

TEST_F(VrcProgram, ErrorsLeadBackToTheScript)
{
    write("bad.rc", "#include \"missing.h\"\n");
    Result r = run("'" VRC_PATH "' bad.rc");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("bad.rc(1) : error RC: 'missing.h' file not found"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir_ / "bad.res"));
    r = run("'" VRC_PATH "' -fo out.res");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.substr(0, 30), "vrc: no resource script given\n");
}

// A vrc outside the compiler root (no "include" beside its folder, as the
// build tree's own) finds the system headers through the include path of
// the IDE's configuration.
TEST_F(VrcProgram, OutsideTheCompilerRootTheConfiguredIncludePathIsSearched)
{
    ASSERT_FALSE(fs::exists(fs::path(VRC_PATH).parent_path().parent_path() / "include"));
    write("menu.rc", "#include <windows.h>\nMAINMENU MENU\nBEGIN\n MENUITEM \"&Ok\", IDOK\nEND\n");
    auto registry = platform::open_registry();
    const char key[] = "Software\\vyn\\Compiler";
    registry->delete_value(platform::RegistryRoot::CurrentUser, key, "includepath");
    Result r = run("'" VRC_PATH "' menu.rc");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("'windows.h' file not found"), std::string::npos) << r.err;

    ASSERT_TRUE(registry->write_string(platform::RegistryRoot::CurrentUser, key, "includepath",
                                       "/usr/share/mingw-w64/include"));
    r = run("'" VRC_PATH "' menu.rc");
    registry->delete_value(platform::RegistryRoot::CurrentUser, key, "includepath");
    ASSERT_EQ(r.status, 0) << r.err;
    r = run("llvm-cvtres /machine:x86 /out:menu.obj menu.res && llvm-readobj --coff-resources menu.obj");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Type: MENU (ID 4)"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace vyn::vrc
