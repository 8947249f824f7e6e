// The win64 kit under Wine on the road the IDE takes: the project's makefile
// written by the IDE's generator (Windows paths with drive letters, the
// headers found by vyn.exe -M), make.exe building it with vyn.exe, vrc.exe
// and vynlnk.exe, and the program it links run in the emulated i386 machine.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/winpath.h"
#include "ide/project/makefile_generator.h"
#include "ide/project/tests/scripted_ui.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/registry.h"

namespace {

using namespace vyn::project;
namespace fs = std::filesystem;
using vyn::platform::RegistryRoot;

// build/win64/bin/this.exe -> build/win64; the kit and the native emulator beside it.
std::string build_dir() { return vyn::winpath::directory(vyn::winpath::directory(vyn::platform::executable_path())); }
std::string kit_root() { return vyn::winpath::join(build_dir(), "kit"); }
std::string emulator() { return vyn::winpath::join(vyn::winpath::directory(build_dir()), "native\\bin\\vyni386"); }

std::string read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

const char kHello[] = "#include <stdio.h>\n"
                      "#include \"util.h\"\n"
                      "int main(void)\n"
                      "{\n"
                      "    printf(\"%d squares make %d\\n\", 3, sum_of_squares(3));\n"
                      "    return sum_of_squares(2);\n"
                      "}\n";
const char kUtil[] = "#include \"util.h\"\n"
                     "int sum_of_squares(int n) { return n == 0 ? 0 : n * n + sum_of_squares(n - 1); }\n";
const char kUtilHeader[] = "int sum_of_squares(int n);\n";
const char kResources[] = "STRINGTABLE\nBEGIN\n  1, \"squares\"\nEND\n";

class GeneratedMakefile : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (vyn::platform::wine_host_name("C:\\").empty())
            GTEST_SKIP() << "not under Wine";
        ASSERT_TRUE(fs::exists(kit_root() + "\\bin\\make.exe")) << kit_root();
        ASSERT_TRUE(fs::exists(emulator())) << "the native build's vyni386 runs what the kit links: " << emulator();
        const char* tmp = std::getenv("VYN_TEST_TMP");
        ASSERT_NE(tmp, nullptr);
        work = vyn::winpath::join(tmp, "kit-generated-makefile");
        fs::remove_all(work);
        fs::create_directories(work + "\\src");
        write(work + "\\src\\hello.c", kHello);
        write(work + "\\src\\util.c", kUtil);
        write(work + "\\src\\util.h", kUtilHeader);
        write(work + "\\src\\hello.rc", kResources);
        // vynlnk finds the kit's libraries where the IDE's settings put them.
        auto registry = vyn::platform::open_registry();
        ASSERT_TRUE(registry->write_string(RegistryRoot::CurrentUser, "Software\\vyn\\vynlnk", "libpath",
                                           kit_root() + "\\lib"));
    }

    Project console_project() const
    {
        Project p;
        p.name = "hello";
        p.compiler_root = kit_root();
        p.includes = kit_root() + "\\include";
        p.sources_dir = work + "\\src";
        p.files = {"hello.c", "hello.rc", "util.c", "util.h"};
        p.compiler_flags = flag::kConsole | flag::kDebugInfo;
        p.has_make_settings = true;
        p.make.dir = work + "\\make";
        return p;
    }

    std::string work;
};

TEST_F(GeneratedMakefile, MakeBuildsItWithTheKitAndTheProgramRuns)
{
    Project project = console_project();
    vyn::project::testing::ScriptedUi ui;
    ProcessDependencyScanner scanner(work);
    MakefileHooks hooks{ui, scanner, {}, {}, {}};
    std::optional<std::string> text = makefile_text(project, hooks);
    ASSERT_TRUE(text.has_value()) << (ui.errors.empty() ? "" : ui.errors.back());
    EXPECT_TRUE(ui.errors.empty());
    // The generator's lines, with the compiler root's drive letter, and the
    // header vyn.exe -M found under Wine.
    EXPECT_NE(text->find("CC=" + kit_root() + "\\bin\\vyn.exe\n"), std::string::npos) << *text;
    EXPECT_NE(text->find("\t" + kit_root() + "\\bin\\vynlnk  -subsystem console -o hello.exe $(OBJS) $(LIBS)\n"),
              std::string::npos)
        << *text;
    EXPECT_NE(text->find("UTIL_C=\\\n"), std::string::npos) << *text;
    EXPECT_NE(text->find("\t" + work + "\\src\\util.h\\\n"), std::string::npos) << *text;
    fs::create_directories(project.make.dir);
    write(project.make.dir + "\\Makefile", *text);

    // The resource rule names vrc alone: the IDE puts the kit's bin on PATH.
    std::string path = kit_root() + "\\bin;" + (std::getenv("PATH") ? std::getenv("PATH") : "");
    ASSERT_TRUE(SetEnvironmentVariableA("PATH", path.c_str()));
    vyn::platform::ProcessOptions options;
    options.directory = project.make.dir;
    options.stdout_file = work + "\\make.out";
    options.stderr_file = work + "\\make.err";
    options.hidden = true;
    std::string error;
    auto make = vyn::platform::Process::start("\"" + kit_root() + "\\bin\\make.exe\"", options, error);
    ASSERT_TRUE(make.has_value()) << error;
    std::optional<std::uint32_t> status = make->wait(240000);
    ASSERT_TRUE(status.has_value()) << "make did not finish";
    EXPECT_EQ(*status, 0u) << read(work + "\\make.out") << read(work + "\\make.err");
    std::string exe = project.make.dir + "\\hello.exe";
    ASSERT_TRUE(fs::exists(exe)) << read(work + "\\make.out") << read(work + "\\make.err");
    EXPECT_TRUE(fs::exists(project.make.dir + "\\util.obj"));
    // The string table vrc compiled is in the image, in UTF-16.
    EXPECT_NE(read(exe).find(std::string("s\0q\0u\0a\0r\0e\0s\0", 14)), std::string::npos);

    vyn::platform::HostProgramOptions run_options;
    run_options.stdout_file = vyn::platform::wine_host_name(work) + "/hello.out";
    vyn::platform::HostProgramRun run = vyn::platform::run_host_program(
        {vyn::platform::wine_host_name(emulator()), vyn::platform::wine_host_name(exe)}, run_options);
    ASSERT_TRUE(run.exit_code.has_value()) << run.error;
    EXPECT_EQ(read(work + "\\hello.out"), "3 squares make 14\n") << run.stderr_text;
    EXPECT_EQ(*run.exit_code, 5) << run.stderr_text;
    EXPECT_EQ(run.stderr_text, "");
}

}  // namespace
