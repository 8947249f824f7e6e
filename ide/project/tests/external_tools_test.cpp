// Expansion of utility strings and the files and names used to run programs.
#include "ide/project/external_tools.h"

#include <gtest/gtest.h>

namespace {

using namespace vyn::project;

ExpansionValues values()
{
    ExpansionValues v;
    v.file = "C:\\WORK\\HELLO.C";
    v.hwnd = "0x1a2b";
    v.current_text = "counter";
    v.cursor = "coun";
    v.selection = "a + b";
    v.exe = "c:\\work\\vyn\\hello.exe";
    return v;
}

TEST(Expansion, NamesBecomeTheirValueAndOneBlank)
{
    std::string error;
    EXPECT_EQ(expand_utility_text("$FILE$ -x", values(), error), "C:\\WORK\\HELLO.C  -x");
    EXPECT_EQ(expand_utility_text("$hwnd$$Current_Text$|$cursor$|$SELECTION$|$EXE$", values(), error),
              "0x1a2b counter |coun |a + b |c:\\work\\vyn\\hello.exe ");
    EXPECT_EQ(expand_utility_text("a $UNKNOWN$b", values(), error), "a b");
    // Whatever lies between two dollar signs is a name; an unknown one goes.
    EXPECT_EQ(expand_utility_text("cost $5 and $", values(), error), "cost ");
    EXPECT_EQ(expand_utility_text("cost $5", values(), error), "cost $5");
    std::string long_name = "$" + std::string(31, 'F') + "$x";
    EXPECT_EQ(expand_utility_text(long_name, values(), error), long_name);
    EXPECT_EQ(expand_utility_text("$" + std::string(30, 'F') + "$x", values(), error), "x");
}

TEST(Expansion, AMultiLineSelectionIsRefused)
{
    ExpansionValues v = values();
    v.selection_multiline = true;
    std::string error;
    EXPECT_FALSE(expand_utility_text("grep $SELECTION$", v, error).has_value());
    EXPECT_EQ(error, "Impossible to send multi-line selection");
    error.clear();
    EXPECT_EQ(expand_utility_text("$FILE$", v, error), "C:\\WORK\\HELLO.C ");
    EXPECT_TRUE(error.empty());
}

TEST(RunFiles, CaptureBatchRunnerAndExecutable)
{
    EXPECT_EQ(capture_command_file("c:\\t\\p.exe", "-a", "C:\\TEMP\\t12.tmp"), "c:\\t\\p.exe -a > C:\\TEMP\\t12.tmp\r\n");
    EXPECT_EQ(console_batch_file("c:\\w\\vyn\\hello.exe x"),
              "@echo off\nc:\\w\\vyn\\hello.exe x\npause\ndel vyntmpbatFile945.bat\n");
    EXPECT_EQ(with_runner("", "hello.exe a"), "hello.exe a");
    EXPECT_EQ(with_runner("vyni386", "hello.exe a"), "vyni386 hello.exe a");
    Project p;
    p.exe = "hello.exe";
    p.make.dir = "c:\\w\\vyn";
    EXPECT_EQ(executable_path(p), "c:\\w\\vyn\\hello.exe");
    p.exe = "d:\\out\\hello.exe";
    EXPECT_EQ(executable_path(p), "d:\\out\\hello.exe");
}

TEST(RunFiles, I386ImagesAreRecognisedByTheirHeaders)
{
    std::vector<std::uint8_t> image(0x90, 0);
    image[0] = 'M';
    image[1] = 'Z';
    image[0x3C] = 0x80;
    image[0x80] = 'P';
    image[0x81] = 'E';
    image[0x84] = 0x4C;
    image[0x85] = 0x01;
    EXPECT_TRUE(is_i386_image(image));
    image[0x84] = 0x64;
    image[0x85] = 0x86;  // x86-64
    EXPECT_FALSE(is_i386_image(image));
    image[0x84] = 0x4C;
    image[0x85] = 0x01;
    image[0x3C] = 0xF0;  // e_lfanew past the end
    EXPECT_FALSE(is_i386_image(image));
    image[0x3C] = 0x80;
    image[0] = 'X';
    EXPECT_FALSE(is_i386_image(image));
    EXPECT_FALSE(is_i386_image(std::span<const std::uint8_t>(image.data(), 10)));
}

TEST(RunFiles, RebuildObjectList)
{
    EXPECT_EQ(rebuild_object_list({"Hello.C", "res.rc", "pre.obj", "Makefile", "x.h"}),
              (std::vector<std::string>{"hello.obj", "res.obj", "x.obj"}));
}

}  // namespace
