// The loader as programs from clang, mingw-w64 and the kit rely on it: an
// image moved by its base relocations when its base is taken, TLS blocks and
// callbacks, the thread block behind FS, the header's stack reserve, user
// mode and the sections' page protections.
#include "testing/i386/tests/guest.h"

#include <gtest/gtest.h>

namespace vyn::i386 {
namespace {

using namespace test;

// Global data, a table of function pointers and string constants, all
// reached through addresses the base relocations fix.
const char* kRelocated = R"(
static int less(int a, int b) { return a < b; }
static int greater(int a, int b) { return a > b; }
typedef int (*Order)(int, int);
Order orders[] = {less, greater};
const char* names[] = {"less", "greater"};
int values[] = {5, 3, 9};
int main(void)
{
    for (int o = 0; o < 2; ++o) {
        put(names[o]);
        for (int i = 0; i < 3; ++i) {
            put(" ");
            put_number(orders[o](values[i], 4));
        }
        put("\n");
    }
    put((unsigned long)GetModuleHandleA(0) == 0x20000000 ? "at its base\n" : "moved\n");
    return 0;
}
)";

// A TLS callback and a thread variable, with the directory a C runtime
// would provide.
const char* kTls = R"(
__asm__(".globl __tls_array\n.set __tls_array, 44");
#pragma section(".tls", read, write)
#pragma section(".tls$ZZZ", read, write)
#pragma section(".CRT$XLA", long, read)
#pragma section(".CRT$XLB", long, read)
#pragma section(".CRT$XLZ", long, read)
typedef void (__stdcall *TlsCallback)(void*, unsigned long, void*);
unsigned long _tls_index;
__declspec(allocate(".tls")) char _tls_start = 0;
__declspec(allocate(".tls$ZZZ")) char _tls_end = 0;
__declspec(allocate(".CRT$XLA")) TlsCallback __xl_a = 0;
__declspec(allocate(".CRT$XLZ")) TlsCallback __xl_z = 0;
const struct { unsigned long start, end, index, callbacks, zero_fill, flags; } _tls_used = {
    (unsigned long)&_tls_start, (unsigned long)&_tls_end, (unsigned long)&_tls_index,
    (unsigned long)(&__xl_a + 1), 0, 0};
__declspec(thread) int counter = 5;
__declspec(thread) int zeroed[100];
static void* attached_module;
static unsigned long attached_reason;
static void __stdcall on_tls(void* module, unsigned long reason, void* reserved)
{
    if (reason == 1) { attached_module = module; attached_reason = reason; }
    if (reason == 0) put("detached\n");
}
__declspec(allocate(".CRT$XLB")) TlsCallback callback = on_tls;
int main(void)
{
    put(attached_module == GetModuleHandleA(0) && attached_reason == 1 ? "attached\n" : "not attached\n");
    put("counter ");
    put_number(counter);
    counter++;
    put(" ");
    put_number(counter);
    put(zeroed[99] == 0 ? " zero\n" : " garbage\n");
    return (int)_tls_index;
}
)";

const char* kThreadBlock = R"(
static unsigned long fs(unsigned long offset)
{
    unsigned long value;
    __asm__ volatile("movl %%fs:(%1), %0" : "=r"(value) : "r"(offset));
    return value;
}
static void check(int ok, const char* what) { if (!ok) { put("failed: "); put(what); put("\n"); } }
int main(void)
{
    int local = 0;
    unsigned long* self = (unsigned long*)fs(0x18);
    check(self[0x30 / 4] == fs(0x30), "self pointer leads to the block");
    check(fs(0) == 0xFFFFFFFF, "exception chain ends");
    check(fs(4) > (unsigned long)&local && fs(8) <= (unsigned long)&local, "stack bounds");
    check(fs(4) - fs(8) == 0x300000, "stack reserve of the header");
    unsigned long* process = (unsigned long*)fs(0x30);
    check(process[2] == (unsigned long)GetModuleHandleA(0), "process block names the image");
    check(process[6] == (unsigned long)GetProcessHeap(), "process block names the heap");
    SetLastError(77);
    check(fs(0x34) == 77, "last error in the thread block");
    put("done\n");
    return 0;
}
)";

// About 2 MB of stack, more than the default reserve.
const char* kDeepRecursion = R"(
static int deep(int n)
{
    volatile char frame[1000];
    frame[0] = (char)n;
    return n == 0 ? 0 : 1 + deep(n - 1) + frame[0] - (char)n;
}
int main(void)
{
    put_number(deep(2000));
    put("\n");
    return 0;
}
)";

