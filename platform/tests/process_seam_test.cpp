#include "platform/process.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/strings.h"
#include "common/winpath.h"
#include "platform/files.h"
#include "platform/tests/test_dirs.h"

namespace {

using vyn::platform::Process;
using vyn::platform::ProcessOptions;

std::string child_program()
{
    std::string dir = vyn::winpath::directory(vyn::platform::executable_path());
#ifdef _WIN32
    return dir + "\\seam_child.exe";
#else
    return dir + "/seam_child";
#endif
}

std::string file_text(const std::string& path)
{
    auto bytes = vyn::platform::read_file(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<missing>";
}

TEST(ProcessSeam, RunsInTheDirectoryWithOutputFilesAndExitCode)
{
    std::string dir = vyn::testing::fresh_test_dir();
    ProcessOptions options;
    options.directory = dir;
    options.hidden = true;
    options.stdout_file = (std::filesystem::path(dir) / "out.txt").string();
    options.stderr_file = (std::filesystem::path(dir) / "err.txt").string();
    std::string error;
    auto process = Process::start("\"" + child_program() + "\" 7 \"two words\" oops", options, error);
    ASSERT_TRUE(process) << error;
    EXPECT_NE(process->id(), 0u);
    EXPECT_EQ(process->wait(60000), 7u);
    EXPECT_FALSE(process->running());

    std::string out = file_text(options.stdout_file);
    std::string cwd = out.substr(0, out.find_first_of("\r\n"));
    EXPECT_TRUE(std::filesystem::equivalent(cwd, dir)) << cwd << " vs " << dir;
    EXPECT_NE(out.find("two words"), std::string::npos) << out;
    EXPECT_EQ(vyn::trim(file_text(options.stderr_file)), "oops");
}

TEST(ProcessSeam, WaitTimesOutAndKillEndsTheProgram)
{
    std::string error;
    auto process = Process::start("\"" + child_program() + "\" sleep", {}, error);
    ASSERT_TRUE(process) << error;
    EXPECT_FALSE(process->wait(100));
    EXPECT_TRUE(process->running());
    process->kill();
    EXPECT_FALSE(process->running());
    EXPECT_TRUE(process->wait(0));
}

TEST(ProcessSeam, AMissingProgramIsAnErrorWithItsName)
{
    std::string error;
    auto process = Process::start("no_such_program_here.exe x", {}, error);
    EXPECT_FALSE(process);
    EXPECT_NE(error.find("no_such_program_here"), std::string::npos) << error;
}

// Arguments as they are, and as a command line must carry them.
struct QuotedArgument {
    const char* argument;
    const char* quoted;
};
const QuotedArgument kQuotedArguments[] = {
    {"plain", "plain"},
    {R"(c:\dir\file.c)", R"(c:\dir\file.c)"},  // backslashes alone stay as they are
    {"", R"("")"},
    {"two words", R"("two words")"},
    {"tab\there", "\"tab\there\""},
    {R"(say "hi")", R"("say \"hi\"")"},
    {R"(no"blank)", R"("no\"blank")"},
    {R"(a\"b)", R"("a\\\"b")"},          // one backslash before a quote: three
    {R"(a\\"b)", R"("a\\\\\"b")"},       // two: five
    {R"(c:\my dir\file)", R"("c:\my dir\file")"},
    {R"(c:\my dir\)", R"("c:\my dir\\")"},    // trailing ones doubled before the closing quote
    {R"(c:\my dir\\)", R"("c:\my dir\\\\")"},
    {R"(\ \)", R"("\ \\")"},
};

TEST(CommandLine, QuotesEachArgumentSoThatSplittingGivesItBack)
{
    using vyn::platform::quote_argument;
    using vyn::platform::split_command_line;
    for (const QuotedArgument& c : kQuotedArguments) {
        EXPECT_EQ(quote_argument(c.argument), c.quoted) << c.argument;
        EXPECT_EQ(split_command_line(std::string("x ") + c.quoted + " y"),
                  (std::vector<std::string>{"x", c.argument, "y"}))
            << c.quoted;
    }
    EXPECT_EQ(vyn::platform::command_line({R"(c:\my tools\cc.exe)", "-c", "a b.c"}),
              "\"c:\\my tools\\cc.exe\" -c \"a b.c\"");
}

// The child's own start-up code splits the line: the C runtime's rules on
// Windows, an independent reader of what quote_argument writes.
TEST(ProcessSeam, AChildGetsEveryQuotedArgumentBack)
{
    std::string dir = vyn::testing::fresh_test_dir();
    ProcessOptions options;
    options.hidden = true;
    options.stdout_file = (std::filesystem::path(dir) / "args.txt").string();
    std::vector<std::string> argv = {child_program(), "args"};
    std::string expected;
    for (const QuotedArgument& c : kQuotedArguments) {
        argv.push_back(c.argument);
        expected += std::string("[") + c.argument + "]\n";
    }
    std::string error;
    auto process = Process::start(vyn::platform::command_line(argv), options, error);
    ASSERT_TRUE(process) << error;
    EXPECT_EQ(process->wait(60000), 0u);
    std::string out = file_text(options.stdout_file);
    std::erase(out, '\r');
    EXPECT_EQ(out, expected);
}

TEST(CommandLine, SplitsLikeWindowsPrograms)
{
    using vyn::platform::split_command_line;
    using V = std::vector<std::string>;
    EXPECT_EQ(split_command_line("make  -f \"my makefile\"\tall"), (V{"make", "-f", "my makefile", "all"}));
    EXPECT_EQ(split_command_line(R"(a\\b "c\"d" e\\\"f "g\\" h)"), (V{R"(a\\b)", R"(c"d)", R"(e\"f)", R"(g\)", "h"}));
    EXPECT_EQ(split_command_line("x \"\" y"), (V{"x", "", "y"}));
    EXPECT_TRUE(split_command_line("   ").empty());
}

}  // namespace
