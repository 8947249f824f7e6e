// Real C programs on the emulated C library: compiled by clang for the
// mingw-w64 i686 target against its headers, linked against the Debian
// mingw-w64 import library for msvcrt.dll (by lld-link and by vynlnk, with
// a console start-up that calls __getmainargs, main and exit as the kit's
// does), run by vyni386, and compared with the same source built and run
// natively on the host. What the library prints its own way is checked
// against its own output.
#include "testing/i386/tests/guest.h"

#include <gtest/gtest.h>

namespace vyn::i386 {
namespace {

using lnk::test::mingw_lib;
using lnk::test::quote;
using lnk::test::run_command;
using namespace test;

// Headers as console programs get them: the library's own printf and
// strtod, not mingw-w64's replacements.
const char* kFlags = "-O1 -D__USE_MINGW_ANSI_STDIO=0 -D__NO_ISOCEXT";
const char* kTarget = "i686-w64-windows-gnu";

const char* kStartup = R"C(
extern int main(int, char**, char**);
__declspec(dllimport) void __cdecl __getmainargs(int*, char***, char***, int, void*);
__declspec(dllimport) void __cdecl __set_app_type(int);
__declspec(dllimport) void __cdecl exit(int);
void __main(void) {}
void mainCRTStartup(void)
{
    int argc, startup = 0;
    char** argv;
    char** env;
    __set_app_type(1);
    __getmainargs(&argc, &argv, &env, 0, &startup);
    exit(main(argc, argv, env));
}
)C";

// Formatted output, strings, memory, sorting, character classes, libm
// results as bits, setjmp/longjmp, sscanf, getenv, atexit.
const char* kTour = R"C(#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <math.h>
#include <setjmp.h>
#include <stdarg.h>
#include <ctype.h>
static jmp_buf jump;
static void deep(int n) { if (n == 0) longjmp(jump, 7); deep(n - 1); }
static int by_value(const void* a, const void* b) { return *(const int*)a - *(const int*)b; }
static int by_name(const void* a, const void* b) { return strcmp(*(const char* const*)a, *(const char* const*)b); }
static void say(const char* f, ...) { va_list ap; va_start(ap, f); vprintf(f, ap); va_end(ap); }
static void complain(const char* f, ...) { va_list ap; va_start(ap, f); vfprintf(stderr, f, ap); va_end(ap); }
static int into(char* buffer, const char* f, ...) { va_list ap; va_start(ap, f); int n = vsprintf(buffer, f, ap); va_end(ap); return n; }
static void bye1(void) { puts("bye 1"); }
static void bye2(void) { puts("bye 2"); }
static void bits(const char* name, double v) { unsigned long long b; memcpy(&b, &v, 8); printf("%s %08x%08x\n", name, (unsigned)(b >> 32), (unsigned)b); }
int main(int argc, char** argv)
{
    printf("args %d %s|%s\n", argc, argc > 1 ? argv[1] : "-", argc > 2 ? argv[2] : "-");
    printf("[%d] [%5d] [%-5d] [%05d] [%x] [%X] [%o] [%u] [%c] [%s] [%.3s] [%10.4f] [%g] [%lld] [%%]\n",
           -42, 42, 42, 42, 255, 255, 8, 3000000000u, 'z', "text", "abcdef", 3.14159265, 0.5, -1234567890123LL);
    char buffer[64];
    int n = sprintf(buffer, "%s-%d", "id", 17);
    printf("%s %d\n", buffer, n);
    say("say %d %s\n", 5, "five");
    complain("complain %s %d\n", "twice", 2);
    n = into(buffer, "[%6.2f|%-4s|%+d]", 2.71828, "ab", 9);
    printf("%s %d\n", buffer, n);
    putchar('x'); putchar('\n');
    fputs("fputs\n", stdout);
    fprintf(stderr, "to stderr %d\n", 3);
    char text[64] = "alpha,beta,,gamma";
    for (char* t = strtok(text, ","); t; t = strtok(NULL, ","))
        printf("token %s\n", t);
    char* end;
    long v = strtol("  -123xyz", &end, 10);
    printf("strtol %ld rest %s\n", v, end);
    printf("strtoul %lu %lu\n", strtoul("0x1F", NULL, 16), strtoul("777", NULL, 8));
    printf("atoi %d atof %.2f strtod %.3f\n", atoi("99 red"), atof("2.5"), strtod("1e3", NULL));
    char* copy = strdup("duplicate");
    copy[0] = 'D';
    printf("%s %u %d %d %d\n", copy, (unsigned)strlen(copy), strcmp("a", "b") < 0, strncmp("abc", "abd", 2), strcmp("abc", "abc"));
    printf("%s %s %s\n", strchr("hello", 'l'), strrchr("hello", 'l'), strstr("haystack", "st"));
    free(copy);
    int* numbers = malloc(5 * sizeof(int));
    int values[] = {42, 7, 19, 3, 88};
    memcpy(numbers, values, sizeof values);
    numbers = realloc(numbers, 10 * sizeof(int));
    memmove(numbers + 1, numbers, 5 * sizeof(int));
    qsort(numbers, 6, sizeof(int), by_value);
    for (int i = 0; i < 6; ++i) printf(" %d", numbers[i]);
    int key = 19;
    int* found = bsearch(&key, numbers, 6, sizeof(int), by_value);
    printf(" found at %d\n", found ? (int)(found - numbers) : -1);
    free(numbers);
    const char* names[] = {"pear", "apple", "fig", "banana"};
    qsort(names, 4, sizeof names[0], by_name);
    printf("%s %s %s %s\n", names[0], names[1], names[2], names[3]);
    int* zeros = calloc(4, sizeof(int));
    printf("calloc %d %d\n", zeros[0], zeros[3]);
    memset(zeros, 0xAB, 4);
    printf("memset %x memcmp %d memchr %d\n", zeros[0], memcmp("abc", "abd", 3) < 0, (int)((char*)memchr("abcdef", 'd', 6) - "abcdef"));
    int letters = 0, digits = 0, spaces = 0, upper = 0;
    for (const char* p = "Hello World 2024!"; *p; ++p) {
        letters += isalpha(*p) != 0; digits += isdigit(*p) != 0; spaces += isspace(*p) != 0; upper += isupper(*p) != 0;
    }
    printf("ctype %d %d %d %d %c%c\n", letters, digits, spaces, upper, toupper('q'), tolower('Q'));
    bits("sin", sin(0.5)); bits("cos", cos(0.5)); bits("tan", tan(0.5)); bits("atan", atan(0.5));
    bits("atan2", atan2(1.0, -2.0)); bits("exp", exp(1.7)); bits("log", log(10.0)); bits("log10", log10(7.0));
    bits("pow", pow(2.5, 3.3)); bits("sqrt", sqrt(2.0)); bits("floor", floor(-2.5)); bits("ceil", ceil(-2.5));
    bits("fabs", fabs(-3.25)); bits("fmod", fmod(10.5, 3.0));
    int got = setjmp(jump);
    if (got == 0) deep(5);
    printf("longjmp %d\n", got);
    int a = 0, b = 0; char word[16]; double d = 0; unsigned hex = 0;
    int fields = sscanf("12 -7 word 3.25 ff", "%d %d %15s %lf %x", &a, &b, word, &d, &hex);
    printf("sscanf %d: %d %d %s %.2f %u\n", fields, a, b, word, d, hex);
    const char* home = getenv("VYN_CRT_VALUE");
    printf("getenv %s %s\n", home ? home : "(none)", getenv("VYN_NO_SUCH_VARIABLE") ? "set" : "unset");
    atexit(bye1);
    atexit(bye2);
    return 3;
}
)C";

