// The six examples, built by the kit's make with the kit alone, run in the
// emulated i386 machine: exact output bytes and exit codes. Each is also
// built by clang and lld-link from the same source against mingw-w64's
// import libraries, and both builds must behave alike.
#include "testing/runner/command_runner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;
using vyn::runner::CommandOptions;
using vyn::runner::CommandResult;
using vyn::runner::shell_quote;

namespace {

fs::path scratch(const std::string& name)
{
    const char* tmp = std::getenv("VYN_TEST_TMP");
    fs::path dir = fs::absolute(fs::path(tmp ? tmp : "/tmp") / "examples" / name);
    fs::create_directories(dir);
    return dir;
}

CommandResult shell(const std::string& command, const fs::path& dir, const std::string& input = "")
{
    CommandOptions options;
    options.directory = dir.string();
    options.stdin_text = input;
    return vyn::runner::run_command(command, options);
}

std::string kit_exe(const std::string& name)
{
    return std::string(EXAMPLES_BUILD) + "/" + name + "/" + name + ".exe";
}

CommandResult run_example(const std::string& name, const std::string& input)
{
    return shell(shell_quote(VYNI386_PATH) + " " + shell_quote(kit_exe(name)), scratch(name), input);
}

void expect_run(const std::string& name, const std::string& input, const std::string& output)
{
    CommandResult r = run_example(name, input);
    EXPECT_EQ(r.out, output) << name << " given " << input.substr(0, 40) << "\n" << r.err;
    EXPECT_EQ(r.exit_code, 0) << name << "\n" << r.err;
}

const std::string kFarewell = "Grazie per avere utilizzato Dizodorire!\n";

TEST(Dizodorire, EchoesLinesUntilTheExitWordInAnyCase)
{
    expect_run("dizodorire", "ciao\n\nBanana\nESCI\nnon stampata\n", "ciao\n\nBanana\n" + kFarewell);
    expect_run("dizodorire", "Esci\n", kFarewell);
    expect_run("dizodorire", "esc\nescix\n esci\nesci\n", "esc\nescix\n esci\n" + kFarewell);
    expect_run("dizodorire", "senza fine", "senza fine\n" + kFarewell);
}

TEST(Dizodorire, LongLinesAreCutAt255Characters)
{
    std::string line(300, 'x');
    for (std::size_t i = 0; i < line.size(); ++i)
        line[i] = static_cast<char>('a' + i % 26);
    expect_run("dizodorire", line + "\ndopo\nesci\n", line.substr(0, 255) + "\ndopo\n" + kFarewell);
}

TEST(Tally, CountsTheLettersA)
{
    for (const char* name : {"tallya", "tallyb"}) {
        expect_run(name, "Banana\n", "Inserire una stringa: \nLa stringa Banana contiene 3 lettere A.\n");
        expect_run(name, "\n", "Inserire una stringa: \nLa stringa  contiene 0 lettere A.\n");
        std::string long_line(300, 'A');
        expect_run(name, long_line + "\n",
                   "Inserire una stringa: \nLa stringa " + long_line.substr(0, 255) + " contiene 255 lettere A.\n");
    }
}

TEST(Examples, FixedOutputs)
{
    expect_run("visibilita", "", "18\n");
    expect_run("splice", "", "1\n10\n");
    expect_run("strop", "", "La variabile 'a' vale 10.\n");
}

// The same source through clang and lld-link, with mingw-w64's import
// libraries and the kit's start-up source compiled by clang too.
class Differential : public ::testing::TestWithParam<const char*> {};

TEST_P(Differential, KitAndReferenceBuildsBehaveAlike)
{
    std::string name = GetParam();
    fs::path dir = scratch("reference-" + name);
    std::string clang = "clang --target=i686-w64-windows-gnu -nostdinc -isystem " +
                        shell_quote(std::string(KIT_ROOT) + "/include") +
                        " -D__MSVCRT_VERSION__=0x600 -D__USE_MINGW_ANSI_STDIO=0 -fno-addrsig -O1 -c ";
    std::string runtime = std::string(SOURCE_DIR) + "/kit/runtime/";
    for (const char* part : {"vyncrt0", "main_hook", "divide64", "stack_probe"}) {
        CommandResult c = shell(clang + shell_quote(runtime + part + ".c") + " -o " + part + ".o", dir);
        ASSERT_EQ(c.exit_code, 0) << c.err;
    }
    CommandResult c =
        shell(clang + shell_quote(std::string(SOURCE_DIR) + "/examples/" + name + ".c") + " -o " + name + ".o", dir);
    ASSERT_EQ(c.exit_code, 0) << c.err;
    CommandResult l = shell("lld-link /nologo /safeseh:no /nodefaultlib /entry:mainCRTStartup /subsystem:console /out:" + name +
                      ".exe vyncrt0.o " + name +
                      ".o main_hook.o divide64.o stack_probe.o /usr/i686-w64-mingw32/lib/libmsvcrt.a "
                      "/usr/i686-w64-mingw32/lib/libkernel32.a",
                  dir);
    ASSERT_EQ(l.exit_code, 0) << l.out << l.err;
    for (const std::string& input : {std::string("Banana\n"), std::string("x\n\nESCI\n"), std::string(300, 'a') + "\n"}) {
        CommandResult ours = run_example(name, input);
        CommandResult theirs = shell(shell_quote(VYNI386_PATH) + " " + name + ".exe", dir, input);
        EXPECT_EQ(ours.out, theirs.out) << name;
        EXPECT_EQ(ours.exit_code, theirs.exit_code) << name << "\n" << ours.err << theirs.err;
        EXPECT_EQ(ours.err, "") << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Examples, Differential,
                         ::testing::Values("dizodorire", "tallya", "tallyb", "visibilita", "splice", "strop"));

}  // namespace
