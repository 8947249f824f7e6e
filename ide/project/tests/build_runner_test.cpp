// The make runner with a scripted make: its standard error lands in the
// diagnostics file, its exit code and time come back, the shared words end idle.
#include "ide/project/build_runner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ide/project/diagnostics.h"
#include "platform/tests/test_dirs.h"

namespace {

using namespace vyn::project;

TEST(MakeRunner, DiagnosticsExitCodeAndSharedWords)
{
    std::string dir = vyn::testing::fresh_test_dir();
    std::ofstream(dir + "/makefile") << "fake\n";
    MakeJob job{"/bin/sh -c \"pwd >&2; echo 'Error hello.c: 3: x undeclared' >&2; exit 2\"", dir, dir + "/p.err"};
    BuildShared shared;
    shared.stop_request = 1;
    int seen_state = -1;
    MakeRun run = run_make(job, shared, [&] { seen_state = shared.state; });
    EXPECT_TRUE(run.started);
    EXPECT_EQ(run.return_code, 2);
    EXPECT_GE(run.build_ms, 0);
    EXPECT_EQ(seen_state, kBuildMaking);
    EXPECT_EQ(shared.state, kBuildIdle);
    EXPECT_EQ(shared.stop_request, 0);
    auto text = read_diagnostics_file(job.error_file, dir);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, std::filesystem::canonical(dir).string() + "\nError hello.c: 3: x undeclared\n");
    // A relative name is found in the make directory.
    EXPECT_EQ(read_diagnostics_file("p.err", dir), text);
}

TEST(MakeRunner, ASuccessfulBuildLeavesAnEmptyFile)
{
    std::string dir = vyn::testing::fresh_test_dir();
    MakeRun run = run_make({"/bin/sh -c \"exit 0\"", dir, "ok.err"}, *std::make_unique<BuildShared>());
    EXPECT_EQ(run.return_code, 0);
    EXPECT_EQ(read_diagnostics_file("ok.err", dir), "");
}

TEST(MakeRunner, AMissingMakeDirectoryOrProgramIsReported)
{
    std::string dir = vyn::testing::fresh_test_dir();
    BuildShared shared;
    MakeRun run = run_make({"make", dir + "/nosuch", dir + "/x.err"}, shared);
    EXPECT_FALSE(run.started);
    EXPECT_EQ(run.message, "The make directory " + dir + "/nosuch\ndoes not exist.\nImpossible to run make\n");
    EXPECT_EQ(shared.state, kBuildIdle);
    run = run_make({dir + "/no-such-make", dir, dir + "/x.err"}, shared);
    EXPECT_FALSE(run.started);
    EXPECT_EQ(run.message, "Impossible to execute '" + dir + "/no-such-make'");
    EXPECT_FALSE(read_diagnostics_file(dir + "/missing.err", dir).has_value());
}

}  // namespace