const char* kFiles = R"C(
#include <stdio.h>
#include <string.h>
int main(void)
{
    FILE* f = fopen("data.txt", "w");
    if (!f) { puts("no file"); return 1; }
    fprintf(f, "line %d\n", 1);
    fputs("line two\n", f);
    fputc('3', f);
    putc('\n', f);
    fclose(f);
    f = fopen("data.txt", "r");
    char line[32];
    while (fgets(line, sizeof line, f)) printf("read: %s", line);
    printf("eof %d error %d\n", feof(f) != 0, ferror(f) != 0);
    fseek(f, 5, SEEK_SET);
    long at = ftell(f);
    int c = fgetc(f);
    printf("at %ld char %c\n", at, c);
    ungetc('Z', f);
    at = ftell(f);
    c = getc(f);
    printf("ungot %c at %ld then %ld\n", c, at, ftell(f));
    rewind(f);
    int n = 0;
    char word[16];
    int fields = fscanf(f, "%15s %d", word, &n);
    printf("fscanf %d %s %d\n", fields, word, n);
    fclose(f);
    unsigned char block[300];
    for (int i = 0; i < 300; ++i) block[i] = (unsigned char)(i * 7);
    f = fopen("block.bin", "wb");
    printf("fwrite %u\n", (unsigned)fwrite(block, 3, 100, f));
    fclose(f);
    memset(block, 0, sizeof block);
    f = fopen("block.bin", "rb");
    unsigned items = (unsigned)fread(block, 7, 50, f);
    unsigned sum = 0;
    for (int i = 0; i < 300; ++i) sum = sum * 3 + block[i];
    printf("fread %u eof %d sum %u\n", items, feof(f) != 0, sum);
    fclose(f);
    printf("rename %d\n", rename("block.bin", "moved.bin"));
    printf("open old %s\n", fopen("block.bin", "rb") ? "yes" : "no");
    int removed = remove("moved.bin");
    printf("remove %d %d\n", removed, remove("moved.bin") != 0);
    FILE* t = tmpfile();
    fputs("scratch", t);
    rewind(t);
    char back[16];
    printf("tmpfile %s\n", fgets(back, sizeof back, t));
    fclose(t);
    printf("missing %s\n", fopen("no/such/file.txt", "r") ? "opened" : "NULL");
    fflush(stdout);
    return 0;
}
)C";

