// DLLs built by the kit from ".def" files, their import libraries made by
// libforge when vynlnk finishes the link, and an exe linked against them by
// vynlnk (and by lld-link), read back with llvm-readobj and llvm-nm and run
// in the emulated machine: the DLLs' LibMain attaches and detaches through
// the kit's libcrt0.obj, one DLL calls the other, and the second DLL, whose
// preferred base the first one holds, runs moved by its relocations.
#include "testing/runner/command_runner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using vyn::runner::CommandOptions;
using vyn::runner::CommandResult;
using vyn::runner::run_command;
using vyn::runner::shell_quote;

namespace {

std::string slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The arithmetic DLL: a stdcall and a cdecl function and a variable, set up
// by LibMain, which reports the notifications it gets.
const char* const kMathDll = R"(#include <stdio.h>
int counter;
int __stdcall twice(int x) { return 2 * x; }
int add_counter(int x) { return x + counter; }
int __stdcall LibMain(void *instance, unsigned long reason, void *reserved)
{
    (void)reserved;
    if (reason == 1) {
        counter = 41;
        printf("mathdll attach %s\n", instance ? "with its handle" : "without a handle");
    } else if (reason == 0) {
        printf("mathdll detach, counter %d\n", counter);
    }
    return 1;
}
)";

// The second DLL calls the first; its strings and table are reached
// through addresses its base relocations must fix.
const char* const kWordsDll = R"(#include <stdio.h>
__declspec(dllimport) int __stdcall twice(int);
static const char *names[] = {"zero", "two", "four", "six"};
const char *double_name(int x)
{
    int d = twice(x);
    return d >= 0 && d < 8 ? names[d / 2] : "many";
}
int __stdcall LibMain(void *instance, unsigned long reason, void *reserved)
{
    (void)instance; (void)reserved;
    if (reason == 1)
        printf("wordsdll attach, twice(3) = %d\n", twice(3));
    else if (reason == 0)
        printf("wordsdll detach\n");
    return 1;
}
)";

const char* const kUser = R"(#include <stdio.h>
__declspec(dllimport) int __stdcall twice(int);
__declspec(dllimport) extern int counter;
int add_counter(int);
const char *double_name(int);
void *__stdcall GetModuleHandleA(const char *);
int main(void)
{
    printf("mathdll at %08lx, wordsdll %s\n", (unsigned long)GetModuleHandleA("mathdll"),
           GetModuleHandleA("WORDSDLL.DLL") == (void *)0x10000000 ? "at its base" : "moved");
    printf("twice(5) = %d\n", twice(5));
    printf("add_counter(1) = %d\n", add_counter(1));
    printf("double_name(1) = %s\n", double_name(1));
    counter = 7;
    return twice(5) + add_counter(1) + counter;
}
)";

class KitDll : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* tmp = std::getenv("VYN_TEST_TMP");
        dir_ = fs::absolute(fs::path(tmp ? tmp : "/tmp") / "kit-dll" /
                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        std::ofstream(dir_ / "registry.reg") << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\vyn\\vynlnk]\n\"libpath\"=\""
                                             << KIT_ROOT << "/lib\"\n\n";
    }
    void write(const std::string& name, const std::string& text) const { std::ofstream(dir_ / name) << text; }
    CommandResult run(const std::string& command) const
    {
        CommandOptions options;
        options.directory = dir_.string();
        return run_command("VYN_REGISTRY=" + shell_quote((dir_ / "registry.reg").string()) + " " + command, options);
    }
    static std::string kit(const std::string& program) { return shell_quote(std::string(KIT_ROOT) + "/bin/" + program); }
    // The two DLLs and the exe, built with the kit alone.
    void build_all() const
    {
        write("mathdll.c", kMathDll);
        write("mathdll.def", "LIBRARY mathdll\nDESCRIPTION 'arithmetic'\nEXPORTS\n  twice\n  add_counter\n  counter\n");
        write("wordsdll.c", kWordsDll);
        write("wordsdll.def", "LIBRARY wordsdll\nEXPORTS\n  double_name\n");
        write("user.c", kUser);
        for (const char* step : {"vyn -c mathdll.c", "vynlnk -dll mathdll.obj mathdll.def", "vyn -c wordsdll.c",
                                 "vynlnk -dll wordsdll.obj wordsdll.def mathdll.lib", "vyn -c user.c",
                                 "vynlnk user.obj mathdll.lib wordsdll.lib"}) {
            std::string command = step;
            std::size_t blank = command.find(' ');
            CommandResult r = run(kit(command.substr(0, blank)) + command.substr(blank));
            ASSERT_EQ(r.exit_code, 0) << step << "\n" << r.out << r.err;
        }
    }
    // The same exe linked by lld-link with the kit's start-up object and libraries.
    void link_with_lld() const
    {
        CommandResult r = run("lld-link /nologo /safeseh:no /nodefaultlib /entry:mainCRTStartup /subsystem:console "
                              "/out:user_lld.exe " +
                              shell_quote(std::string(KIT_ROOT) + "/lib/vyncrt0.obj") +
                              " user.obj mathdll.lib wordsdll.lib " +
                              shell_quote(std::string(KIT_ROOT) + "/lib/libc.lib") + " " +
                              shell_quote(std::string(KIT_ROOT) + "/lib/kernel32.lib"));
        ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
    }
    CommandResult run_user(const std::string& exe = "user.exe") const
    {
        return run(shell_quote(VYNI386_PATH) + " " + exe);
    }

    fs::path dir_;
};

