// A DLL built by the kit from a ".def" file, its import library made by
// libforge when vynlnk finishes the link, and an exe linked against that
// library by vynlnk and by lld-link, read back with llvm-readobj and llvm-nm.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class KitDll : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* tmp = std::getenv("VYN_TEST_TMP");
        dir_ = fs::absolute(fs::path(tmp ? tmp : "/tmp") / "kit-dll");
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        std::ofstream(dir_ / "registry.reg") << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\vyn\\vynlnk]\n\"libpath\"=\""
                                             << KIT_ROOT << "/lib\"\n\n";
    }
    void write(const std::string& name, const std::string& text) const { std::ofstream(dir_ / name) << text; }
    Outcome run(const std::string& command) const
    {
        std::string full = "cd '" + dir_.string() + "' && VYN_REGISTRY='" + (dir_ / "registry.reg").string() + "' " +
                           command + " >.out 2>.err";
        int status = std::system(full.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(dir_ / ".out"), slurp(dir_ / ".err")};
    }
    static std::string kit(const std::string& program) { return std::string("'") + KIT_ROOT + "/bin/" + program + "'"; }

    fs::path dir_;
};

TEST_F(KitDll, DefFileDllAndItsImportLibraryServeAnExe)
{
    write("mathdll.c", "int counter = 41;\n"
                       "int __stdcall twice(int x) { return 2 * x; }\n"
                       "int add_counter(int x) { return x + counter; }\n"
                       "int __stdcall LibMain(void *instance, unsigned long reason, void *reserved)\n"
                       "{ (void)instance; (void)reason; (void)reserved; return 1; }\n");
    write("mathdll.def", "LIBRARY mathdll\nDESCRIPTION 'arithmetic'\nEXPORTS\n  twice\n  add_counter\n  counter\n");
    Outcome r = run(kit("vyn") + " -c mathdll.c");
    ASSERT_EQ(r.status, 0) << r.err;
    r = run(kit("vynlnk") + " -dll mathdll.obj mathdll.def");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(slurp(dir_ / "mathdll.exp"),
              "mathdll.dll\n_add_counter\t\t_add_counter\n_counter\t\t_counter\tdata\n_twice@4\t\t_twice@4\n");
    ASSERT_TRUE(fs::exists(dir_ / "mathdll.lib")) << "libforge did not run";

    r = run("llvm-readobj --coff-exports mathdll.dll");
    // The linker exports each symbol under its own (decorated) name.
    for (const char* name : {"Name: _add_counter", "Name: _counter", "Name: _twice@4"})
        EXPECT_NE(r.out.find(name), std::string::npos) << name << "\n" << r.out;
    r = run("llvm-nm mathdll.lib");
    EXPECT_NE(r.out.find("T _twice@4"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("T _add_counter"), std::string::npos);
    EXPECT_NE(r.out.find(" __imp__counter"), std::string::npos);
    EXPECT_EQ(r.out.find("T _counter"), std::string::npos);

    write("user.c", "__declspec(dllimport) int __stdcall twice(int);\n"
                    "__declspec(dllimport) extern int counter;\n"
                    "int add_counter(int);\n"
                    "int main(void) { return twice(5) + add_counter(1) + counter; }\n");
    r = run(kit("vyn") + " -c user.c");
    ASSERT_EQ(r.status, 0) << r.err;
    r = run(kit("vynlnk") + " user.obj mathdll.lib");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    r = run("lld-link /nologo /safeseh:no /nodefaultlib /entry:mainCRTStartup /subsystem:console /out:user_lld.exe '" +
            std::string(KIT_ROOT) + "/lib/vyncrt0.obj' user.obj mathdll.lib '" + KIT_ROOT + "/lib/libc.lib' '" +
            KIT_ROOT + "/lib/kernel32.lib'");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    for (const char* exe : {"user.exe", "user_lld.exe"}) {
        r = run(std::string("llvm-readobj --coff-imports ") + exe);
        std::size_t at = r.out.find("Name: mathdll.dll");
        ASSERT_NE(at, std::string::npos) << exe << "\n" << r.out;
        std::string block = r.out.substr(at, r.out.find("}", at) - at);
        for (const char* name : {"Symbol: _twice@4", "Symbol: _add_counter", "Symbol: _counter"})
            EXPECT_NE(block.find(name), std::string::npos) << exe << " " << name << "\n" << block;
    }
}

}  // namespace