// Standard input through fgets, scanf and getchar.
const char* kInput = R"C(
#include <stdio.h>
int main(void)
{
    char line[16];
    if (fgets(line, sizeof line, stdin)) printf("first line [%s]\n", line);
    int a = 0, b = 0;
    int n = scanf("%d %d", &a, &b);
    printf("scanf %d: %d %d\n", n, a, b);
    char word[8];
    while (scanf("%7s", word) == 1 && word[0] != '.') printf("word [%s]\n", word);
    int c, count = 0;
    while ((c = getchar()) != EOF) { putchar(c >= 'a' && c <= 'z' ? c - 32 : c); ++count; }
    printf("%d rest, scanf at end %d\n", count, scanf("%d", &a));
    return 0;
}
)C";

// What this library prints its own way: three-digit exponents, pointers,
// infinities and NaNs, _snprintf's truncation, its random numbers and
// character class bits; and the FPU's rounding and precision as
// _controlfp sets them.
const char* kOwnWays = R"C(
#include <stdio.h>
#include <stdlib.h>
#include <ctype.h>
#include <float.h>
#include <string.h>
int main(void)
{
    volatile double zero = 0.0;
    printf("%e|%G|%5.1e|%p\n", 1000.0, 1e-10, 123.0, (void*)0x1234);
    printf("%f|%f|%f\n", 1.0 / zero, -1.0 / zero, zero / zero);
    char b[8] = "-------";
    int r = _snprintf(b, 4, "%s", "abcdef");
    printf("%d %s\n", r, b);
    srand(1);
    int x = rand(), y = rand(), z = rand();
    printf("%d %d %d %I64d\n", x, y, z, -5000000000LL);
    printf("%d %d %d %d\n", isalpha('a'), isdigit('5'), isupper('A'), isspace('\t'));
    volatile double two = 2.0, three = 3.0;
    double nearest = two / three;
    unsigned start = _controlfp(0, 0);
    _controlfp(_RC_UP, _MCW_RC);
    double up = two / three;
    _controlfp(_RC_NEAR | _PC_24, _MCW_RC | _MCW_PC);
    double single = two / three;
    unsigned now = _controlfp(_PC_53, _MCW_PC);
    unsigned bits[6];
    memcpy(bits, &nearest, 8);
    memcpy(bits + 2, &up, 8);
    memcpy(bits + 4, &single, 8);
    printf("%08x %08x %08x%08x %08x%08x %08x%08x\n", start, now, bits[1], bits[0], bits[3], bits[2], bits[5], bits[4]);
    return 0;
}
)C";

