#include "common/winpath.h"

#include <gtest/gtest.h>

namespace wp = vyn::winpath;

namespace {

TEST(WinPath, NamePartsUseTheLastSeparatorOfEitherKind)
{
    EXPECT_EQ(wp::base_name("C:\\SRC\\MAIN.C"), "MAIN.C");
    EXPECT_EQ(wp::base_name("/opt/vyn/lib/libc.lib"), "libc.lib");
    EXPECT_EQ(wp::base_name("C:MAIN.C"), "MAIN.C");
    EXPECT_EQ(wp::base_name("C:\\SRC\\"), "");
    EXPECT_EQ(wp::directory("C:\\SRC\\MAIN.C"), "C:\\SRC");
    EXPECT_EQ(wp::directory("C:\\MAIN.C"), "C:\\");
    EXPECT_EQ(wp::directory("\\MAIN.C"), "\\");
    EXPECT_EQ(wp::directory("MAIN.C"), "");
    EXPECT_EQ(wp::directory("C:MAIN.C"), "C:");
    EXPECT_EQ(wp::directory("a/b\\c.obj"), "a/b");
}

TEST(WinPath, ExtensionsBelongToTheBaseName)
{
    EXPECT_EQ(wp::extension("main.c"), ".c");
    EXPECT_EQ(wp::extension("C:\\V1.2\\MAKEFILE"), "");
    EXPECT_EQ(wp::extension("archive.tar.gz"), ".gz");
    EXPECT_EQ(wp::replace_extension("C:\\P\\PROG.C", ".OBJ"), "C:\\P\\PROG.OBJ");
    EXPECT_EQ(wp::replace_extension("C:\\V1.2\\PROG", ".EXE"), "C:\\V1.2\\PROG.EXE");
    EXPECT_EQ(wp::replace_extension("a.def", ""), "a");
}

TEST(WinPath, FullPathsAgainstABaseDirectory)
{
    const char* base = "C:\\WORK\\PROJ";
    EXPECT_EQ(wp::full_path("main.c", base), "C:\\WORK\\PROJ\\main.c");
    EXPECT_EQ(wp::full_path("..\\lib\\x.c", base), "C:\\WORK\\lib\\x.c");
    EXPECT_EQ(wp::full_path(".\\a\\.\\b.c", base), "C:\\WORK\\PROJ\\a\\b.c");
    EXPECT_EQ(wp::full_path("..\\..\\..\\..\\x.c", base), "C:\\x.c");
    EXPECT_EQ(wp::full_path("\\tmp\\x.c", base), "C:\\tmp\\x.c");
    EXPECT_EQ(wp::full_path("D:\\a\\\\b\\", base), "D:\\a\\b");
    EXPECT_EQ(wp::full_path("D:x.c", base), "D:\\x.c");
    EXPECT_EQ(wp::full_path("c:x.c", base), "C:\\WORK\\PROJ\\x.c");
    EXPECT_EQ(wp::full_path("sub/dir/x.c", base), "C:\\WORK\\PROJ\\sub\\dir\\x.c");
    EXPECT_EQ(wp::full_path("..", "C:\\"), "C:\\");
    EXPECT_EQ(wp::full_path("\\\\srv\\share\\a\\..\\..\\b", base), "\\\\srv\\share\\b");
}

TEST(WinPath, UpperCasingTouchesOnlyAToZ)
{
    EXPECT_EQ(wp::upper_az("c:\\Src\\m\xFCller.c"), "C:\\SRC\\M\xFCLLER.C");
}

TEST(WinPath, JoinAndRelativeNames)
{
    EXPECT_EQ(wp::join("C:\\A", "b.c"), "C:\\A\\b.c");
    EXPECT_EQ(wp::join("C:\\A\\", "\\b.c"), "C:\\A\\b.c");
    EXPECT_EQ(wp::join("C:", "b.c"), "C:b.c");
    EXPECT_EQ(wp::join("", "b.c"), "b.c");
    EXPECT_EQ(wp::relative_to("C:\\WORK\\PROJ\\SRC\\A.C", "c:\\work\\proj"), "SRC\\A.C");
    EXPECT_EQ(wp::relative_to("C:\\WORK\\PROJECT\\A.C", "C:\\WORK\\PROJ"), "C:\\WORK\\PROJECT\\A.C");
    EXPECT_EQ(wp::relative_to("D:\\A.C", "C:\\"), "D:\\A.C");
}

TEST(WinPath, AbsoluteAndRootedNames)
{
    EXPECT_TRUE(wp::is_absolute("C:\\x"));
    EXPECT_TRUE(wp::is_absolute("\\\\srv\\share"));
    EXPECT_FALSE(wp::is_absolute("\\x"));
    EXPECT_FALSE(wp::is_absolute("C:x"));
    EXPECT_TRUE(wp::is_rooted("\\x"));
    EXPECT_TRUE(wp::is_rooted("C:/x"));
    EXPECT_FALSE(wp::is_rooted("x\\y"));
    EXPECT_EQ(wp::to_backslashes("a//b/c"), "a\\b\\c");
    EXPECT_EQ(wp::to_backslashes("//srv/x"), "\\\\srv\\x");
}

}  // namespace
