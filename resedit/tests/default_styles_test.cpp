// The settings that shape new controls and dialogs: the default styles
// choices, the colour of new static texts, the font style of new dialogs,
// and the guide above the button row.
#include "resedit/default_styles.h"

#include <gtest/gtest.h>

#include "resedit/codegen.h"
#include "resedit/dialog_editing.h"
#include "resedit/script_writer.h"
#include "common/strings.h"
#include "resedit/symbols.h"
#include "resedit/tests/test_ui.h"

namespace vyn::resedit {
namespace {

std::uint32_t style_of(std::uint16_t kind, long choices)
{
    EditorSettings s = EditorSettings::defaults();
    s[kControlStyles] = choices;
    return new_control(kind, s).style;
}

TEST(DefaultStyles, TheDefaultChoicesGiveEveryKindItsUsualStyle)
{
    // Written from the window styles each kind has always been added with.
    const std::pair<std::uint16_t, std::uint32_t> usual[] = {
        {kText, 0x50000000},     {kEdit, 0x50810080},     {kGroupbox, 0x50000007}, {kButton, 0x50010000},
        {kCheckbox, 0x50010003}, {kRadiobutton, 0x50010009}, {kCombo, 0x50210003}, {kList, 0x50A10001},
        {kHScroll, 0x50000000},  {kVScroll, 0x50000001},  {kListview, 0x50810001}, {kTree, 0x50810007},
        {kSpin, 0x50000020},     {kSlider, 0x50010000},
    };
    EXPECT_EQ(EditorSettings::defaults()[kControlStyles], 43476);
    for (auto [kind, style] : usual)
        EXPECT_EQ(style_of(kind, 43476), style) << "kind " << kind;
}

TEST(DefaultStyles, EachChoiceChangesOnlyTheKindsItNames)
{
    const long d = 43476;
    EXPECT_EQ(style_of(kCheckbox, d & ~(1L << 6)), 0x50010002u);       // BS_CHECKBOX
    EXPECT_EQ(style_of(kRadiobutton, d & ~(1L << 7)), 0x50010004u);    // BS_RADIOBUTTON
    EXPECT_EQ(style_of(kCombo, d & ~(1L << 11)), 0x50210002u);         // CBS_DROPDOWN
    EXPECT_EQ(style_of(kList, d | (1L << 9)), 0x50A10003u);            // LBS_SORT
    EXPECT_EQ(style_of(kCombo, d | (1L << 10)), 0x50210103u);          // CBS_SORT
    EXPECT_EQ(style_of(kText, d | 1L), 0x50000001u);                   // SS_CENTER
    EXPECT_EQ(style_of(kButton, d | (1L << 5)), 0x50010001u);          // BS_DEFPUSHBUTTON
    EXPECT_EQ(style_of(kEdit, d | (1L << 3)), 0x508100C4u);            // ES_MULTILINE | ES_AUTOVSCROLL
    EXPECT_EQ(style_of(kEdit, d & ~(1L << 2)), 0x50010080u);           // no border
    EXPECT_EQ(style_of(kCheckbox, d | (1L << 12)), 0x50010023u);       // BS_LEFTTEXT
    EXPECT_EQ(style_of(kRadiobutton, d | (1L << 12)), 0x50010029u);
    EXPECT_EQ(style_of(kList, d & ~(1L << 13)), 0x50810001u);          // no WS_VSCROLL
    EXPECT_EQ(style_of(kVScroll, d & ~(1L << 13)), 0x50000001u);       // a scroll bar is not a list
    // Tab stops: every kind that takes input loses it, the others never had it.
    for (std::uint16_t kind : {kEdit, kButton, kCheckbox, kRadiobutton, kCombo, kList, kListview, kTree, kSlider})
        EXPECT_EQ(style_of(kind, d & ~(1L << 15)) & 0x10000u, 0u) << "kind " << kind;
    for (std::uint16_t kind : {kText, kGroupbox, kHScroll, kSpin})
        EXPECT_EQ(style_of(kind, d), style_of(kind, d & ~(1L << 15))) << "kind " << kind;
    // A new group starts at every kind.
    for (std::uint16_t kind = kText; kind <= kSlider; ++kind) {
        if (!can_add_kind(kind))
            continue;
        EXPECT_EQ(style_of(kind, d | (1L << 14)), style_of(kind, d) | 0x20000u) << "kind " << kind;
    }
    for (int bit = 0; bit < kDefaultStyleChoiceCount; ++bit)
        EXPECT_STRNE(default_style_label(bit), "");
}

TEST(DefaultStyles, TheScriptNamesTheChosenStyles)
{
    EditorSettings s = EditorSettings::defaults();
    s[kControlStyles] = (43476 | (1L << 9)) & ~(1L << 11);
    Dialog d = new_dialog(100, "IDD_S");
    add_control(d, kList, 10, 10, s);
    add_control(d, kCombo, 70, 10, s);
    std::string script = dialog_script(d, SymbolTable(), BaseUnits{});
    EXPECT_NE(script.find("LBS_SORT"), std::string::npos) << script;
    EXPECT_NE(script.find("CBS_DROPDOWN"), std::string::npos) << script;
    EXPECT_EQ(script.find("CBS_DROPDOWNLIST"), std::string::npos) << script;
}

TEST(DefaultStyles, NewStaticTextsTakeTheTextColourAndTheCodeSetsIt)
{
    EditorSettings s = EditorSettings::defaults();
    Dialog d = new_dialog(100, "IDD_C");
    EXPECT_EQ(d.controls[add_control(d, kText, 10, 10, s)].text_colour, kNoColour);  // black: the system's
    s[kTextColor] = 0x0000FF;
    std::size_t red = add_control(d, kText, 10, 30, s);
    std::size_t edit = add_control(d, kEdit, 10, 50, s);
    EXPECT_EQ(d.controls[red].text_colour, 0x0000FFu);
    EXPECT_EQ(d.controls[edit].text_colour, kNoColour);
    s[kTextColor] = 0xFFFFFFFFL;  // "not set"
    EXPECT_EQ(d.controls[add_control(d, kText, 10, 70, s)].text_colour, kNoColour);

    Project p;
    p.name = "C";
    p.dialogs = {d};
    testing::RecordingUi ui;
    GeneratedFiles files = generate_code(p, ui);
    EXPECT_NE(files.c_file.find(format("if (id == %d)", d.controls[red].id)), std::string::npos);
    EXPECT_NE(files.c_file.find("SetTextColor((HDC)wParam,(COLORREF)255);"), std::string::npos) << files.c_file;
}

TEST(DefaultStyles, NewDialogsTakeTheFontStyle)
{
    Dialog plain = new_dialog(100, "IDD_P");
    EXPECT_FALSE(plain.extended);
    EXPECT_EQ(plain.weight, 0);

    Dialog bold = new_dialog(100, "IDD_B", kFontStyleBold | kFontStyleItalic);
    EXPECT_TRUE(bold.extended);
    EXPECT_EQ(bold.weight, 700);
    EXPECT_EQ(bold.italic, 1);
    std::string script = dialog_script(bold, SymbolTable(), BaseUnits{});
    EXPECT_NE(script.find("DIALOGEX"), std::string::npos) << script;
    EXPECT_NE(script.find("\"MS Sans Serif\", 700, 1"), std::string::npos) << script;

    Dialog italic = new_dialog(100, "IDD_I", kFontStyleItalic);
    EXPECT_EQ(italic.weight, 400);
    EXPECT_EQ(italic.italic, 1);
}

TEST(DefaultStyles, TheButtonGuideLiesTheOffsetAboveTheBottomInsideTheMargin)
{
    EditorSettings s = EditorSettings::defaults();
    Dialog d = new_dialog(100, "IDD_G");  // 100 units high
    EXPECT_EQ(button_guide_y(d, s), 79);  // 21 above the bottom
    s[kUnderscoreYOffset] = 0;
    EXPECT_FALSE(button_guide_y(d, s));
    s[kUnderscoreYOffset] = 94;
    EXPECT_EQ(button_guide_y(d, s), 6);   // on the top margin
    s[kUnderscoreYOffset] = 95;
    EXPECT_FALSE(button_guide_y(d, s));   // above it
}

}  // namespace
}  // namespace vyn::resedit