// Broken-down times, their formatting and normalisation (in UTC, given
// to both builds), and a clock that runs.
const char* kTimes = R"C(
#include <stdio.h>
#include <string.h>
#include <time.h>
int main(void)
{
    time_t moment = 1700000000;
    struct tm* t = gmtime(&moment);
    printf("gmtime %d-%02d-%02d %02d:%02d:%02d wday %d yday %d\n", t->tm_year + 1900, t->tm_mon + 1, t->tm_mday,
           t->tm_hour, t->tm_min, t->tm_sec, t->tm_wday, t->tm_yday);
    char text[64];
    size_t n = strftime(text, sizeof text, "%Y/%m/%d %H.%M.%S %j", t);
    printf("strftime %u [%s] %u\n", (unsigned)n, text, (unsigned)strftime(text, 5, "%Y-%m-%d", t));
    printf("asctime %s", asctime(t));
    struct tm later = *localtime(&moment);
    later.tm_mday += 40;
    time_t moved = mktime(&later);
    printf("mktime %lld month %d day %d difftime %.1f\n", (long long)moved, later.tm_mon, later.tm_mday,
           difftime(moved, moment));
    time_t now = time(NULL);
    clock_t c0 = clock();
    volatile unsigned spin = 0;
    for (unsigned i = 0; i < 300000; ++i) spin += i;
    printf("now %s clock %s\n", now > moment ? "later" : "earlier", clock() >= c0 ? "runs" : "goes back");
    return 0;
}
)C";

const char* kUnserved = R"C(
#include <stdio.h>
#include <stdlib.h>
int main(void)
{
    puts("before");
    return system("echo from the host");
}
)C";

// Bad pointers and counts given to the library: each ends the run with an
// access violation, as the real library would, and costs the host nothing.
const char* kBadPointer = R"C(
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
static int order(const void* a, const void* b) { return *(const char*)a - *(const char*)b; }
int main(int argc, char** argv)
{
    char small[8];
    puts("before");
    switch (argv[1][0]) {
    case 's': return (int)strlen((const char*)(argc * 8));
    case 'n': strncpy(small, "x", 0xFFFFFFF0u); break;
    case 'q': qsort(small, 0x7FFFFFFF, 4, order); break;
    case 'r': fread(small, 1, 0xFFFFFF00u, stdin); break;
    case 'p': printf("%s", (const char*)0x30); break;
    }
    puts("after");
    return 0;
}
)C";

// The start-up and exit functions as a C run-time's start-up uses them:
// initialiser tables with gaps, _onexit and atexit handlers run last first
// by _cexit and exit, and a heap that reuses what is freed.
const char* kStartAndEnd = R"C(
#include <stdio.h>
#include <stdlib.h>
typedef void (*Initialiser)(void);
typedef int (*OnExit)(void);
__declspec(dllimport) void __cdecl _initterm(Initialiser*, Initialiser*);
__declspec(dllimport) OnExit __cdecl _onexit(OnExit);
__declspec(dllimport) void __cdecl _cexit(void);
static void first(void) { puts("initialiser 1"); }
static void second(void) { puts("initialiser 2"); }
static int on_exit_a(void) { puts("onexit a"); return 0; }
static int on_exit_b(void) { puts("onexit b"); return 0; }
static void at_exit(void) { puts("atexit"); }
static Initialiser table[] = {first, 0, second};
int main(int argc, char** argv)
{
    _initterm(table, table + 3);
    printf("__argc %d, __argv[0] %s, environment %s\n", __argc, __argv[0], _environ[0] ? "given" : "empty");
    unsigned long total = 0;
    for (int i = 0; i < 4000; ++i) {
        char* block = malloc(100000);
        if (!block) { puts("heap exhausted"); return 1; }
        block[99999] = (char)i;
        total += 100000;
        free(block);
    }
    printf("allocated %lu bytes in turn\n", total);
    _onexit(on_exit_a);
    _onexit(on_exit_b);
    if (argc > 1 && argv[1][0] == 'c') {
        _cexit();
        puts("after _cexit");
        return 0;
    }
    if (argc > 1 && argv[1][0] == 'a') {
        puts("aborting");
        abort();
    }
    if (argc > 1 && argv[1][0] == 'q') {
        puts("quick");
        _exit(9);
    }
    atexit(at_exit);
    exit(5);
}
)C";

