#include "linker/tests/link_harness.h"

#include "platform/files.h"
#include "platform/registry.h"
#include "testing/runner/command_runner.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace vyn::lnk::test {

namespace fs = std::filesystem;

namespace {

std::string slurp(const std::string& path)
{
    std::string bytes;
    platform::read_whole_file(path, bytes);
    return bytes;
}

const char* kStartup = R"(__attribute__((section(".rdata"), used)) const char vyn_debug_room[84] = {1};
int main(void);
__declspec(dllimport) void __stdcall ExitProcess(unsigned);
void mainCRTStartup(void) { ExitProcess((unsigned)main()); }
)";

const char* kDllStartup = R"(__attribute__((section(".rdata"), used)) const char vyn_debug_room[84] = {1};
typedef int (__stdcall *InitFn)(void*, unsigned, void*);
InitFn vyn_dll_init = (InitFn)1;
int __stdcall _crtLibMain(void* h, unsigned r, void* p) { return vyn_dll_init(h, r, p); }
)";

}  // namespace

std::string quote(const std::string& word) { return runner::shell_quote(word); }

RunResult run_command(const std::string& command, const std::string& directory, const std::string& stdin_text)
{
    runner::CommandResult result = runner::run_command(command, {directory, stdin_text, false});
    RunResult r;
    r.exit_code = result.signal ? -1 : result.exit_code;
    r.out = std::move(result.out);
    r.err = std::move(result.err);
    return r;
}

LinkDir::LinkDir(bool with_libpath)
{
    const char* tmp = std::getenv("VYN_TEST_TMP");
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name)
        if (c == '/')
            c = '_';
    path_ = fs::absolute(fs::path(tmp ? tmp : "/tmp") / "linker" / name).string();
    fs::remove_all(path_);
    fs::create_directories(path_ + "/lib");
    hive_ = path_ + "/registry.reg";
    compile("lib/vyncrt0.obj", kStartup);
    compile("lib/libcrt0.obj", kDllStartup);
    if (with_libpath) {
        auto registry = platform::open_hive_file(hive_);
        registry->write_string(platform::RegistryRoot::CurrentUser, "Software\\vyn\\vynlnk", "libpath", lib_dir());
    }
}

RunResult LinkDir::link(const std::vector<std::string>& args, const std::string& stdin_text) const
{
    std::string command = "VYN_REGISTRY=" + quote(hive_) + " " + quote(VYNLNK_PATH);
    for (const std::string& a : args)
        command += " " + quote(a);
    return run_command(command, path_, stdin_text);
}

std::string LinkDir::compile(const std::string& name, const std::string& source, const std::string& target,
                             const std::string& flags) const
{
    std::string src = file(name + ".c");
    write_text(name + ".c", source);
    std::string compiler = target.find("w64-mingw32") != std::string::npos ? "i686-w64-mingw32-gcc" : "clang --target=" + target;
    if (!flags.empty())
        compiler += " " + flags;
    RunResult r = run_command(compiler + " -c -o " + quote(file(name)) + " " + quote(src), path_);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    return file(name);
}

void LinkDir::write_text(const std::string& name, const std::string& text) const
{
    std::ofstream out(file(name), std::ios::binary);
    out << text;
}

bool LinkDir::exists(const std::string& name) const
{
    return fs::exists(file(name));
}

std::vector<std::uint8_t> LinkDir::read(const std::string& name) const
{
    std::string s = slurp(file(name));
    return {s.begin(), s.end()};
}

std::string readobj(const std::string& image, const std::string& options)
{
    RunResult r = run_command("llvm-readobj " + options + " " + quote(image), fs::path(image).parent_path().string());
    EXPECT_EQ(r.exit_code, 0) << "llvm-readobj rejected " << image << ": " << r.err;
    return r.out;
}

std::string objdump(const std::string& image, const std::string& options)
{
    RunResult r = run_command("llvm-objdump " + options + " " + quote(image), fs::path(image).parent_path().string());
    EXPECT_EQ(r.exit_code, 0) << "llvm-objdump rejected " << image << ": " << r.err;
    return r.out;
}

std::string field(const std::string& text, const std::string& key)
{
    std::string needle = key + ": ";
    std::size_t at = 0;
    while ((at = text.find(needle, at)) != std::string::npos) {
        if (at == 0 || text[at - 1] == ' ' || text[at - 1] == '\n')
            break;
        ++at;
    }
    if (at == std::string::npos)
        return {};
    std::size_t start = at + needle.size();
    return text.substr(start, text.find('\n', start) - start);
}

std::uint32_t field_number(const std::string& text, const std::string& key)
{
    std::string v = field(text, key);
    return static_cast<std::uint32_t>(std::strtoul(v.c_str(), nullptr, 0));
}

std::string mingw_lib(const std::string& name)
{
    return "/usr/i686-w64-mingw32/lib/lib" + name + ".a";
}

}  // namespace vyn::lnk::test
