#include "resedit/custom_dlls.h"

#include <gtest/gtest.h>

namespace vyn::resedit {
namespace {

TEST(CustomDlls, ListRoundTripsWithoutDuplicatesOrEmptyEntries)
{
    auto list = split_dll_list("C:\\A\\one.dll;;c:\\a\\ONE.DLL;D:\\two.dll;");
    EXPECT_EQ(list, (std::vector<std::string>{"C:\\A\\one.dll", "D:\\two.dll"}));
    EXPECT_EQ(join_dll_list(list), "C:\\A\\one.dll;D:\\two.dll");
    EXPECT_TRUE(split_dll_list("").empty());
    EXPECT_FALSE(add_dll(list, "d:\\TWO.dll"));
    EXPECT_FALSE(add_dll(list, "a;b.dll"));  // would split in two when read back
    EXPECT_TRUE(add_dll(list, "E:\\three.dll"));
    EXPECT_TRUE(remove_dll(list, "c:\\a\\one.DLL"));
    EXPECT_FALSE(remove_dll(list, "c:\\a\\one.DLL"));
    EXPECT_EQ(split_dll_list(join_dll_list(list)), list);
}

TEST(CustomDlls, CustomControlTakesItsClassAndStaysInside)
{
    EditorSettings s = EditorSettings::defaults();
    Dialog d = new_dialog(100, "IDD_C");  // 160 x 100
    CustomClass cls{"GaugeClass", "A gauge", "50", 80, 20, 0x3, 0x200};
    std::size_t i = add_custom_control(d, cls, 150, 10, s);
    const Control& c = d.controls[i];
    EXPECT_EQ(c.kind, kCustom);
    EXPECT_EQ(c.window_class.text, "GaugeClass");
    EXPECT_EQ(c.text.text, "50");
    EXPECT_EQ(c.style, 0x50000003u);
    EXPECT_EQ(c.ex_style, 0x200u);
    EXPECT_EQ(c.cx, 80);
    EXPECT_EQ(c.cy, 20);
    EXPECT_EQ(c.x, 160 - 6 - 80);  // pushed back inside the right margin
    std::uint16_t first_id = c.id;
    std::size_t j = add_custom_control(d, CustomClass{"Bare", "", "", 0, 0, 0, 0}, 10, 40, s);
    EXPECT_EQ(d.controls[j].cx, 40);
    EXPECT_EQ(d.controls[j].cy, 14);
    EXPECT_NE(d.controls[j].id, first_id);
}

}  // namespace
}  // namespace vyn::resedit
