// vynlib and libforge against independent readers and linkers: llvm-nm and
// llvm-ar list what they write, lld-link and vynlnk link programs from it,
// and the programs run in the emulated i386 machine.
#include <gtest/gtest.h>

#include <filesystem>

#include "linker/tests/link_harness.h"

namespace {

using vyn::lnk::test::LinkDir;
using vyn::lnk::test::mingw_lib;
using vyn::lnk::test::quote;
using vyn::lnk::test::RunResult;
using vyn::lnk::test::run_command;

RunResult tool(const LinkDir& d, const std::string& program, const std::vector<std::string>& args)
{
    std::string command = quote(program);
    for (const std::string& a : args)
        command += " " + quote(a);
    return run_command(command, d.path());
}

RunResult run_in_machine(const LinkDir& d, const std::string& exe)
{
    return tool(d, VYNI386_PATH, {exe});
}

// clang's object for the MSVC-style i686 target, without the address
// significance table that neither linker needs.
void compile(const LinkDir& d, const std::string& name, const std::string& source, const std::string& flags = "")
{
    d.compile(name, source, "i686-pc-windows-msvc", "-fno-addrsig " + flags);
}

RunResult lld_link(const LinkDir& d, const std::vector<std::string>& args)
{
    std::vector<std::string> all = {"/nologo", "/safeseh:no", "/nodefaultlib", "/entry:mainCRTStartup",
                                    "/subsystem:console"};
    all.insert(all.end(), args.begin(), args.end());
    return tool(d, "lld-link", all);
}

TEST(Vynlib, ArchiveIsListedAndLinkedByEveryReader)
{
    LinkDir d;
    compile(d, "a_module_with_a_long_name.obj", "int counter = 5;\nint add(int a, int b) { return a + b + counter; }\n");
    compile(d, "b.obj", "int table[16];\nint mul(int a, int b) { table[1] = a; return a * b; }\n", "-fcommon");
    compile(d, "main.obj", "int add(int, int); int mul(int, int); extern int table[16];\n"
                           "int main(void) { return add(2, 3) + mul(4, 5) + table[1]; }\n");
    RunResult r = tool(d, VYNLIB_PATH, {"/OUT:m.lib", "a_module_with_a_long_name.obj", "b.obj"});
    ASSERT_EQ(r.exit_code, 0) << r.err;

    r = tool(d, "llvm-nm", {"--print-armap", "m.lib"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find("_add in a_module_with_a_long_name.obj"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("_counter in a_module_with_a_long_name.obj"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("_mul in b.obj"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("_table in b.obj"), std::string::npos) << r.out;
    r = tool(d, "llvm-ar", {"t", "m.lib"});
    EXPECT_EQ(r.out, "a_module_with_a_long_name.obj\nb.obj\n");

    // 2 + 3 + 5 + 20 + 4 = 34 from either linker.
    r = lld_link(d, {"/out:lld.exe", "lib/vyncrt0.obj", "main.obj", "m.lib", mingw_lib("kernel32")});
    ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
    EXPECT_EQ(run_in_machine(d, "lld.exe").exit_code, 34);
    r = d.link({"-o", "ours.exe", "main.obj", "m.lib", mingw_lib("kernel32")});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(run_in_machine(d, "ours.exe").exit_code, 34);
}

TEST(Vynlib, ArchivesAsInputsAndBadInputs)
{
    LinkDir d;
    compile(d, "one.obj", "int one(void) { return 1; }\n");
    compile(d, "two.obj", "int two(void) { return 2; }\n");
    ASSERT_EQ(tool(d, VYNLIB_PATH, {"-out:first.lib", "one.obj"}).exit_code, 0);
    RunResult r = tool(d, VYNLIB_PATH, {"/OUT:both.lib", "first.lib", "two.obj"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    r = tool(d, "llvm-nm", {"--print-armap", "both.lib"});
    EXPECT_NE(r.out.find("_one in one.obj"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("_two in two.obj"), std::string::npos) << r.out;

    d.write_text("junk.obj", "this is not an object file");
    r = tool(d, VYNLIB_PATH, {"/OUT:bad.lib", "one.obj", "junk.obj"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "vynlib: junk.obj: not an i386 COFF object\n");
    EXPECT_FALSE(d.exists("bad.lib"));
    r = tool(d, VYNLIB_PATH, {"/OUT:bad.lib", "missing.obj"});
    EXPECT_EQ(r.err, "vynlib: cannot open missing.obj\n");
}

TEST(Libforge, ImportLibraryIsListedAndLinkedByBothLinkers)
{
    LinkDir d;
    // kernel32's own names, so that the program runs in the emulated machine.
    d.write_text("k.exp", "KERNEL32.dll\n_GetStdHandle@4\t\tGetStdHandle\n_WriteFile@20\t\tWriteFile\n"
                          "_ExitProcess@4\t\tExitProcess\n_SomeData\t\tSomeData\tdata\n");
    RunResult r = tool(d, LIBFORGE_PATH, {"k.exp", "k.lib"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    r = tool(d, "llvm-nm", {"k.lib"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find("T _WriteFile@20"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" __imp__WriteFile@20"), std::string::npos);
    EXPECT_NE(r.out.find(" __imp__SomeData"), std::string::npos);
    EXPECT_EQ(r.out.find("T _SomeData"), std::string::npos);

    compile(d, "hello.obj",
            "__declspec(dllimport) void* __stdcall GetStdHandle(unsigned);\n"
            "__declspec(dllimport) int __stdcall WriteFile(void*, const void*, unsigned, unsigned*, void*);\n"
            "void* __stdcall GetStdHandle(unsigned); int __stdcall WriteFile(void*, const void*, unsigned, unsigned*, void*);\n"
            "int main(void) { unsigned n; WriteFile(GetStdHandle(-11), \"forged\\n\", 7, &n, 0); return 9; }\n");
    r = lld_link(d, {"/out:lld.exe", "lib/vyncrt0.obj", "hello.obj", "k.lib"});
    ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
    r = run_in_machine(d, "lld.exe");
    EXPECT_EQ(r.out, "forged\n");
    EXPECT_EQ(r.exit_code, 9);
    r = d.link({"-o", "ours.exe", "hello.obj", "k.lib"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    r = run_in_machine(d, "ours.exe");
    EXPECT_EQ(r.out, "forged\n");
    EXPECT_EQ(r.exit_code, 9);
    r = tool(d, "llvm-readobj", {"--coff-imports", "ours.exe"});
    EXPECT_NE(r.out.find("Name: KERNEL32.dll"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Symbol: WriteFile"), std::string::npos);
}

TEST(Libforge, BadExportListsAreReported)
{
    LinkDir d;
    d.write_text("twice.exp", "x.dll\n_a\t\ta\n_a\t\ta\n");
    RunResult r = tool(d, LIBFORGE_PATH, {"twice.exp", "twice.lib"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "libforge: twice.exp(line 3: _a is exported twice)\n");
    EXPECT_FALSE(d.exists("twice.lib"));
    d.write_text("empty.exp", "x.dll\n");
    r = tool(d, LIBFORGE_PATH, {"empty.exp", "empty.lib"});
    EXPECT_EQ(r.err, "libforge: empty.exp lists no exports\n");
    r = tool(d, LIBFORGE_PATH, {"none.exp", "none.lib"});
    EXPECT_EQ(r.err, "libforge: cannot open none.exp\n");
}

}  // namespace
