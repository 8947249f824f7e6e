#include "resedit/script_writer.h"

#include <gtest/gtest.h>

#include "resedit/dialog_template.h"
#include "resedit/tests/test_support.h"

namespace vyn::resedit {
namespace {

using namespace testing;

SymbolTable sample_symbols()
{
    RecordingUi ui;
    return SymbolTable::from_include(text_of(test_data("sample.h")), ui);
}

TEST(ScriptWriter, WrittenScriptCompilesToTheSameDialogsAndMenus)
{
    auto dir = scratch_directory("resedit_script");
    ASSERT_TRUE(compile_script(test_data("sample.rc"), dir / "sample.res"));
    RecordingUi ui;
    auto original = read_res(bytes_of(dir / "sample.res"), ui);
    ASSERT_TRUE(original);
    original->include_file = "sample.h";
    write_text(dir / "sample.DLG", resource_script(*original, sample_symbols(), {}));
    ASSERT_TRUE(compile_script(dir / "sample.DLG", dir / "again.res", {RESEDIT_TEST_DATA}))
        << text_of(dir / "sample.DLG");
    auto again = read_res(bytes_of(dir / "again.res"), ui);
    ASSERT_TRUE(again);
    std::size_t compared = 0;
    for (const ResRecord& rec : original->records) {
        if (!(rec.type.ordinal == kResTypeDialog || rec.type.ordinal == kResTypeMenu))
            continue;
        const ResRecord* match = nullptr;
        for (const ResRecord& other : again->records)
            if (other.type == rec.type && other.name == rec.name)
                match = &other;
        ASSERT_TRUE(match) << rec.name.ordinal;
        auto a = rec.data();
        auto b = match->data();
        EXPECT_EQ(std::vector<std::uint8_t>(a.begin(), a.end()), std::vector<std::uint8_t>(b.begin(), b.end()))
            << "resource " << rec.name.ordinal << "\n" << text_of(dir / "sample.DLG");
        ++compared;
    }
    EXPECT_EQ(compared, 3u);
}

Dialog small_dialog()
{
    Dialog d;
    d.id = 100;
    d.style = 0x80C80040;  // WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT
    d.x = 12;
    d.y = 26;
    d.cx = 120;
    d.cy = 52;
    d.caption = "Small";
    d.point_size = 8;
    d.face = "MS Sans Serif";
    Control ok;
    ok.window_class = {true, kClassButton, {}};
    ok.text = {false, 0, "OK"};
    ok.id = 1;
    ok.style = 0x50010001;
    ok.x = 6; ok.y = 13; ok.cx = 48; ok.cy = 26;
    Control edit;
    edit.window_class = {true, kClassEdit, {}};
    edit.id = 0x123;
    edit.style = 0x50010080;  // no border
    edit.ex_style = 0x200;
    edit.x = 60; edit.y = 0; edit.cx = 30; edit.cy = 13;
    Control tree;
    tree.window_class = {false, 0, "SysTreeView32"};
    tree.id = 101;
    tree.style = 0x40000003;
    tree.x = 0; tree.y = 39; tree.cx = 6; tree.cy = 13;
    d.controls = {ok, edit, tree};
    return d;
}

TEST(ScriptWriter, DialogInDialogUnits)
{
    SymbolTable symbols;
    RecordingUi ui;
    symbols.add("IDD_SMALL", 100, ui);
    symbols.add("IDC_TREE", 101, ui);
    EXPECT_EQ(dialog_script(small_dialog(), symbols, {}),
              "IDD_SMALL DIALOG 12, 26, 120, 52\n"
              "STYLE WS_CAPTION | WS_POPUP | WS_SYSMENU | DS_SETFONT\n"
              "CAPTION \"Small\"\n"
              "FONT 8, \"MS Sans Serif\"\n"
              "BEGIN\n"
              "    PUSHBUTTON \"OK\", IDOK, 6, 13, 48, 26, BS_DEFPUSHBUTTON\n"
              "    EDITTEXT 0x123, 60, 0, 30, 13, NOT WS_BORDER | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE\n"
              "    CONTROL \"\", IDC_TREE, \"SysTreeView32\", NOT WS_VISIBLE | 0x00000003, 0, 39, 6, 13\n"
              "END\n");
}

TEST(ScriptWriter, DialogInPixelsIsConvertedToDialogUnits)
{
    Dialog d = small_dialog();
    d.flags |= kDialogPixels;
    d.extended = true;
    d.weight = 700;
    std::string text = dialog_script(d, SymbolTable{}, BaseUnits{6, 13});
    // x and width times 4, y and height times 8, divided by the base units.
    EXPECT_TRUE(text.starts_with("0x64 DIALOGEX 8, 16, 80, 32\n")) << text;
    EXPECT_NE(text.find("FONT 8, \"MS Sans Serif\", 700, 0, 0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("    PUSHBUTTON \"OK\", IDOK, 4, 8, 32, 16, BS_DEFPUSHBUTTON\n"), std::string::npos) << text;
    EXPECT_NE(text.find(", 0x65, \"SysTreeView32\", NOT WS_VISIBLE | 0x00000003, 0, 24, 4, 8\n"), std::string::npos)
        << text;
}

TEST(ScriptWriter, MenusWithEveryItemOption)
{
    Menu menu;
    MenuItem file{"&File", 0, 0, {}, true};
    file.items = {{"&Open", 201, MF_CHECKED | MF_GRAYED, {}, false}, {"", 0, 0, {}, false},
                  {"E&xit", 0x3E9, MF_INACTIVE | MF_MENUBARBREAK | MF_MENUBREAK, {}, false}};
    menu.items = {file};
    SymbolTable symbols;
    RecordingUi ui;
    symbols.add("IDM_OPEN", 201, ui);
    EXPECT_EQ(menu_script("IDM_MAIN", menu, symbols),
              "IDM_MAIN MENU\n"
              "BEGIN\n"
              "    POPUP \"&File\"\n"
              "    BEGIN\n"
              "        MENUITEM \"&Open\", IDM_OPEN, CHECKED, GRAYED\n"
              "        MENUITEM SEPARATOR\n"
              "        MENUITEM \"E&xit\", 0x3e9, INACTIVE, MENUBARBREAK, MENUBREAK\n"
              "    END\n"
              "END\n");
}

}  // namespace
}  // namespace vyn::resedit