// Helpers an MSVC-target compiler calls in the library: 64-bit division
// and remainder, and the stack probe of a large frame.
const char* kCompilerHelpers = R"C(
__declspec(dllimport) int __cdecl printf(const char*, ...);
__declspec(dllimport) long __cdecl strtol(const char*, char**, int);
static long long quotient(long long a, long long b) { return a / b; }
static long long remainder_of(long long a, long long b) { return a % b; }
static unsigned long long unsigned_quotient(unsigned long long a, unsigned long long b) { return a / b; }
static unsigned long long unsigned_remainder(unsigned long long a, unsigned long long b) { return a % b; }
static int frame(int size)
{
    volatile char bytes[200000];
    bytes[size] = (char)size;
    bytes[0] = 1;
    return bytes[size] + bytes[0];
}
static int huge_frame(int size)
{
    volatile char bytes[3000000];
    bytes[size] = 1;
    return bytes[size];
}
int main(int argc, char** argv)
{
    long long divisor = strtol(argv[1], 0, 10);
    printf("%lld %lld %llu %llu\n", quotient(-7000000000001LL, divisor), remainder_of(-7000000000001LL, divisor),
           unsigned_quotient(18000000000000000000ULL, (unsigned long long)divisor),
           unsigned_remainder(18000000000000000000ULL, (unsigned long long)divisor));
    printf("frame %d\n", frame(argc > 2 ? 2 : argc));
    if (argc > 2) printf("huge %d\n", huge_frame(argc));
    return 0;
}
)C";

// The objects of a C program and its start-up, compiled for the target.
struct CrtProgram {
    std::vector<std::string> objects;
};

CrtProgram compile_program(const LinkDir& d, const std::string& name, const char* source)
{
    CrtProgram p;
    p.objects.push_back(d.compile(name + "_start.obj", kStartup, kTarget, kFlags));
    p.objects.push_back(d.compile(name + ".obj", source, kTarget, kFlags));
    return p;
}

// msvcrt.dll exports that the mingw-w64 import library has no call thunks
// for (its own library replaces them): an import library of our own.
std::string extra_imports(const LinkDir& d)
{
    d.write_text("extra.def", "LIBRARY msvcrt.dll\nEXPORTS\natan2\natexit\n_alldiv\n_allrem\n_aulldiv\n_aullrem\n_chkstk\n");
    RunResult r = run_command("i686-w64-mingw32-dlltool -d extra.def -l extra.lib", d.path());
    EXPECT_EQ(r.exit_code, 0) << r.err;
    return d.file("extra.lib");
}

void link_lld(const LinkDir& d, const CrtProgram& p, const std::string& out)
{
    std::string command = "lld-link /nologo /safeseh:no /entry:mainCRTStartup /subsystem:console /out:" + quote(out);
    for (const std::string& o : p.objects)
        command += " " + quote(o);
    command += " " + quote(extra_imports(d)) + " " + quote(mingw_lib("msvcrt")) + " " + quote(mingw_lib("kernel32"));
    RunResult r = run_command(command, d.path());
    EXPECT_EQ(r.exit_code, 0) << r.err;
}

// vynlnk brings its start-up object from the library directory: the
// program's own start-up goes there.
void link_vynlnk(const LinkDir& d, const std::string& name, const char* source, const std::string& out)
{
    d.compile("lib/vyncrt0.obj", kStartup, kTarget, kFlags);
    std::string object = d.compile(name + ".obj", source, kTarget, kFlags);
    RunResult r = d.link({"-s", object, extra_imports(d), mingw_lib("msvcrt"), mingw_lib("kernel32"), "-o", out});
    EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
}

