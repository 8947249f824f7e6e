// Programs compiled by clang for the i686 MSVC target, linked by vynlnk (and
// by lld-link as the oracle), run by vyni386; and images the loader must
// refuse with a message rather than crash on.
#include "testing/i386/machine.h"
#include "testing/i386/tests/guest.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

namespace vyn::i386 {
namespace {

using lnk::test::quote;
using lnk::test::run_command;
using namespace test;

const char* kHello = R"(
int main(void)
{
    unsigned long written = 0;
    WriteFile(GetStdHandle((unsigned long)-11), "hello\n", 6, &written, 0);
    return written == 6 ? 3 : 1;
}
)";

// Global data, bss, a table of function pointers, string constants and a
// static of another module, all reached through relocated addresses.
const char* kSortMain = R"(
extern int count_call(void);
extern const char* const names[];
int data[] = {42, 7, 19, 3, 88, 61, 5, 23, 14, 70};
static int scratch[64];
static int less(int a, int b) { count_call(); return a < b; }
static int greater(int a, int b) { count_call(); return a > b; }
typedef int (*Order)(int, int);
Order orders[] = {less, greater};
static void sort(int* v, int n, Order before)
{
    for (int i = 1; i < n; ++i)
        for (int j = i; j > 0 && before(v[j], v[j - 1]); --j) {
            int t = v[j]; v[j] = v[j - 1]; v[j - 1] = t;
        }
}
int main(void)
{
    unsigned checksum = 0;
    for (int o = 0; o < 2; ++o) {
        for (int i = 0; i < 10; ++i) scratch[i] = data[i];
        sort(scratch, 10, orders[o]);
        put(names[o]);
        for (int i = 0; i < 10; ++i) {
            put(" ");
            put_number(scratch[i]);
            checksum = checksum * 31 + scratch[i];
        }
        put("\n");
    }
    int* block = HeapAlloc(GetProcessHeap(), 8, 40 * sizeof(int));
    for (int i = 0; i < 40; ++i) block[i] += i * i;
    for (int i = 0; i < 40; ++i) checksum += block[i];
    HeapFree(GetProcessHeap(), 0, block);
    put("checksum ");
    put_number(checksum);
    put("\ncalls ");
    put_number(count_call());
    put("\n");
    return checksum % 100;
}
)";

const char* kSortTable = R"(
static int calls;
int count_call(void) { return ++calls; }
const char* const names[] = {"ascending", "descending"};
)";

const char* kUnimplemented = R"(
int main(void)
{
    put("before\n");
    return (int)GetCurrentProcessId();
}
)";

// Echoes the command line and then standard input, upper-cased.
const char* kEcho = R"(
int main(void)
{
    char buffer[64];
    unsigned long got;
    put(GetCommandLineA());
    put("|");
    while (ReadFile(GetStdHandle((unsigned long)-10), buffer, sizeof buffer, &got, 0) && got) {
        for (unsigned long i = 0; i < got; ++i)
            if (buffer[i] >= 'a' && buffer[i] <= 'z') buffer[i] -= 32;
        WriteFile(GetStdHandle((unsigned long)-11), buffer, got, &got, 0);
    }
    return 0;
}
)";

// Each system function's results as the program sees them; a failed check
// names itself on standard output.
const char* kSystemFunctions = R"(
static void check(int ok, const char* what) { if (!ok) { put("failed: "); put(what); put("\n"); } }
int main(void)
{
    unsigned long n = 0;
    SetLastError(1234);
    check(GetLastError() == 1234, "last error kept");
    check((unsigned long)GetModuleHandleA(0) == ((unsigned long)&main & 0xFFFF0000), "module handle is the image");
    check(GetModuleHandleA("nosuch.dll") == 0 && GetLastError() == 126, "unknown module");
    void* heap = GetProcessHeap();
    char* a = HeapAlloc(heap, 0, 100);
    char* b = HeapAlloc(heap, 8, 100);
    check(a && b && (b >= a + 100 || a >= b + 100), "blocks apart");
    int zero = 1;
    for (int i = 0; i < 100; ++i) zero &= b[i] == 0;
    check(zero, "zeroed block");
    for (int i = 0; i < 100; ++i) a[i] = (char)i;
    check(HeapFree(heap, 0, a), "free");
    check(!HeapFree(heap, 0, a), "second free refused");
    unsigned long t0 = GetTickCount(), t1 = GetTickCount();
    check(t1 - t0 < 1000, "tick count steady");
    check(!WriteFile((void*)0x1234, "x", 1, &n, 0) && GetLastError() == 6, "bad handle refused");
    check(WriteFile(GetStdHandle((unsigned long)-12), "to stderr\n", 10, &n, 0) && n == 10, "standard error");
    put("done\n");
    return 0;
}
)";

