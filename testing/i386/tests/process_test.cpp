// How a process ends and what its exit code reads as; the instruction
// budget; the process heap's handle; standard input and bad buffers.
#include "testing/i386/tests/guest.h"

#include <gtest/gtest.h>

namespace vyn::i386 {
namespace {

using namespace test;

// Exits with the number its last argument gives (decimal, may wrap).
const char* kExitWith = R"(
int main(void)
{
    const char* line = GetCommandLineA();
    const char* last = line;
    for (const char* p = line; *p; ++p)
        if (*p == ' ') last = p + 1;
    unsigned code = 0;
    for (; *last >= '0' && *last <= '9'; ++last) code = code * 10 + (unsigned)(*last - '0');
    put("ending\n");
    ExitProcess(code);
    return 1;
}
)";

// The program's own entry point returns a value: the process ends with it.
const char* kReturningEntry = R"(
int start(void)
{
    put("returning\n");
    return 42;
}
)";

const char* kLoop = R"(
int main(void)
{
    for (volatile int i = 0;; ++i) {}
}
)";

const char* kHeapAndInput = R"(
static void check(int ok, const char* what) { if (!ok) { put("failed: "); put(what); put("\n"); } }
int main(void)
{
    char* heap = GetProcessHeap();
    char* block = HeapAlloc(heap, 0, 16);
    check(block && block != heap, "a block is not the heap's handle");
    check(heap + 16 <= block || heap >= block + 16, "the handle lies outside the block");
    char* second = HeapAlloc(heap, 0, 16);
    check(second && second != heap && second != block, "a second block");
    void* in = GetStdHandle((unsigned long)-10);
    unsigned long got = 99;
    check(!ReadFile(in, (void*)0x10, 8, &got, 0) && GetLastError() == 998, "unmapped buffer refused");
    check(!ReadFile(in, (void*)&main, 8, &got, 0) && GetLastError() == 998, "code as a buffer refused");
    static char buffer[8];
    check(ReadFile(in, buffer, 7, &got, 0) && got == 3, "input kept for a good buffer");
    put(buffer);
    put("\n");
    return 0;
}
)";

TEST(I386Process, ExitCodesReadAsWhatTheProgramGave)
{
    struct Case {
        const char* code;
        int status;
        const char* error;
    };
    const Case cases[] = {
        {"0", 0, ""},
        {"7", 7, ""},
        {"255", 255, ""},
        // Codes a process status cannot carry: never 0, never vyni386's own 125.
        {"256", 124, "vyni386: exit code 256 (0x00000100)\n"},
        {"125", 124, "vyni386: exit code 125 (0x0000007d)\n"},
        {"4294967295", 124, "vyni386: exit code 4294967295 (0xffffffff)\n"},
        {"3221225477", 124, "vyni386: exit code 3221225477 (0xc0000005)\n"},
    };
    LinkDir d;
    build(d, {{"exit.obj", kExitWith}}, "exit.exe");
    for (const Case& c : cases) {
        RunResult r = run_image(d, "exit.exe", std::string(" ") + c.code);
        EXPECT_EQ(r.out, "ending\n") << c.code;
        EXPECT_EQ(r.err, c.error) << c.code;
        EXPECT_EQ(r.exit_code, c.status) << c.code;
    }
    RunResult printed = run_image(d, "exit.exe", " 7", "", "--exit-code");
    EXPECT_EQ(printed.err, "vyni386: exit code 7 (0x00000007)\n");
    EXPECT_EQ(printed.exit_code, 7);
}

TEST(I386Process, ReturningFromTheEntryPointEndsTheProcessWithTheValue)
{
    LinkDir d;
    build_with_lld(d, {{"start.obj", kReturningEntry}}, "/entry:start", "start.exe");
    RunResult r = run_image(d, "start.exe");
    EXPECT_EQ(r.out, "returning\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exit_code, 42);
}

// The default budget ends a runaway program within seconds; --budget sets
// another, and a bad one is refused.
TEST(I386Process, BudgetStopsARunawayProgram)
{
    LinkDir d;
    build(d, {{"loop.obj", kLoop}}, "loop.exe");
    RunResult set = run_image(d, "loop.exe", "", "", "--budget 100000");
    EXPECT_EQ(set.err, "vyni386: instruction budget of 100000 spent\n");
    EXPECT_EQ(set.exit_code, 125);
    RunResult by_default = run_image(d, "loop.exe");
    EXPECT_EQ(by_default.err, "vyni386: instruction budget of 200000000 spent\n");
    EXPECT_EQ(by_default.exit_code, 125);
    RunResult bad = run_image(d, "loop.exe", "", "", "--budget 12x");
    EXPECT_EQ(bad.err, "vyni386: --budget needs a positive number of instructions, not '12x'\n");
    EXPECT_EQ(bad.exit_code, 125);
}

TEST(I386Process, HeapHandleAndBadReadBuffersLeaveBlocksAndInputAlone)
{
    LinkDir d;
    build(d, {{"heap.obj", kHeapAndInput}}, "heap.exe");
    RunResult r = run_image(d, "heap.exe", "", "abc");
    EXPECT_EQ(r.out, "abc\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exit_code, 0);
}

}  // namespace
}  // namespace vyn::i386
