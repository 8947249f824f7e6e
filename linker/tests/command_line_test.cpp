// The command line as a user types it: options, file kinds, response files,
// default files and the library directory, exit codes and messages.
#include "linker/tests/link_harness.h"

#include "platform/registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace vyn::lnk::test {

namespace {

const char* kMain = "int main(void) { return 0; }\n";

std::string kernel32()
{
    return mingw_lib("kernel32");
}

TEST(CommandLine, NoArgumentAtAllExitsWithOneAndPrintsNothing)
{
    LinkDir d;
    RunResult r = d.link({});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
}

// The library directory as installed: every default library present.
void install_default_libraries(const LinkDir& d)
{
    const std::pair<const char*, const char*> libraries[] = {
        {"libc.lib", "msvcrt"},     {"kernel32.lib", "kernel32"}, {"user32.lib", "user32"},
        {"gdi32.lib", "gdi32"},     {"advapi32.lib", "advapi32"}, {"comctl32.lib", "comctl32"},
        {"comdlg32.lib", "comdlg32"}, {"crtdll.lib", "crtdll"},
    };
    for (const auto& [name, mingw] : libraries)
        std::filesystem::copy_file(mingw_lib(mingw), d.lib_dir() + "/" + name);
}

// Names of the files directly in a directory.
std::vector<std::string> files_in(const std::string& directory)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        if (entry.is_regular_file())
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(CommandLine, OptionsWithoutInputFileExitWithZero)
{
    LinkDir d;
    install_default_libraries(d);
    std::vector<std::string> installed = files_in(d.lib_dir());
    for (auto args : {std::vector<std::string>{"-reloc", "-subsystem", "windows"}, std::vector<std::string>{"-v"}}) {
        RunResult r = d.link(args);
        EXPECT_EQ(r.exit_code, 0) << args[0] << r.err;
        EXPECT_EQ(r.err, "") << args[0];
        // The default libraries are no input: nothing was linked or written.
        EXPECT_EQ(files_in(d.lib_dir()), installed) << args[0];
    }
}

TEST(CommandLine, FailingCommandLinesExitWithOneAndTheirMessage)
{
    struct Case {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"main.obj", "-frobnicate"}, "unrecognized option -frobnicate\n"},
        {{"main.obj", "-o"}, "Option -o requires an argument\n"},
        {{"main.obj", "-entry"}, "Option -entry requires an argument\n"},
        {{"main.obj", "-subsystem", "gui"}, "invalid subsystem: gui\n"},
        {{"main.obj", "-subsystem", "POSIX"}, "invalid subsystem: POSIX\n"},
        {{"main.obj", "-subsystem"}, "Option -subsystem requires an argument\n"},
    };
    LinkDir d;
    d.compile("main.obj", kMain);
    for (const Case& c : cases) {
        RunResult r = d.link(c.args);
        EXPECT_EQ(r.exit_code, 1) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(d.exists("main.exe")) << c.message;
    }
}

