#include "resedit/codegen.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "resedit/tests/test_support.h"

namespace vyn::resedit {
namespace {

using namespace testing;

Control make(std::uint16_t kind, std::uint16_t id, const char* symbol, std::uint32_t flags = 0,
             std::uint32_t mask = 0)
{
    Control c;
    c.kind = kind;
    c.id = id;
    c.symbol = symbol;
    c.flags = flags;
    c.notify_mask = mask;
    return c;
}

// One control of each kind that has a generator, with the options that make
// each write its lines.
Project every_kind_project()
{
    Project p;
    p.name = "demo";
    p.include_file = "ids.h";
    p.fonts.push_back("Arial");
    Dialog d;
    d.id = 100;
    d.name = "Main";
    d.prefix = "Main";
    d.flags = kDialogCentred | kDialogInputArgs | kDialogHasDestroy;
    d.background = 0xC0C0C0;
    d.colour_3d = 0xFFFFFF;
    d.point_size = 8;
    d.weight = 400;
    Control text = make(kText, 101, "IDC_TEXT");
    text.text_colour = 255;
    Control edit = make(kEdit, 102, "IDC_EDIT", 0x4 | 0x2 | 0x2000);
    edit.text_limit = 40;
    Control group = make(kGroupbox, 103, "IDC_GROUP");
    Control ok = make(kButton, 1, "", kCtlValidate);
    Control cancel = make(kButton, 2, "", kCtlCancel);
    Control more = make(kButton, 104, "IDC_MORE");
    more.callback = "#More";
    Control check = make(kCheckbox, 105, "IDC_CHECK", kCtlSelected | kCtlEnables | kCtlChecked);
    check.links = {102, 106};
    Control radio = make(kRadiobutton, 106, "IDC_RADIO", kCtlSelected);
    Control combo = make(kCombo, 107, "IDC_COMBO", 0x200);
    Control list = make(kList, 108, "IDC_LIST", 0x8 | kCtlDragList | kCtlKeyboard, 0x100);
    list.list_items = {"one", "two"};
    Control hscroll = make(kHScroll, 109, "IDC_HSCROLL", kCtlHasCallback);
    Control vscroll = make(kVScroll, 110, "IDC_VSCROLL");
    vscroll.callback = "VScrolled";
    Control listview = make(kListview, 111, "IDC_LISTVIEW", 0, 0x10000 | 0x100);
    listview.callback = "Files";
    Control tree = make(kTree, 112, "IDC_TREE", 0, 0x2);
    tree.callback = "Folders";
    Control spin = make(kSpinNotify, 113, "IDC_SPIN", 0, 0x1);
    spin.callback = "Count";
    spin.range_low = 0;
    spin.range_high = 10;
    Control slider = make(kSlider, 114, "IDC_SLIDER", kCtlHasCallback);
    slider.range_low = 1;
    slider.range_high = 5;
    Control custom = make(kCustom, 115, "IDC_CUSTOM", kCtlHasCallback);
    custom.font = 2;
    custom.font_size = 10;
    custom.font_weight = 700;
    d.controls = {text, edit, group, ok, cancel, more, check, radio, combo, list, hscroll, vscroll, listview, tree,
                  spin, slider, custom};
    p.dialogs.push_back(d);

    // A child-window dialog: a creation function, GDI objects registered
    // with the window, owner-drawn and bitmap buttons.
    Dialog child;
    child.id = 200;
    child.name = "Panel";
    child.flags = kDialogChildWindow | kDialogHasDefault;
    child.point_size = 9;
    child.font_index = 1;
    Control label = make(kText, 201, "IDC_LABEL");
    label.window_class = {true, 0x82, {}};
    label.text = {false, 0, "Name:"};
    label.style = 0x50000000;
    label.x = 4; label.y = 4; label.cx = 40; label.cy = 10;
    Control drawn = make(kButton, 202, "IDC_DRAWN", kCtlOwnerDraw);
    drawn.window_class = {true, 0x80, {}};
    drawn.style = 0x5001000B;
    drawn.x = 50; drawn.y = 4; drawn.cx = 20; drawn.cy = 20;
    Control picture = make(kButton, 203, "IDC_PICTURE", kCtlOwnerDraw);
    picture.bitmap_up = "PICUP";
    picture.bitmap_down = "#7";
    picture.window_class = {true, 0x80, {}};
    picture.style = 0x5001000B;
    picture.x = 80; picture.y = 4; picture.cx = 20; picture.cy = 20;
    Control bar = make(kSlider, 204, "IDC_BAR");
    bar.window_class = {false, 0, "msctls_trackbar32"};
    bar.style = 0x50000002;
    bar.callback = "Level";
    bar.x = 4; bar.y = 30; bar.cx = 10; bar.cy = 60;
    child.controls = {label, drawn, picture, bar};
    p.dialogs.push_back(child);
    return p;
}

// The expected files were checked line by line against the generator's
// templates: sections, their order, the callback names and prototypes.
TEST(Codegen, ThreeFilesForADialogWithOneControlOfEachKind)
{
    RecordingUi ui;
    GeneratedFiles f = generate_code(every_kind_project(), ui);
    EXPECT_EQ(f.c_file, text_of(test_data("codegen/demo.C")));
    EXPECT_EQ(f.h_file, text_of(test_data("codegen/demo.H")));
    EXPECT_EQ(f.callbacks_file, text_of(test_data("codegen/demo_cbk.c")));
    EXPECT_TRUE(ui.messages.empty());
}

TEST(Codegen, GeneratedFilesCompileWithoutWarnings)
{
    if (std::string(RESEDIT_CLANG).empty())
        GTEST_SKIP() << "no clang";
    Project p = every_kind_project();
    auto dir = scratch_directory("resedit_codegen_compile");
    RecordingUi ui;
    ASSERT_TRUE(write_generated_code(p, dir.string(), ui));
    std::string ids;
    int value = 1000;
    for (const Dialog& d : p.dialogs)
        for (const Control& c : d.controls)
            if (!c.symbol.empty())
                ids += "#define " + c.symbol + " " + std::to_string(value++) + "\n";
    write_text(dir / "ids.h", ids);
    for (const char* file : {"demo.C", "demo_cbk.c"}) {
        std::string command = std::string("cd '") + dir.string() + "' && '" + RESEDIT_CLANG +
                              "' -x c -target i686-w64-windows-gnu -isystem '" + RESEDIT_WIN_INCLUDE +
                              "' -fsyntax-only -Werror " + file;
        EXPECT_EQ(std::system(command.c_str()), 0) << file;
    }
}

TEST(Codegen, ListViewsSharingANotificationShareOneCase)
{
    Project p;
    p.name = "two";
    Dialog d;
    d.name = "Two";
    d.flags = kDialogNoFont;
    Control a = make(kListview, 10, "IDC_A", 0, 0x10000);
    a.callback = "A";
    Control b = make(kListview, 11, "IDC_B", 0, 0x10000);
    b.callback = "B";
    d.controls = {a, b};
    p.dialogs.push_back(d);
    RecordingUi ui;
    GeneratedFiles f = generate_code(p, ui);
    EXPECT_NE(f.c_file.find("\t\tcase NM_CLICK:\n"
                            "\t\t\tif (pnmhdr->idFrom == IDC_A)\n\t\t\t\treturn(Aclicked(hwnd,pnmhdr));\n"
                            "\t\t\tif (pnmhdr->idFrom == IDC_B)\n\t\t\t\treturn(Bclicked(hwnd,pnmhdr));\n"),
              std::string::npos)
        << f.c_file;
    // Neither colours nor fonts: no brushes and no destruction section.
    EXPECT_EQ(f.c_file.find("static HBRUSH"), std::string::npos);
    EXPECT_EQ(f.c_file.find("static HFONT"), std::string::npos);
    EXPECT_EQ(f.c_file.find("WM_DESTROY"), std::string::npos);
    EXPECT_NE(f.h_file.find("/* Control: IDC_A*/\nint Aclicked(HWND,NMHDR *);\n/* Control: IDC_B*/\n"),
              std::string::npos);
}

TEST(Codegen, ControlsWithoutGeneratorAreReportedAndSkipped)
{
    Project p;
    p.name = "odd";
    Dialog d;
    d.name = "Odd";
    d.controls = {make(kCommon16, 10, "IDC_TABS", kCtlHasCallback)};
    p.dialogs.push_back(d);
    RecordingUi ui;
    GeneratedFiles f = generate_code(p, ui);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Control 16 not implemented"});
    EXPECT_EQ(f.c_file.find("IDC_TABS"), std::string::npos);
}

TEST(Codegen, ForeignCFileIsOnlyReplacedWhenTheUserAgrees)
{
    Project p = every_kind_project();
    auto dir = scratch_directory("resedit_codegen_foreign");
    RecordingUi ui;
    ASSERT_TRUE(write_generated_code(p, dir.string(), ui));
    ASSERT_TRUE(write_generated_code(p, dir.string(), ui));  // over its own output: silently
    EXPECT_TRUE(ui.questions.empty());
    write_text(dir / "demo.C", "int main(void) { return 0; }\n");
    std::filesystem::remove(dir / "demo.H");
    EXPECT_FALSE(write_generated_code(p, dir.string(), ui));
    EXPECT_EQ(ui.questions, std::vector<std::string>{(dir / "demo.C").string() + " n'est pas un fichier TVR. Continuer?"});
    EXPECT_EQ(text_of(dir / "demo.C"), "int main(void) { return 0; }\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "demo.H"));
    ui.answer = true;
    EXPECT_TRUE(write_generated_code(p, dir.string(), ui));
    EXPECT_EQ(text_of(dir / "demo.C"), text_of(test_data("codegen/demo.C")));
}

}  // namespace
}  // namespace vyn::resedit