const char* kFault = R"(
int main(void)
{
    put("before\n");
    *(volatile int*)0x10 = 1;
    return 0;
}
)";

const char* kLoop = R"(
int main(void)
{
    for (volatile int i = 0;; ++i) {}
}
)";

TEST(I386Machine, HelloWritesToStandardOutputAndReturnsItsExitCode)
{
    LinkDir d;
    build(d, {{"hello.obj", kHello}}, "hello.exe");
    RunResult r = run_image(d, "hello.exe");
    EXPECT_EQ(r.out, "hello\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exit_code, 3);
}

TEST(I386Machine, RelocatedProgramRunsAsTheReferenceLinkersImageDoes)
{
    LinkDir d;
    build(d, {{"main.obj", kSortMain}, {"table.obj", kSortTable}}, "ours.exe");
    build_with_lld(d, {{"main.obj", kSortMain}, {"table.obj", kSortTable}}, "", "ref.exe");

    RunResult ours = run_image(d, "ours.exe"), reference = run_image(d, "ref.exe");
    EXPECT_EQ(ours.err, "");
    EXPECT_EQ(reference.err, "");
    EXPECT_EQ(ours.out, reference.out);
    EXPECT_EQ(ours.exit_code, reference.exit_code);
    // Both images must have done the work, not merely failed alike.
    EXPECT_NE(ours.out.find("ascending 3 5 7 14 19 23 42 61 70 88\n"
                            "descending 88 70 61 42 23 19 14 7 5 3\n"),
              std::string::npos)
        << ours.out;
    EXPECT_NE(ours.out.find("\ncalls "), std::string::npos) << ours.out;
    EXPECT_NE(ours.exit_code, 125);
}

TEST(I386Machine, CommandLineAndStandardInputReachTheProgram)
{
    LinkDir d;
    build(d, {{"echo.obj", kEcho}}, "echo.exe");
    RunResult r = run_image(d, "echo.exe", " one 'two words'", "some input\nmore\n");
    EXPECT_EQ(r.out, "echo.exe one \"two words\"|SOME INPUT\nMORE\n");
    EXPECT_EQ(r.exit_code, 0) << r.err;
}

TEST(I386Machine, SystemFunctionsBehaveAsTheProgramExpects)
{
    LinkDir d;
    build(d, {{"system.obj", kSystemFunctions}}, "system.exe");
    RunResult r = run_image(d, "system.exe");
    EXPECT_EQ(r.out, "done\n");
    EXPECT_EQ(r.err, "to stderr\n");
    EXPECT_EQ(r.exit_code, 0);
}

// Programs that stop the machine: the message names the cause, and vyni386
// keeps what the program wrote before it.
TEST(I386Machine, StopsAreReportedWithTheirCause)
{
    struct Case {
        const char* name;
        const char* source;
        const char* message;
    };
    const Case cases[] = {
        {"unimplemented", kUnimplemented, "vyni386: unimplemented import KERNEL32.dll!GetCurrentProcessId\n"},
        {"fault", kFault, "vyni386: fault at 0x00000010\n"},
    };
    LinkDir d;
    for (const Case& c : cases) {
        std::string image = std::string(c.name) + ".exe";
        build(d, {{std::string(c.name) + ".obj", c.source}}, image);
        RunResult r = run_image(d, image);
        EXPECT_EQ(r.out, "before\n") << c.name;
        EXPECT_EQ(r.err, c.message) << c.name;
        EXPECT_EQ(r.exit_code, 125) << c.name;
    }
}

TEST(I386Machine, BudgetStopsARunawayProgramAndTheRunCanGoOn)
{
    LinkDir d;
    build(d, {{"loop.obj", kLoop}}, "loop.exe");
    BufferConsole console;
    Machine machine(console);
    ASSERT_TRUE(machine.load(read_bytes(d.file("loop.exe")), "loop.exe")) << machine.error();
    StopResult first = machine.run(10000);
    EXPECT_EQ(first.kind, StopKind::Budget);
    EXPECT_EQ(first.instructions, 10000u);
    StopResult second = machine.run(5000);
    EXPECT_EQ(second.kind, StopKind::Budget);
    EXPECT_EQ(second.instructions, 15000u);
}

void put_u16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v)
{
    b.at(at) = static_cast<std::uint8_t>(v);
    b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}

