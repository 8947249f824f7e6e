// DLLs loaded with the program, built by lld-link as an independent linker:
// a chain of DLLs attached in dependency order, forwarders to a DLL and to
// the system, thread variables in a DLL beside the program's, a DLL whose
// entry refuses to attach, and an import the DLL does not export.
#include "testing/i386/tests/guest.h"

#include <gtest/gtest.h>

namespace vyn::i386 {
namespace {

using lnk::test::mingw_lib;
using lnk::test::quote;
using lnk::test::run_command;
using namespace test;

// The DLL at the end of the chain: its entry reports itself.
const char* kSecond = R"(
int __stdcall DllEntry(void* module, unsigned long reason, void* reserved)
{
    if (reason == 1) put(reserved ? "second attach (static)\n" : "second attach\n");
    if (reason == 0) put("second detach\n");
    return module == GetModuleHandleA("second.dll");
}
__declspec(dllexport) int second_value(void) { return 20; }
)";

// The thread-storage directory a C runtime would give a module with thread
// variables (no callbacks).
const std::string kThreadDirectory = R"(
__asm__(".globl __tls_array\n.set __tls_array, 44");
#pragma section(".tls", read, write)
#pragma section(".tls$ZZZ", read, write)
unsigned long _tls_index;
__declspec(allocate(".tls")) char _tls_start = 0;
__declspec(allocate(".tls$ZZZ")) char _tls_end = 0;
const struct { unsigned long start, end, index, callbacks, zero_fill, flags; } _tls_used = {
    (unsigned long)&_tls_start, (unsigned long)&_tls_end, (unsigned long)&_tls_index, 0, 0, 0};
)";

// The first DLL calls the second and forwards two exports: one to the
// second DLL, one to the system. Its thread variable sits beside the
// program's own.
const std::string kFirst = kThreadDirectory + R"(
__declspec(dllimport) int second_value(void);
__declspec(thread) int first_thread_value = 300;
int __stdcall DllEntry(void* module, unsigned long reason, void* reserved)
{
    (void)module; (void)reserved;
    if (reason == 1) put("first attach\n");
    if (reason == 0) put("first detach\n");
    return 1;
}
__declspec(dllexport) int first_value(void) { return second_value() + 1 + first_thread_value; }
)";

const std::string kProgram = kThreadDirectory + R"(
__declspec(dllimport) int first_value(void);
__declspec(dllimport) int forwarded_value(void);
__declspec(dllimport) unsigned long forwarded_ticks(void);  // takes no arguments: any convention
__declspec(thread) int own_thread_value = 4000;
int main(void)
{
    put("main: ");
    put_number(first_value() + own_thread_value);
    put(" ");
    put_number(forwarded_value());
    unsigned long forwarded = forwarded_ticks();
    unsigned long direct = GetTickCount();
    put(direct - forwarded < 1000 ? " ticks\n" : " no ticks\n");
    return 0;
}
)";

// Each test starts from the chain built: second.dll, first.dll over it, and
// the program over first.dll.
class DllLoader : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(build_chain()); }

    // lld-link makes a DLL (and its import library) of one C source.
    void link_dll(const std::string& name, const std::string& source, const std::string& options) const
    {
        std::string object = d.compile(name + ".obj", std::string(kDeclarations) + source);
        std::string command = "lld-link /nologo /safeseh:no /nodefaultlib /dll /entry:DllEntry /out:" + name +
                              ".dll /implib:" + name + ".lib " + options + " " + quote(object) + " " +
                              quote(mingw_lib("kernel32"));
        RunResult r = run_command(command, d.path());
        ASSERT_EQ(r.exit_code, 0) << r.err;
    }
    void build_chain() const
    {
        ASSERT_NO_FATAL_FAILURE(link_dll("second", kSecond, ""));
        ASSERT_NO_FATAL_FAILURE(link_dll(
            "first", kFirst, "second.lib /export:forwarded_value=second.second_value /export:forwarded_ticks=KERNEL32.GetTickCount"));
        build_with_lld(d, {{"program.obj", kProgram}}, "first.lib", "program.exe");
    }

    LinkDir d;
};

TEST_F(DllLoader, ChainAttachesInDependencyOrderWithForwardersAndThreadVariables)
{
    RunResult r = run_image(d, "program.exe");
    EXPECT_EQ(r.out, "second attach (static)\nfirst attach\nmain: 4321 20 ticks\nfirst detach\nsecond detach\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exit_code, 0);
}

TEST_F(DllLoader, RefusedAttachAndMissingExportEndTheRunBeforeTheProgram)
{
    // The second DLL now refuses: its entry compares its handle with a
    // module of another name.
    std::string refusing = kSecond;
    refusing.replace(refusing.find("\"second.dll\""), 12, "\"other.dll\"");
    ASSERT_NO_FATAL_FAILURE(link_dll("second", refusing, ""));
    RunResult r = run_image(d, "program.exe");
    EXPECT_EQ(r.out, "second attach (static)\n");
    EXPECT_EQ(r.err, "vyni386: second.dll: its entry point refused to attach (returned 0)\n");
    EXPECT_EQ(r.exit_code, 125);

    // The second DLL without the export the first forwards to.
    std::string without = kSecond;
    without.replace(without.find("second_value"), 12, "other_value");
    ASSERT_NO_FATAL_FAILURE(link_dll("second", without, ""));
    r = run_image(d, "program.exe");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "vyni386: program.exe: second.dll exports no second_value, to which first.dll forwards "
                     "forwarded_value\n");
    EXPECT_EQ(r.exit_code, 125);
}

}  // namespace
}  // namespace vyn::i386