TEST(CommandLine, SlashAndLetterCaseSelectTheSameOption)
{
    LinkDir d;
    d.compile("main.obj", kMain);
    RunResult r = d.link({"main.obj", kernel32(), "/O", "other.exe", "/SubSystem", "Windows"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::string headers = readobj(d.file("other.exe"), "--file-headers");
    EXPECT_NE(headers.find("IMAGE_SUBSYSTEM_WINDOWS_GUI"), std::string::npos);
    EXPECT_FALSE(d.exists("main.exe"));
}

TEST(CommandLine, StackAndVersionOptionsReachTheOptionalHeader)
{
    LinkDir d;
    d.compile("main.obj", kMain);
    RunResult r = d.link({"main.obj", kernel32(), "-stack-reserve", "2097152", "-stack-commit", "-1", "-version",
                          "3.7", "-subsystem", "os2"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::string h = readobj(d.file("main.exe"), "--file-headers");
    EXPECT_EQ(field_number(h, "SizeOfStackReserve"), 2097152u);
    EXPECT_EQ(field_number(h, "SizeOfStackCommit"), 2097152u);
    EXPECT_EQ(field_number(h, "MajorImageVersion"), 3u);
    EXPECT_EQ(field_number(h, "MinorImageVersion"), 7u);
    EXPECT_EQ(field(h, "Subsystem"), "0x5");
}

TEST(CommandLine, SmallStackCommitIsReplacedWithAWarning)
{
    LinkDir d;
    d.compile("main.obj", kMain);
    RunResult r = d.link({"main.obj", kernel32(), "-stack-commit", "100"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.err.find("Illegal size for stack commit: 100.Ignored.\n"), std::string::npos);
    EXPECT_EQ(field_number(readobj(d.file("main.exe"), "--file-headers"), "SizeOfStackCommit"), 4096u);
}

TEST(CommandLine, VerboseTracesGoToStandardOutput)
{
    LinkDir d;
    d.compile("main.obj", kMain);
    RunResult r = d.link({"-v", "main.obj", "-reloc", kernel32()});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out.find("vynlnk version 1.2\n"), 0u) << r.out;
    EXPECT_NE(r.out.find("adding file main.obj\n"), std::string::npos);
    EXPECT_NE(r.out.find("processing option -reloc\n"), std::string::npos);
    EXPECT_NE(r.out.find("Link time: "), std::string::npos);
}

TEST(CommandLine, ErroutSendsDiagnosticsToAFileAndRefusesObjectNames)
{
    LinkDir d;
    d.compile("main.obj", kMain);
    RunResult r = d.link({"-errout", "errors.txt", "main.obj", "-bogus"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(d.read("errors.txt").size(), std::string("unrecognized option -bogus\n").size());
    r = d.link({"-errout", "x.obj", "main.obj", kernel32()});
    EXPECT_NE(r.err.find("'error': incorrect file name x.obj\n"), std::string::npos) << r.err;
}

TEST(CommandLine, DllWrittenAfterTheFirstObjectKeepsTheExeName)
{
    LinkDir d;
    d.compile("lib.obj", "int __stdcall LibMain(void*h,unsigned r,void*p){return 1;}\n"
                         "__declspec(dllexport) int f(void){return 2;}\n",
              "i686-w64-windows-gnu");
    RunResult r = d.link({"lib.obj", "-dll"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    ASSERT_TRUE(d.exists("lib.exe"));
    std::string h = readobj(d.file("lib.exe"), "--file-headers --coff-exports");
    EXPECT_NE(h.find("IMAGE_FILE_DLL"), std::string::npos);
    EXPECT_EQ(field_number(h, "ImageBase"), 0x10000000u);
    EXPECT_EQ(field(h, "Name"), "_f");
}

TEST(CommandLine, ResponseFileWordsActAsArguments)
{
    LinkDir d;
    d.compile("a.obj", "int g(void); int main(void) { return g(); }\n");
    d.compile("b.obj", "int g(void) { return 4; }\n");
    d.write_text("args.rsp", "a.obj\n\tb.obj\r\n  -o  prog.exe\n" + kernel32() + "\n");
    RunResult r = d.link({"@args.rsp"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(d.exists("prog.exe"));
}

TEST(CommandLine, ResponseFileReadingStopsAtAnEqualsSign)
{
    LinkDir d;
    d.compile("a.obj", kMain);
    d.write_text("args.rsp", "a.obj " + kernel32() + " -o=x.exe missing.obj\n");
    RunResult r = d.link({"@args.rsp"});
    // "-o" lost its argument at the '=' and nothing after it was read.
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("Option -o requires an argument\n"), std::string::npos) << r.err;
}

TEST(CommandLine, UnreadableResponseFileFailsTheLink)
{
    LinkDir d;
    RunResult r = d.link({"@nothere.rsp"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("impossible to open nothere.rsp\n"), std::string::npos);
}

TEST(CommandLine, WildcardsExpandInTheFileSystem)
{
    LinkDir d;
    d.compile("w1.obj", "int g(void); int main(void) { return g(); }\n");
    d.compile("w2.obj", "int g(void) { return 4; }\n");
    RunResult r = d.link({"w*.obj", kernel32(), "-o", "wild.exe"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(d.exists("wild.exe"));
}

TEST(CommandLine, AFileNamedTwiceIsIgnoredTheSecondTime)
{
    LinkDir d;
    d.compile("a.obj", kMain);
    RunResult r = d.link({"a.obj", "A.OBJ", kernel32()});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(r.err.find("Input file <A.OBJ> named twice. Ignored.\n"), std::string::npos) << r.err;
}

TEST(CommandLine, SecondResourceOrDefinitionFileAborts)
{
    LinkDir d;
    d.compile("a.obj", kMain);
    d.write_text("one.def", "NAME one\n");
    d.write_text("two.def", "NAME two\n");
    RunResult r = d.link({"a.obj", "one.def", "two.def"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("Only one .def file allowed!\n"), std::string::npos);

    d.write_text("empty.res", std::string("\0\0\0\0\x20\0\0\0\xff\xff\0\0\xff\xff\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 32));
    d.write_text("again.res", std::string("\0\0\0\0\x20\0\0\0\xff\xff\0\0\xff\xff\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 32));
    r = d.link({"a.obj", "empty.res", "again.res"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("Only one resource file allowed\nresource already used: empty.res\n"), std::string::npos)
        << r.err;
}

TEST(CommandLine, DefinitionFileNameAndLibraryStatementsNameTheOutput)
{
    LinkDir d;
    d.compile("a.obj", kMain);
    d.write_text("prog.def", "name myprog\n");
    RunResult r = d.link({"a.obj", "prog.def", kernel32()});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(d.exists("myprog.exe"));

    d.compile("l.obj", "int __stdcall LibMain(void*h,unsigned r,void*p){return 1;}\nint k(void){return 1;}\n");
    d.write_text("lib.def", "LIBRARY mylib\nDESCRIPTION 'anything at all'\nEXPORTS\n  k\n");
    r = d.link({"l.obj", "lib.def"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    ASSERT_TRUE(d.exists("mylib.dll"));
    EXPECT_NE(readobj(d.file("mylib.dll"), "--file-headers").find("IMAGE_FILE_DLL"), std::string::npos);
}

TEST(CommandLine, DefinitionFileWithoutKeywordStopsReadingAndTheLinkGoesOn)
{
    LinkDir d;
    d.compile("a.obj", kMain);
    d.write_text("bad.def", "NAME good\n\nbogus words\nNAME never\n");
    RunResult r = d.link({"a.obj", "bad.def", kernel32()});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.err.find("Line 3: Keyword expected"), std::string::npos) << r.err;
    EXPECT_TRUE(d.exists("good.exe"));
}

TEST(CommandLine, DefinitionFileOrdinalMessages)
{
    LinkDir d;
    d.compile("l.obj", "int __stdcall LibMain(void*h,unsigned r,void*p){return 1;}\n"
                       "int a(void){return 1;} int b(void){return 2;} int c(void){return 3;}\n");
    d.write_text("l.def", "LIBRARY l\nEXPORTS\n a @5\n b @0\n c @2\n");
    RunResult r = d.link({"l.obj", "l.def"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.err.find("Line 4 Incorrect export ordinal 0\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Ordinal 2 already assigned\n"), std::string::npos) << r.err;
    // Final ordinals follow name order whatever was written.
    std::string e = readobj(d.file("l.dll"), "--coff-exports");
    EXPECT_LT(e.find("Name: _a"), e.find("Name: _b"));
    EXPECT_EQ(field(e, "Ordinal"), "1");
}

TEST(CommandLine, NamedDefaultLibraryIsNotAddedAgain)
{
    LinkDir d;
    // The library directory's kernel32.lib is no archive at all: linking it
    // would end the link with "unknown file type".
    d.write_text("lib/kernel32.lib", "not an archive\n");
    std::filesystem::create_directories(d.file("mine"));
    std::filesystem::copy_file(kernel32(), d.file("mine/KERNEL32.LIB"));
    d.compile("a.obj", kMain);
    RunResult r = d.link({"a.obj", "mine/KERNEL32.LIB"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(readobj(d.file("a.exe"), "--coff-imports").find("ExitProcess"), std::string::npos);
    // Not named, the default library is taken from the library directory.
    r = d.link({"a.obj", "-o", "b.exe"});
    EXPECT_EQ(r.exit_code, 255);
    EXPECT_NE(r.err.find("kernel32.lib: unknown file type\n"), std::string::npos) << r.err;
    EXPECT_FALSE(d.exists("b.exe"));
}

TEST(CommandLine, JoinedAndSeparateLibraryDirectoryAreEquivalent)
{
    LinkDir d;
    std::filesystem::create_directories(d.file("other"));
    std::filesystem::copy_file(mingw_lib("user32"), d.file("other/user32.lib"));
    d.compile("a.obj", "__declspec(dllimport) int __stdcall MessageBeep(unsigned);\n"
                       "int main(void) { return MessageBeep(0); }\n");
    for (auto args : {std::vector<std::string>{"-L", "other"}, std::vector<std::string>{"-Lother"}}) {
        args.insert(args.end(), {"a.obj", kernel32(), "-o", "u.exe"});
        RunResult r = d.link(args);
        ASSERT_EQ(r.exit_code, 0) << r.err;
        EXPECT_NE(readobj(d.file("u.exe"), "--coff-imports").find("MessageBeep"), std::string::npos);
    }
    // "-L" as the last word leaves the directory unset: user32 is not found.
    RunResult r = d.link({"a.obj", kernel32(), "-o", "v.exe", "-L"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("undefined reference to '__imp__MessageBeep@4'"), std::string::npos) << r.err;
}

TEST(CommandLine, LibraryDirectoryIsAskedForAndStoredInTheRegistry)
{
    LinkDir d(false);
    d.compile("a.obj", kMain);
    RunResult r = d.link({"a.obj", kernel32()}, d.lib_dir() + "\n");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find("Can't find the path of the vyn libraries.(vyncrt0.obj missing)\n"), std::string::npos);
    auto registry = platform::open_hive_file(d.hive());
    EXPECT_EQ(registry->read_string(platform::RegistryRoot::CurrentUser, "Software\\vyn\\vynlnk", "libpath"),
              d.lib_dir());
    // The stored directory serves the next link without a question.
    r = d.link({"a.obj", kernel32(), "-o", "again.exe"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out.find("Can't find"), std::string::npos);
}

TEST(CommandLine, AnsweringWithAMissingDirectoryQuits)
{
    LinkDir d(false);
    d.compile("a.obj", kMain);
    RunResult r = d.link({"a.obj"}, "/no/such/dir\n");
    EXPECT_EQ(r.exit_code, 255);
    EXPECT_NE(r.out.find("Directory /no/such/dir does not exist\n. I quit\n"), std::string::npos) << r.out;
    EXPECT_FALSE(d.exists("a.exe"));
}

TEST(CommandLine, NodefLeavesOutTheStartupObject)
{
    LinkDir d;
    d.compile("a.obj", "void mainCRTStartup(void) {}\n");
    RunResult r = d.link({"-NODEF", "a.obj", "-s"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::string map = objdump(d.file("a.exe"), "-d");
    EXPECT_NE(map.find("ret"), std::string::npos);
    EXPECT_EQ(field_number(readobj(d.file("a.exe"), "--file-headers"), "AddressOfEntryPoint"), 0x1000u);
}

TEST(CommandLine, AnOutputNamingAnInputReplacesItOnlyWithAFinishedImage)
{
    LinkDir d;
    d.compile("x.obj", kMain);
    // The input is read before anything is written: the link succeeds and
    // the image takes the object's place.
    RunResult r = d.link({"x.obj", kernel32(), "-o", "x.obj"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(readobj(d.file("x.obj"), "--file-headers").find("IMAGE_FILE_EXECUTABLE_IMAGE"), std::string::npos);

    // A failing link leaves the file it was to replace as it was.
    std::filesystem::copy_file(kernel32(), d.file("g.lib"));
    std::vector<std::uint8_t> library = d.read("g.lib");
    d.compile("nomain.obj", "int helper(void) { return 1; }\n");
    r = d.link({"-nodef", "nomain.obj", "g.lib", "-o", "g.lib"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("Program has no starting address!\n"), std::string::npos) << r.err;
    EXPECT_EQ(d.read("g.lib"), library);

    d.write_text("junk.dat", "neither object nor archive");
    d.write_text("prog.exe", "the previous image");
    r = d.link({"junk.dat", "-o", "prog.exe"});
    EXPECT_NE(r.exit_code, 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(d.read("prog.exe").data()), d.read("prog.exe").size()),
              "the previous image");
    // No temporary file is left behind by any of these links.
    for (const std::string& name : files_in(d.path()))
        EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}

TEST(CommandLine, DefinitionFileCommentsOrdinalsAfterABlankAndEmptyNames)
{
    LinkDir d;
    d.compile("l.obj", "int __stdcall LibMain(void*h,unsigned r,void*p){return 1;}\n"
                       "int g(void){return 1;} int k(void){return 2;}\n");
    d.write_text("l.def", "; the library's exports\nLIBRARY l ; named l\nEXPORTS\n"
                          "  g @ 5   ; a blank after the at sign\n  k;no blank before the comment\n");
    RunResult r = d.link({"l.obj", "l.def"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::string e = readobj(d.file("l.dll"), "--coff-exports");
    EXPECT_NE(e.find("Name: _g\n"), std::string::npos) << e;
    EXPECT_NE(e.find("Name: _k\n"), std::string::npos) << e;
    std::size_t exports = 0;
    for (std::size_t at = e.find("Export {"); at != std::string::npos; at = e.find("Export {", at + 1))
        ++exports;
    EXPECT_EQ(exports, 2u) << e;

    // NAME without a name keeps the default output name.
    d.compile("a.obj", kMain);
    d.write_text("a.def", "NAME\nEXPORTS\n");
    r = d.link({"a.obj", "a.def", kernel32()});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.err.find("Line 1: Name expected after NAME\n"), std::string::npos) << r.err;
    EXPECT_TRUE(d.exists("a.exe"));
    EXPECT_FALSE(d.exists(".exe"));
    EXPECT_FALSE(d.exists("EXPORTS.exe"));
}

TEST(CommandLine, ResponseFileWordsLongerThan299CharactersAreRefused)
{
    LinkDir d;
    d.compile("a.obj", kMain);
    // A path of 299 characters (a file name alone may not be that long).
    std::string longest = std::string(150, 'd') + "/" + std::string(144, 'f') + ".obj";
    ASSERT_EQ(longest.size(), 299u);
    std::filesystem::create_directories(d.file(std::string(150, 'd')));
    std::filesystem::copy_file(d.file("a.obj"), d.file(longest));
    // ...is one word...
    d.write_text("ok.rsp", longest + " " + kernel32() + "\n");
    RunResult r = d.link({"@ok.rsp", "-o", "ok.exe"});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(d.exists("ok.exe"));
    // ...300 are refused rather than cut into two arguments.
    d.write_text("long.rsp", "a.obj " + std::string(300, 'w') + "\n");
    r = d.link({"@long.rsp", "-o", "long.exe"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("long.rsp: word longer than 299 characters\n"), std::string::npos) << r.err;
    EXPECT_FALSE(d.exists("long.exe"));
}

}  // namespace

}  // namespace vyn::lnk::test