const char* kPrivileged = R"(
int main(void)
{
    put("before\n");
    __asm__ volatile("cli");
    put("after\n");
    return 0;
}
)";

const char* kWriteCode = R"(
int main(void)
{
    put("before\n");
    *(volatile unsigned char*)&main = 0xC3;
    put("after\n");
    return 0;
}
)";

const char* kRunData = R"(
unsigned char code[] = {0xB8, 0x07, 0, 0, 0, 0xC3};
int main(void)
{
    put("before\n");
    int value = ((int (*)(void))code)();
    put("after\n");
    return value;
}
)";

TEST(I386Loader, ImageWhoseBaseIsTakenIsMovedByItsRelocations)
{
    LinkDir d;
    // 0x20000000 is where the machine keeps its heap.
    build_with_lld(d, {{"moved.obj", kRelocated}}, "/base:0x20000000", "moved.exe");
    build_with_lld(d, {{"fixed.obj", kRelocated}}, "/base:0x20000000 /fixed", "fixed.exe");
    RunResult moved = run_image(d, "moved.exe");
    EXPECT_EQ(moved.out, "less 0 1 0\ngreater 1 0 1\nmoved\n");
    EXPECT_EQ(moved.err, "");
    EXPECT_EQ(moved.exit_code, 0);
    RunResult fixed = run_image(d, "fixed.exe");
    EXPECT_EQ(fixed.out, "");
    EXPECT_EQ(fixed.err, "vyni386: fixed.exe: image base 0x20000000 is taken and the image has no relocations\n");
    EXPECT_EQ(fixed.exit_code, 125);
}

TEST(I386Loader, TlsCallbacksRunAroundTheProgramAndThreadDataIsItsOwn)
{
    LinkDir d;
    build_with_lld(d, {{"tls.obj", kTls}}, "", "tls.exe");
    RunResult r = run_image(d, "tls.exe");
    EXPECT_EQ(r.out, "attached\ncounter 5 6 zero\ndetached\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exit_code, 0);
    // The same where the image had to move.
    build_with_lld(d, {{"tls.obj", kTls}}, "/base:0x20000000", "tls_moved.exe");
    RunResult moved = run_image(d, "tls_moved.exe");
    EXPECT_EQ(moved.out, r.out);
    EXPECT_EQ(moved.exit_code, 0) << moved.err;
}

TEST(I386Loader, ThreadBlockIsBehindFs)
{
    LinkDir d;
    build_with_lld(d, {{"teb.obj", kThreadBlock}}, "/stack:0x300000", "teb.exe");
    RunResult r = run_image(d, "teb.exe");
    EXPECT_EQ(r.out, "done\n");
    EXPECT_EQ(r.exit_code, 0) << r.err;
}

TEST(I386Loader, StackIsAsLargeAsTheHeaderReserves)
{
    LinkDir d;
    build_with_lld(d, {{"deep.obj", kDeepRecursion}}, "/stack:0x400000", "large.exe");
    build_with_lld(d, {{"deep.obj", kDeepRecursion}}, "", "small.exe");
    RunResult large = run_image(d, "large.exe");
    EXPECT_EQ(large.out, "2000\n");
    EXPECT_EQ(large.exit_code, 0) << large.err;
    RunResult small = run_image(d, "small.exe");
    EXPECT_EQ(small.out, "");
    EXPECT_NE(small.err.find("vyni386: fault at 0x7fb"), std::string::npos) << small.err;
    EXPECT_EQ(small.exit_code, 125);
}

// User mode and page protections: each program stops at its offence, after
// what it wrote before.
TEST(I386Loader, ProgramsRunInUserModeWithTheirSectionsProtections)
{
    struct Case {
        const char* name;
        const char* source;
        const char* message;
    };
    const Case cases[] = {
        {"privileged", kPrivileged, "vyni386: privileged instruction at 0x"},
        {"writecode", kWriteCode, " (writing a read-only page)\n"},
        {"rundata", kRunData, " (executing a page that is not executable)\n"},
    };
    LinkDir d;
    for (const Case& c : cases) {
        std::string image = std::string(c.name) + ".exe";
        build_with_lld(d, {{std::string(c.name) + ".obj", c.source}}, "", image);
        RunResult r = run_image(d, image);
        EXPECT_EQ(r.out, "before\n") << c.name;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << ": " << r.err;
        EXPECT_EQ(r.exit_code, 125) << c.name;
    }
}

}  // namespace
}  // namespace vyn::i386
