#include "ide/project/resource_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/winpath.h"
#include "platform/files.h"
#include "platform/tests/test_dirs.h"

namespace vyn::project {
namespace {

TEST(ResourceFile, FirstResFileOfTheProjectInTheSourcesDirectory)
{
    Project p;
    p.sources_dir = "C:\\WORK\\HELLO";
    p.files = {"hello.c", "hello.res", "other.rc"};
    EXPECT_EQ(project_resource_file(p), "C:\\WORK\\HELLO\\hello.res");
    p.files = {"hello.c", "D:\\RES\\app.res"};
    EXPECT_EQ(project_resource_file(p), "D:\\RES\\app.res");
}

TEST(ResourceFile, ScriptGivesTheResItCompilesInto)
{
    Project p;
    p.sources_dir = "C:\\WORK\\HELLO";
    p.files = {"util.c", "C:\\ELSE\\hello.rc", "x.res"};
    EXPECT_EQ(project_resource_file(p), "C:\\WORK\\HELLO\\hello.res");
    p.make.dir = "C:\\BUILD";
    EXPECT_EQ(project_resource_file(p), "C:\\BUILD\\hello.res");
}

TEST(ResourceFile, NoneWithoutResources)
{
    Project p;
    p.files = {"a.c", "b.h"};
    EXPECT_EQ(project_resource_file(p), std::nullopt);
}

TEST(ResourceFile, TheCompiledScriptIsTheFirstRcUnlessAResComesFirst)
{
    Project p;
    p.sources_dir = "C:\\WORK\\HELLO";
    p.make.dir = "C:\\WORK\\HELLO\\vyn";
    p.files = {"hello.c", "hello.rc", "x.res"};
    auto files = compiled_resource_script(p);
    ASSERT_TRUE(files);
    EXPECT_EQ(files->script, "C:\\WORK\\HELLO\\hello.rc");
    EXPECT_EQ(files->compiled, "C:\\WORK\\HELLO\\vyn\\hello.res");
    p.files = {"D:\\RES\\app.rc"};
    EXPECT_EQ(compiled_resource_script(p)->script, "D:\\RES\\app.rc");
    p.files = {"hello.res", "hello.rc"};
    EXPECT_FALSE(compiled_resource_script(p));
    p.files = {"hello.c"};
    EXPECT_FALSE(compiled_resource_script(p));
}

// Missing, then older than its script, then compiled again.
TEST(ResourceFile, CompiledResourcesAreOutOfDateWhenMissingOrOlderThanTheScript)
{
    std::string dir = vyn::testing::fresh_test_dir();
    CompiledScript files{vyn::winpath::join(dir, "app.rc"), vyn::winpath::join(dir, "app.res")};
    ASSERT_TRUE(vyn::platform::write_file_atomically(vyn::winpath::to_host(files.script), {'1'}));
    EXPECT_TRUE(compiled_resources_out_of_date(files));
    ASSERT_TRUE(vyn::platform::write_file_atomically(vyn::winpath::to_host(files.compiled), {'2'}));
    auto now = std::filesystem::last_write_time(vyn::winpath::to_host(files.compiled));
    std::filesystem::last_write_time(vyn::winpath::to_host(files.script), now - std::chrono::seconds(5));
    EXPECT_FALSE(compiled_resources_out_of_date(files));
    std::filesystem::last_write_time(vyn::winpath::to_host(files.script), now + std::chrono::seconds(5));
    EXPECT_TRUE(compiled_resources_out_of_date(files));
}

TEST(ResourceFile, EditorCommandQuotesNamesWithBlanks)
{
    EXPECT_EQ(resource_editor_command("C:\\VYN", "C:\\W\\a.res"), "C:\\VYN\\bin\\tavrares.exe C:\\W\\a.res");
    EXPECT_EQ(resource_editor_command("C:\\VYN", "C:\\My W\\a.res"), "C:\\VYN\\bin\\tavrares.exe \"C:\\My W\\a.res\"");
}

}  // namespace
}  // namespace vyn::project