TEST_F(KitDll, DefFileDllAndItsImportLibraryServeAnExe)
{
    ASSERT_NO_FATAL_FAILURE(build_all());
    EXPECT_EQ(slurp(dir_ / "mathdll.exp"),
              "mathdll.dll\n_add_counter\t\t_add_counter\n_counter\t\t_counter\tdata\n_twice@4\t\t_twice@4\n");
    ASSERT_TRUE(fs::exists(dir_ / "mathdll.lib")) << "libforge did not run";

    CommandResult r = run("llvm-readobj --coff-exports mathdll.dll");
    // The linker exports each symbol under its own (decorated) name.
    for (const char* name : {"Name: _add_counter", "Name: _counter", "Name: _twice@4"})
        EXPECT_NE(r.out.find(name), std::string::npos) << name << "\n" << r.out;
    r = run("llvm-nm mathdll.lib");
    EXPECT_NE(r.out.find("T _twice@4"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("T _add_counter"), std::string::npos);
    EXPECT_NE(r.out.find(" __imp__counter"), std::string::npos);
    EXPECT_EQ(r.out.find("T _counter"), std::string::npos);

    ASSERT_NO_FATAL_FAILURE(link_with_lld());
    for (const char* exe : {"user.exe", "user_lld.exe"}) {
        r = run(std::string("llvm-readobj --coff-imports ") + exe);
        std::size_t at = r.out.find("Name: mathdll.dll");
        ASSERT_NE(at, std::string::npos) << exe << "\n" << r.out;
        std::string block = r.out.substr(at, r.out.find("}", at) - at);
        for (const char* name : {"Symbol: _twice@4", "Symbol: _add_counter", "Symbol: _counter"})
            EXPECT_NE(block.find(name), std::string::npos) << exe << " " << name << "\n" << block;
    }
}

// Both DLLs want the same base (the linker's default for a DLL): the one
// loaded second runs moved. The exe's status is 10 + 8 + 7: it set the
// DLL's counter to 7 before add_counter read it.
TEST_F(KitDll, ExeRunsWithBothDllsAttachedInOrderAndDetachedInReverse)
{
    ASSERT_NO_FATAL_FAILURE(build_all());
    ASSERT_NO_FATAL_FAILURE(link_with_lld());
    const std::string expected = "mathdll attach with its handle\n"
                                 "wordsdll attach, twice(3) = 6\n"
                                 "mathdll at 10000000, wordsdll moved\n"
                                 "twice(5) = 10\n"
                                 "add_counter(1) = 42\n"
                                 "double_name(1) = two\n"
                                 "wordsdll detach\n"
                                 "mathdll detach, counter 7\n";
    for (const char* exe : {"user.exe", "user_lld.exe"}) {
        CommandResult r = run_user(exe);
        EXPECT_EQ(r.out, expected) << exe;
        EXPECT_EQ(r.err, "") << exe;
        EXPECT_EQ(r.exit_code, 25) << exe;
    }
    // The DLLs on PATH instead of beside the program are found there too.
    fs::create_directories(dir_ / "bin");
    fs::rename(dir_ / "user.exe", dir_ / "bin" / "user.exe");
    CommandResult r = run("PATH=" + shell_quote(dir_.string()) + ":\"$PATH\" " + shell_quote(VYNI386_PATH) +
                          " bin/user.exe");
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.exit_code, 25) << r.err;
}

// A DLL that is missing, cut short, or not a DLL at all ends the run before
// the program starts, with vyni386's own status and a message naming it.
TEST_F(KitDll, MissingOrDamagedDllEndsTheRunWithAMessage)
{
    ASSERT_NO_FATAL_FAILURE(build_all());
    std::string dll = slurp(dir_ / "wordsdll.dll");

    fs::rename(dir_ / "wordsdll.dll", dir_ / "wordsdll.dll.saved");
    CommandResult r = run_user();
    EXPECT_EQ(r.exit_code, 125);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "vyni386: user.exe: cannot find wordsdll.dll, which the program imports\n");

    // Cut inside its section data.
    std::ofstream(dir_ / "wordsdll.dll", std::ios::binary) << dll.substr(0, 0x500);
    r = run_user();
    EXPECT_EQ(r.exit_code, 125);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("vyni386: user.exe: wordsdll.dll ("), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("data lies beyond the end of the file\n"), std::string::npos) << r.err;

    // Its PE signature overwritten.
    std::string broken = dll;
    broken[0x80] = 'X';
    std::ofstream(dir_ / "wordsdll.dll", std::ios::binary) << broken;
    r = run_user();
    EXPECT_EQ(r.exit_code, 125);
    EXPECT_EQ(r.err, "vyni386: user.exe: wordsdll.dll (./wordsdll.dll): no PE signature at the offset the DOS "
                     "header gives\n");

    // An exe where a DLL should be.
    fs::copy_file(dir_ / "user.exe", dir_ / "wordsdll.dll", fs::copy_options::overwrite_existing);
    r = run_user();
    EXPECT_EQ(r.exit_code, 125);
    EXPECT_NE(r.err.find("wordsdll.dll): not a DLL\n"), std::string::npos) << r.err;
}

}  // namespace
