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