// The same source built by the host's compiler and run natively.
RunResult run_native(const LinkDir& d, const std::string& name, const char* source, const std::string& args = "",
                     const std::string& input = "", const std::string& environment = "")
{
    d.write_text(name + "_native.c", source);
    RunResult built = run_command("cc -O1 -o " + name + "_native " + name + "_native.c -lm", d.path());
    EXPECT_EQ(built.exit_code, 0) << built.err;
    return run_command(environment + " ./" + name + "_native" + args, d.path(), input);
}

RunResult run_emulated(const LinkDir& d, const std::string& image, const std::string& args = "",
                       const std::string& input = "", const std::string& environment = "")
{
    return run_command(environment + " " + quote(VYNI386_PATH) + " " + quote(image) + args, d.path(), input);
}

TEST(I386CLibrary, ProgramTouringTheLibraryPrintsWhatTheHostBuildPrints)
{
    LinkDir d;
    link_lld(d, compile_program(d, "tour", kTour), "tour.exe");
    link_vynlnk(d, "tour_v", kTour, "tour_v.exe");
    const std::string args = " one 'two words'", environment = "VYN_CRT_VALUE=hello";
    RunResult native = run_native(d, "tour", kTour, args, "", environment);
    ASSERT_EQ(native.exit_code, 3) << native.err;
    ASSERT_NE(native.out.find("longjmp 7\n"), std::string::npos) << native.out;
    for (const char* image : {"tour.exe", "tour_v.exe"}) {
        RunResult emulated = run_emulated(d, image, args, "", environment);
        EXPECT_EQ(emulated.out, native.out) << image;
        EXPECT_EQ(emulated.err, native.err) << image;
        EXPECT_EQ(emulated.exit_code, 3) << image;
    }
}

TEST(I386CLibrary, FilesAreWrittenReadAndManagedAsOnTheHost)
{
    LinkDir d;
    link_lld(d, compile_program(d, "files", kFiles), "files.exe");
    RunResult native = run_native(d, "files", kFiles);
    ASSERT_EQ(native.exit_code, 0) << native.err;
    RunResult emulated = run_emulated(d, "files.exe");
    EXPECT_EQ(emulated.out, native.out);
    EXPECT_EQ(emulated.err, "");
    EXPECT_EQ(emulated.exit_code, 0);
    EXPECT_EQ(d.read("data.txt"), std::vector<std::uint8_t>({'l', 'i', 'n', 'e', ' ', '1', '\n', 'l', 'i', 'n', 'e',
                                                             ' ', 't', 'w', 'o', '\n', '3', '\n'}));
}

TEST(I386CLibrary, StandardInputServesLinesFieldsAndCharacters)
{
    LinkDir d;
    link_lld(d, compile_program(d, "input", kInput), "input.exe");
    const std::string input = "first\n  12\n-34 alpha beta . tail\nend\n";
    RunResult native = run_native(d, "input", kInput, "", input);
    RunResult emulated = run_emulated(d, "input.exe", "", input);
    EXPECT_EQ(emulated.out, native.out);
    EXPECT_EQ(emulated.exit_code, 0) << emulated.err;
    EXPECT_NE(native.out.find("word [beta]\n"), std::string::npos) << native.out;
}

TEST(I386CLibrary, LibrarysOwnFormatsRandomNumbersAndClasses)
{
    LinkDir d;
    link_lld(d, compile_program(d, "own", kOwnWays), "own.exe");
    RunResult r = run_emulated(d, "own.exe");
    EXPECT_EQ(r.out, "1.000000e+003|1E-010|1.2e+002|00001234\n"
                     "1.#INF00|-1.#INF00|-1.#IND00\n"
                     "-1 abcd---\n"
                     "41 18467 6334 -5000000000\n"
                     "258 1 1 8\n"
                     "0009001f 0009001f 3fe5555555555555 3fe5555555555556 3fe5555560000000\n");
    EXPECT_EQ(r.exit_code, 0) << r.err;
}

TEST(I386CLibrary, TimesAreBrokenDownAndFormattedAsOnTheHost)
{
    LinkDir d;
    link_lld(d, compile_program(d, "times", kTimes), "times.exe");
    RunResult native = run_native(d, "times", kTimes, "", "", "TZ=UTC");
    ASSERT_EQ(native.exit_code, 0) << native.err;
    RunResult emulated = run_emulated(d, "times.exe", "", "", "TZ=UTC");
    EXPECT_EQ(emulated.out, native.out);
    EXPECT_EQ(emulated.exit_code, 0) << emulated.err;
    EXPECT_NE(native.out.find("gmtime 2023-11-14 22:13:20"), std::string::npos) << native.out;
}

