// The wizard program: its command line, the files it writes and its answer.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "kit/wizard/skeleton.h"
#include "platform/process.h"
#include "platform/tests/test_dirs.h"

namespace {

std::string read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

int run(const std::string& args)
{
    std::string error;
    auto process = vyn::platform::Process::start(std::string(WIZARD_PROGRAM) + " " + args, {}, error);
    EXPECT_TRUE(process) << error;
    return process ? int(*process->wait()) : -1;
}

TEST(Wizard, WritesAWindowsSkeletonAndItsAnswer)
{
    std::string dir = vyn::testing::fresh_test_dir();
    ASSERT_EQ(run("/tavra:1234 /prjname:demo /prjpath:" + dir + " /out:" + dir + "/answer.txt"), 0);
    EXPECT_EQ(read(dir + "/answer.txt"),
              "Project: demo\nSource: " + dir + "\\demo.c\nResources: " + dir + "\\demo.rc\n");
    EXPECT_NE(read(dir + "/demo.c").find("int WINAPI WinMain("), std::string::npos);
    EXPECT_NE(read(dir + "/demo.rc").find("MAINMENU MENU"), std::string::npos);
}

TEST(Wizard, WritesADllSkeletonAndKeepsExistingFiles)
{
    std::string dir = vyn::testing::fresh_test_dir();
    std::ofstream(dir + "/lib.c") << "mine";
    ASSERT_EQ(run("/tavra:1 /prjname:lib /prjpath:" + dir + " /out:" + dir + "/a.txt /dll"), 0);
    EXPECT_EQ(read(dir + "/a.txt"), "Project: lib\nSource: " + dir + "\\lib.c\nDefinitions: " + dir + "\\lib.def\n");
    EXPECT_EQ(read(dir + "/lib.c"), "mine");
    EXPECT_EQ(read(dir + "/lib.def"), "LIBRARY lib\r\nEXPORTS\r\n    libVersion\r\n");
}

TEST(Wizard, RefusesAnIncompleteOrUnknownCommandLine)
{
    std::string error;
    EXPECT_FALSE(vyn::wizard::parse_request({"/prjname:x", "/prjpath:c:\\p"}, error).has_value());
    EXPECT_NE(error.find("usage"), std::string::npos);
    EXPECT_FALSE(vyn::wizard::parse_request({"/prjname:x", "/prjpath:p", "/out:o", "/bogus"}, error).has_value());
    EXPECT_EQ(error, "wizard: unknown argument '/bogus'");
    EXPECT_FALSE(vyn::wizard::parse_request({"/prjname:..\\x", "/prjpath:p", "/out:o"}, error).has_value());
    auto r = vyn::wizard::parse_request({"/TAVRA:5", "/PrjName:a", "/prjpath:p", "/out:o", "/DLL"}, error);
    ASSERT_TRUE(r.has_value());
    EXPECT_TRUE(r->dll);
    EXPECT_EQ(r->ide_window, "5");
}

}  // namespace