void put_u32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v)
{
    put_u16(b, at, static_cast<std::uint16_t>(v));
    put_u16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

std::uint32_t get_u32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b.at(at) | (b.at(at + 1) << 8) | (b.at(at + 2) << 16) | (std::uint32_t(b.at(at + 3)) << 24);
}

// Each damage of a good image and the loader's complaint about it.
TEST(I386Machine, DamagedImagesAreRefusedWithAMessage)
{
    LinkDir d;
    build(d, {{"hello.obj", kHello}}, "hello.exe");
    const std::vector<std::uint8_t> good = read_bytes(d.file("hello.exe"));
    ASSERT_GT(good.size(), 0x200u);
    const std::size_t pe = get_u32(good, 0x3C), optional = pe + 24;
    const std::size_t sections = optional + (good.at(pe + 20) | (good.at(pe + 21) << 8));
    // The file may go on after the sections (a symbol table); cut into the
    // last section's raw data instead.
    const std::size_t last = sections + 40 * ((good.at(pe + 6) | (good.at(pe + 7) << 8)) - 1);
    const std::size_t last_data_end = get_u32(good, last + 20) + get_u32(good, last + 16);
    struct Case {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> damage;
        const char* message;
    };
    const Case cases[] = {
        {"empty", [](auto& b) { b.clear(); }, "no MZ signature"},
        {"DOS header only", [](auto& b) { b.resize(0x40); }, "no PE signature"},
        {"PE offset past the end", [](auto& b) { put_u32(b, 0x3C, 0x7FFFFFF0); }, "no PE signature"},
        {"cut in the optional header", [&](auto& b) { b.resize(optional + 40); }, "truncated optional header"},
        {"cut in the section data", [&](auto& b) { b.resize(last_data_end - 0x10); }, "beyond the end of the file"},
        {"other machine", [&](auto& b) { put_u16(b, pe + 4, 0x8664); }, "machine 0x8664 is not the i386"},
        {"PE32+ magic", [&](auto& b) { put_u16(b, optional, 0x20B); }, "not PE32"},
        {"huge image", [&](auto& b) { put_u32(b, optional + 56, 0xFFFFF000); }, "implausible size of image"},
        {"entry outside", [&](auto& b) { put_u32(b, optional + 16, 0x7FFFFFFF); }, "entry point"},
        {"section outside", [&](auto& b) { put_u32(b, sections + 12, 0x7FFF0000); }, "lies outside the image"},
        {"section data pointer", [&](auto& b) { put_u32(b, sections + 20, 0xFFFFFF00); }, "beyond the end of the file"},
        {"import directory outside", [&](auto& b) { put_u32(b, optional + 96 + 8, 0x7FFFFFF0); },
         "import directory runs off the image"},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> bad = good;
        c.damage(bad);
        BufferConsole console;
        Machine machine(console);
        EXPECT_FALSE(machine.load(bad, "bad.exe")) << c.what;
        EXPECT_NE(machine.error().find(c.message), std::string::npos) << c.what << ": " << machine.error();
    }
    BufferConsole console;
    Machine machine(console);
    EXPECT_TRUE(machine.load(good, "hello.exe")) << machine.error();
}

TEST(I386Machine, TruncatedImageFileIsReportedByTheProgram)
{
    LinkDir d;
    build(d, {{"hello.obj", kHello}}, "hello.exe");
    std::vector<std::uint8_t> bytes = read_bytes(d.file("hello.exe"));
    bytes.resize(bytes.size() / 3);
    d.write_text("cut.exe", std::string(bytes.begin(), bytes.end()));
    RunResult r = run_image(d, "cut.exe");
    EXPECT_EQ(r.exit_code, 125);
    EXPECT_EQ(r.err.rfind("vyni386: cut.exe: ", 0), 0u) << r.err;
    EXPECT_EQ(r.out, "");
}

}  // namespace
}  // namespace vyn::i386