TEST(I386CLibrary, StartUpAndExitRunTheProgramsHandlersInOrder)
{
    LinkDir d;
    link_lld(d, compile_program(d, "ends", kStartAndEnd), "ends.exe");
    const std::string start = "initialiser 1\ninitialiser 2\n__argc 1, __argv[0] ends.exe, environment given\n"
                              "allocated 400000000 bytes in turn\n";
    struct Case {
        const char* argument;
        std::string out;
        std::string err;
        int status;
    };
    const Case cases[] = {
        {"", start + "atexit\nonexit b\nonexit a\n", "", 5},
        {" c", start + "onexit b\nonexit a\nafter _cexit\n", "", 0},
        {" a", start + "aborting\n", "\nabnormal program termination\n", 3},
        {" q", start + "quick\n", "", 9},
    };
    for (const Case& c : cases) {
        RunResult r = run_emulated(d, "ends.exe", c.argument);
        std::string out = c.out;
        if (*c.argument)
            out.replace(out.find("__argc 1"), 8, "__argc 2");
        EXPECT_EQ(r.out, out) << c.argument;
        EXPECT_EQ(r.err, c.err) << c.argument;
        EXPECT_EQ(r.exit_code, c.status) << c.argument;
    }
}

TEST(I386CLibrary, CompilerHelpersDivideAndProbeTheStack)
{
    LinkDir d;
    CrtProgram p;
    p.objects.push_back(d.compile("helpers_start.obj", kStartup, kTarget, kFlags));
    p.objects.push_back(d.compile("helpers.obj", kCompilerHelpers));  // the MSVC target
    link_lld(d, p, "helpers.exe");
    const long long a = -7000000000001LL;
    const unsigned long long b = 18000000000000000000ULL;
    std::string expected = std::to_string(a / 3) + " " + std::to_string(a % 3) + " " + std::to_string(b / 3) + " " +
                           std::to_string(b % 3) + "\nframe 3\n";
    RunResult r = run_emulated(d, "helpers.exe", " 3");
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    RunResult zero = run_emulated(d, "helpers.exe", " 0");
    EXPECT_EQ(zero.err.rfind("vyni386: integer division by zero in _all", 0), 0u) << zero.err;
    EXPECT_EQ(zero.exit_code, 125);
    RunResult overflow = run_emulated(d, "helpers.exe", " 3 huge");
    EXPECT_EQ(overflow.out, expected);
    EXPECT_EQ(overflow.err.rfind("vyni386: stack overflow: a frame of 300", 0), 0u) << overflow.err;
    EXPECT_EQ(overflow.exit_code, 125);
}

TEST(I386CLibrary, UnservedImportsAndBadPointersEndTheRunWithTheirCause)
{
    LinkDir d;
    link_lld(d, compile_program(d, "unserved", kUnserved), "unserved.exe");
    link_lld(d, compile_program(d, "bad", kBadPointer), "bad.exe");
    RunResult unserved = run_emulated(d, "unserved.exe");
    EXPECT_EQ(unserved.out, "before\n");
    EXPECT_EQ(unserved.err, "vyni386: unimplemented import msvcrt.dll!system\n");
    EXPECT_EQ(unserved.exit_code, 125);
    for (const char* what : {" s", " n", " q", " r", " p"}) {
        RunResult bad = run_emulated(d, "bad.exe", what, "input");
        EXPECT_EQ(bad.out, "before\n") << what;
        EXPECT_EQ(bad.err.rfind("vyni386: fault at 0x", 0), 0u) << what << ": " << bad.err;
        EXPECT_EQ(bad.exit_code, 125) << what;
    }
    EXPECT_EQ(run_emulated(d, "bad.exe", " s").err, "vyni386: fault at 0x00000010\n");
    EXPECT_EQ(run_emulated(d, "bad.exe", " p").err, "vyni386: fault at 0x00000030\n");
}

}  // namespace
}  // namespace vyn::i386
