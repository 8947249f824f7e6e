// The make program itself: real files, real commands, real exit codes.
#include "testing/runner/command_runner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void write(const fs::path& p, const std::string& text, bool executable = false)
{
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
    if (executable)
        fs::permissions(p, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
}

class MakeProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* tmp = std::getenv("VYN_TEST_TMP");
        dir_ = fs::absolute(fs::path(tmp ? tmp : "/tmp") / "make" /
                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }

    vyn::runner::CommandResult make(const std::string& args, const std::string& env = "") const
    {
        vyn::runner::CommandOptions options;
        options.directory = dir_.string();
        return vyn::runner::run_command(env + " " + vyn::runner::shell_quote(MAKE_PATH) + " " + args, options);
    }

    // Moves a file's time into the past, so that order does not depend on the clock's grain.
    void age(const std::string& name, int seconds) const
    {
        fs::path p = dir_ / name;
        fs::last_write_time(p, fs::file_time_type::clock::now() - std::chrono::seconds(seconds));
    }

    fs::path dir_;
};

// The IDE's makefile with its drive-letter paths: on this host "c:\work" is
// the relative directory "c:/work", and the compiler, linker and resource
// compiler are small scripts that write their outputs.
TEST_F(MakeProgram, BuildsTheGeneratedMakefileWithDriveLetterPaths)
{
    write(dir_ / "Makefile",
          "# Tavra Makefile for project hello\n"
          "CFLAGS=-Ic:\\vyn\\include  -g2 \n"
          "CC=c:\\vyn\\bin\\vyn.exe\n"
          "OBJS=\\\n\thello.obj \\\n\thello.res \\\n\tutil.obj\n"
          "\nLIBS=\n"
          "\nhello.exe:\t$(OBJS) Makefile\n"
          "\tc:\\vyn\\bin\\vynlnk  -subsystem windows -o hello.exe $(OBJS) $(LIBS)\n"
          "\n# Build hello.c\nHELLO_C=\\\n\tc:\\vyn\\include\\windows.h\\\n\tc:\\work\\hello\\hello.h\\\n\n"
          "hello.obj: $(HELLO_C) c:\\work\\hello\\hello.c\n\t$(CC) -c $(CFLAGS) c:\\work\\hello\\hello.c\n"
          "\n# Build hello.res\nhello.res:\tc:\\work\\hello\\hello.rc\n\tvrc -Ic:\\work\\hello c:\\work\\hello\\hello.rc\n"
          "\n# Build util.c\nUTIL_C=\\\n\tc:\\work\\hello\\util.h\\\n\n"
          "util.obj: $(UTIL_C) c:\\work\\hello\\util.c\n\t$(CC) -c $(CFLAGS) c:\\work\\hello\\util.c\n\n");
    for (const char* f : {"c:/vyn/include/windows.h", "c:/work/hello/hello.h", "c:/work/hello/hello.c",
                          "c:/work/hello/hello.rc", "c:/work/hello/util.h", "c:/work/hello/util.c"})
        write(dir_ / f, "x\n");
    // Each tool logs its arguments; the compiler writes the object of its last argument.
    write(dir_ / "c:/vyn/bin/vyn.exe",
          "#!/bin/sh\nprintf '%s\\n' \"vyn $*\" >>log\nfor a; do last=$a; done\n"
          "b=${last##*\\\\}; touch \"${b%.c}.obj\"\n",
          true);
    write(dir_ / "c:/vyn/bin/vynlnk", "#!/bin/sh\nprintf '%s\\n' \"vynlnk $*\" >>log\ntouch hello.exe\n", true);
    write(dir_ / "tools/vrc", "#!/bin/sh\nprintf '%s\\n' \"vrc $*\" >>log\ntouch hello.res\n", true);
    for (const char* f : {"c:/vyn/include/windows.h", "c:/work/hello/hello.h", "c:/work/hello/hello.c",
                          "c:/work/hello/hello.rc", "c:/work/hello/util.h", "c:/work/hello/util.c", "Makefile"})
        age(f, 100);
    std::string path = "PATH='" + (dir_ / "tools").string() + "':$PATH";

    auto r = make("", path);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(slurp(dir_ / "log"),
              "vyn -c -Ic:\\vyn\\include -g2 c:\\work\\hello\\hello.c\n"
              "vrc -Ic:\\work\\hello c:\\work\\hello\\hello.rc\n"
              "vyn -c -Ic:\\vyn\\include -g2 c:\\work\\hello\\util.c\n"
              "vynlnk -subsystem windows -o hello.exe hello.obj hello.res util.obj\n");

    fs::remove(dir_ / "log");
    r = make("", path);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "make: 'hello.exe' is up to date.\n");
    EXPECT_FALSE(fs::exists(dir_ / "log"));

    for (const char* f : {"hello.obj", "hello.res", "util.obj", "hello.exe"})
        age(f, 50);
    write(dir_ / "c:/work/hello/util.h", "changed\n");
    r = make("", path);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(slurp(dir_ / "log"),
              "vyn -c -Ic:\\vyn\\include -g2 c:\\work\\hello\\util.c\n"
              "vynlnk -subsystem windows -o hello.exe hello.obj hello.res util.obj\n");
}

TEST_F(MakeProgram, FailingCommandEndsMakeWithItsMessage)
{
    write(dir_ / "Makefile", "all: bad after\nbad:\n\t@echo trying\n\texit 3\nafter:\n\t@echo after\n");
    auto r = make("");
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.out, "trying\nexit 3\n");
    EXPECT_EQ(r.err, "make: *** [bad] Error 3\n");

    r = make("-k");
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.out, "trying\nexit 3\nafter\n");
    EXPECT_EQ(r.err, "make: *** [bad] Error 3\nmake: Target 'all' not remade because of errors.\n");
}

TEST_F(MakeProgram, DirectoryFileMacrosAndEnvironment)
{
    write(dir_ / "sub/build.mk",
          "NAME=file\nall: first\n\t@echo $(NAME) $(FROMENV) $(MAKE_WORD)\nfirst:\n\t@echo in $$(basename $$PWD)\n");
    auto r = make("-C sub -f build.mk NAME=command", "FROMENV=environment MAKE_WORD=w");
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, "in sub\ncommand environment w\n");

    r = make("-n -Csub -fbuild.mk");
    EXPECT_EQ(r.out, "echo in $(basename $PWD)\necho file  \n");

    r = make("-f nothere.mk");
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.err, "make: nothere.mk: No such file or directory\n");
    r = make("-q");
    EXPECT_EQ(r.exit_code, 2);
}

TEST_F(MakeProgram, ParseErrorNamesFileAndLine)
{
    write(dir_ / "makefile", "A=1\nnot a rule\n");
    auto r = make("");
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.err, "makefile:2: *** missing separator.  Stop.\n");
}

}  // namespace
