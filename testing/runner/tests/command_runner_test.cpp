// The command runner of the test harnesses, through real shell commands.
#include "testing/runner/command_runner.h"

#include <gtest/gtest.h>

#include "platform/files.h"

namespace vyn::runner {
namespace {

TEST(CommandRunner, SeparateStreamsAndExitCode)
{
    CommandResult r = run_command("echo out; echo err >&2; exit 3");
    EXPECT_EQ(r.exit_code, 3);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.out, "out\n");
    EXPECT_EQ(r.err, "err\n");
}

TEST(CommandRunner, MergedStreamsKeepTheirOrder)
{
    CommandOptions options;
    options.merge_streams = true;
    CommandResult r = run_command("echo one; echo two >&2; echo three", options);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "one\ntwo\nthree\n");
    EXPECT_EQ(r.err, "");
}

TEST(CommandRunner, StandardInputAndDirectory)
{
    std::string dir = platform::temporary_file_name("", "vyn_runner_dir_");
    ASSERT_TRUE(platform::make_directories(dir));
    CommandOptions options;
    options.directory = dir;
    options.stdin_text = std::string("a b\0c\n", 6);
    CommandResult r = run_command("cat; pwd -P >where", options);
    EXPECT_EQ(r.out, std::string("a b\0c\n", 6));
    std::string where;
    ASSERT_TRUE(platform::read_whole_file(dir + "/where", where));
    CommandResult expected = run_command("cd " + shell_quote(dir) + " && pwd -P");
    EXPECT_EQ(where, expected.out);
    platform::remove_file(dir + "/where");
    platform::remove_file(dir);
}

TEST(CommandRunner, SignalIsReportedAsTheShellDoes)
{
    CommandResult r = run_command("kill -TERM $$");
    EXPECT_EQ(r.shell_status(), 128 + 15);
}

TEST(CommandRunner, QuotingKeepsAWordWhole)
{
    CommandResult r = run_command("printf '%s|' " + shell_quote("it's a $HOME `x`"));
    EXPECT_EQ(r.out, "it's a $HOME `x`|");
}

}  // namespace
}  // namespace vyn::runner
