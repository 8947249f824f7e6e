#include "testing/i386/tests/guest.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace vyn::i386::test {

using lnk::test::mingw_lib;
using lnk::test::quote;
using lnk::test::run_command;

const char* const kDeclarations = R"(
__declspec(dllimport) void* __stdcall GetStdHandle(unsigned long);
__declspec(dllimport) int __stdcall WriteFile(void*, const void*, unsigned long, unsigned long*, void*);
__declspec(dllimport) int __stdcall ReadFile(void*, void*, unsigned long, unsigned long*, void*);
__declspec(dllimport) char* __stdcall GetCommandLineA(void);
__declspec(dllimport) void* __stdcall GetProcessHeap(void);
__declspec(dllimport) void* __stdcall HeapAlloc(void*, unsigned long, unsigned long);
__declspec(dllimport) int __stdcall HeapFree(void*, unsigned long, void*);
__declspec(dllimport) unsigned long __stdcall GetCurrentProcessId(void);
__declspec(dllimport) void* __stdcall GetModuleHandleA(const char*);
__declspec(dllimport) unsigned long __stdcall GetLastError(void);
__declspec(dllimport) void __stdcall SetLastError(unsigned long);
__declspec(dllimport) unsigned long __stdcall GetTickCount(void);
__declspec(dllimport) void __stdcall ExitProcess(unsigned);
static void put(const char* s)
{
    unsigned long n = 0, written;
    while (s[n]) ++n;
    WriteFile(GetStdHandle((unsigned long)-11), s, n, &written, 0);
}
static void put_number(unsigned v)
{
    char text[12];
    int at = 11;
    text[at] = 0;
    do { text[--at] = (char)('0' + v % 10); v /= 10; } while (v);
    put(text + at);
}
)";

namespace {

std::vector<std::string> compile_all(const LinkDir& d, const Modules& modules)
{
    std::vector<std::string> objects;
    for (const auto& [name, source] : modules)
        objects.push_back(d.compile(name, std::string(kDeclarations) + source));
    return objects;
}

}  // namespace

std::vector<std::string> build(const LinkDir& d, const Modules& modules, const std::string& out)
{
    std::vector<std::string> objects = compile_all(d, modules);
    std::vector<std::string> args = objects;
    args.insert(args.end(), {mingw_lib("kernel32"), "-o", out});
    RunResult r = d.link(args);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    return objects;
}

void build_with_lld(const LinkDir& d, const Modules& modules, const std::string& options, const std::string& out)
{
    std::string command = "lld-link /nologo /safeseh:no /nodefaultlib /subsystem:console /out:" + quote(out) + " " +
                          options;
    if (options.find("/entry:") == std::string::npos)
        command += " /entry:mainCRTStartup " + quote(d.lib_dir() + "/vyncrt0.obj");
    for (const std::string& o : compile_all(d, modules))
        command += " " + quote(o);
    command += " " + quote(mingw_lib("kernel32"));
    RunResult linked = run_command(command, d.path());
    EXPECT_EQ(linked.exit_code, 0) << linked.err;
}

RunResult run_image(const LinkDir& d, const std::string& image, const std::string& args, const std::string& input,
                    const std::string& options)
{
    return run_command(quote(VYNI386_PATH) + " " + options + " " + quote(image) + args, d.path(), input);
}

std::vector<std::uint8_t> read_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace vyn::i386::test
