#include "ide/project/resource_file.h"

#include <gtest/gtest.h>

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

TEST(ResourceFile, EditorCommandQuotesNamesWithBlanks)
{
    EXPECT_EQ(resource_editor_command("C:\\VYN", "C:\\W\\a.res"), "C:\\VYN\\bin\\tavrares.exe C:\\W\\a.res");
    EXPECT_EQ(resource_editor_command("C:\\VYN", "C:\\My W\\a.res"), "C:\\VYN\\bin\\tavrares.exe \"C:\\My W\\a.res\"");
}

}  // namespace
}  // namespace vyn::project
