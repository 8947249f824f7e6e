#include "resedit/style_names.h"

#include <vector>

#include "common/strings.h"
#include "resedit/dialog_template.h"

namespace vyn::resedit {
namespace {

struct Bits {
    std::uint32_t mask;   // the bits the name stands for
    std::uint32_t value;  // their value; a name with value 0 is never written
    const char* name;
};

// Multi-bit names first, so that WS_CAPTION wins over WS_BORDER.
const std::vector<Bits> kWindowHigh = {
    {0x00C00000, 0x00C00000, "WS_CAPTION"}, {0x80000000, 0x80000000, "WS_POPUP"},
    {0x40000000, 0x40000000, "WS_CHILD"},   {0x20000000, 0x20000000, "WS_MINIMIZE"},
    {0x10000000, 0x10000000, "WS_VISIBLE"}, {0x08000000, 0x08000000, "WS_DISABLED"},
    {0x04000000, 0x04000000, "WS_CLIPSIBLINGS"}, {0x02000000, 0x02000000, "WS_CLIPCHILDREN"},
    {0x01000000, 0x01000000, "WS_MAXIMIZE"}, {0x00800000, 0x00800000, "WS_BORDER"},
    {0x00400000, 0x00400000, "WS_DLGFRAME"}, {0x00200000, 0x00200000, "WS_VSCROLL"},
    {0x00100000, 0x00100000, "WS_HSCROLL"}, {0x00080000, 0x00080000, "WS_SYSMENU"},
    {0x00040000, 0x00040000, "WS_THICKFRAME"},
};
const std::vector<Bits> kDialogBoxes = {
    {0x00020000, 0x00020000, "WS_MINIMIZEBOX"}, {0x00010000, 0x00010000, "WS_MAXIMIZEBOX"}};
const std::vector<Bits> kControlGroups = {
    {0x00020000, 0x00020000, "WS_GROUP"}, {0x00010000, 0x00010000, "WS_TABSTOP"}};

const std::vector<Bits> kDialogLow = {
    {0x1, 0x1, "DS_ABSALIGN"}, {0x2, 0x2, "DS_SYSMODAL"}, {0x4, 0x4, "DS_3DLOOK"}, {0x8, 0x8, "DS_FIXEDSYS"},
    {0x10, 0x10, "DS_NOFAILCREATE"}, {0x20, 0x20, "DS_LOCALEDIT"}, {0x40, 0x40, "DS_SETFONT"},
    {0x80, 0x80, "DS_MODALFRAME"}, {0x100, 0x100, "DS_NOIDLEMSG"}, {0x200, 0x200, "DS_SETFOREGROUND"},
    {0x400, 0x400, "DS_CONTROL"}, {0x800, 0x800, "DS_CENTER"}, {0x1000, 0x1000, "DS_CENTERMOUSE"},
    {0x2000, 0x2000, "DS_CONTEXTHELP"},
};
const std::vector<Bits> kButton = {
    {0xF, 0x1, "BS_DEFPUSHBUTTON"}, {0xF, 0x2, "BS_CHECKBOX"}, {0xF, 0x3, "BS_AUTOCHECKBOX"},
    {0xF, 0x4, "BS_RADIOBUTTON"}, {0xF, 0x5, "BS_3STATE"}, {0xF, 0x6, "BS_AUTO3STATE"}, {0xF, 0x7, "BS_GROUPBOX"},
    {0xF, 0x8, "BS_USERBUTTON"}, {0xF, 0x9, "BS_AUTORADIOBUTTON"}, {0xF, 0xB, "BS_OWNERDRAW"},
    {0x20, 0x20, "BS_LEFTTEXT"}, {0x40, 0x40, "BS_ICON"}, {0x80, 0x80, "BS_BITMAP"},
    {0x300, 0x300, "BS_CENTER"}, {0x300, 0x100, "BS_LEFT"}, {0x300, 0x200, "BS_RIGHT"},
    {0xC00, 0xC00, "BS_VCENTER"}, {0xC00, 0x400, "BS_TOP"}, {0xC00, 0x800, "BS_BOTTOM"},
    {0x1000, 0x1000, "BS_PUSHLIKE"}, {0x2000, 0x2000, "BS_MULTILINE"}, {0x4000, 0x4000, "BS_NOTIFY"},
    {0x8000, 0x8000, "BS_FLAT"},
};
const std::vector<Bits> kEdit = {
    {0x3, 0x1, "ES_CENTER"}, {0x3, 0x2, "ES_RIGHT"}, {0x4, 0x4, "ES_MULTILINE"}, {0x8, 0x8, "ES_UPPERCASE"},
    {0x10, 0x10, "ES_LOWERCASE"}, {0x20, 0x20, "ES_PASSWORD"}, {0x40, 0x40, "ES_AUTOVSCROLL"},
    {0x80, 0x80, "ES_AUTOHSCROLL"}, {0x100, 0x100, "ES_NOHIDESEL"}, {0x400, 0x400, "ES_OEMCONVERT"},
    {0x800, 0x800, "ES_READONLY"}, {0x1000, 0x1000, "ES_WANTRETURN"}, {0x2000, 0x2000, "ES_NUMBER"},
};
const std::vector<Bits> kStatic = {
    {0x1F, 0x1, "SS_CENTER"}, {0x1F, 0x2, "SS_RIGHT"}, {0x1F, 0x3, "SS_ICON"}, {0x1F, 0x4, "SS_BLACKRECT"},
    {0x1F, 0x5, "SS_GRAYRECT"}, {0x1F, 0x6, "SS_WHITERECT"}, {0x1F, 0x7, "SS_BLACKFRAME"},
    {0x1F, 0x8, "SS_GRAYFRAME"}, {0x1F, 0x9, "SS_WHITEFRAME"}, {0x1F, 0xB, "SS_SIMPLE"},
    {0x1F, 0xC, "SS_LEFTNOWORDWRAP"}, {0x1F, 0xE, "SS_BITMAP"}, {0x1F, 0x10, "SS_ETCHEDHORZ"},
    {0x1F, 0x11, "SS_ETCHEDVERT"}, {0x1F, 0x12, "SS_ETCHEDFRAME"}, {0x80, 0x80, "SS_NOPREFIX"},
    {0x100, 0x100, "SS_NOTIFY"}, {0x200, 0x200, "SS_CENTERIMAGE"}, {0x400, 0x400, "SS_RIGHTJUST"},
    {0x1000, 0x1000, "SS_SUNKEN"},
};
const std::vector<Bits> kListBox = {
    {0x1, 0x1, "LBS_NOTIFY"}, {0x2, 0x2, "LBS_SORT"}, {0x4, 0x4, "LBS_NOREDRAW"}, {0x8, 0x8, "LBS_MULTIPLESEL"},
    {0x10, 0x10, "LBS_OWNERDRAWFIXED"}, {0x20, 0x20, "LBS_OWNERDRAWVARIABLE"}, {0x40, 0x40, "LBS_HASSTRINGS"},
    {0x80, 0x80, "LBS_USETABSTOPS"}, {0x100, 0x100, "LBS_NOINTEGRALHEIGHT"}, {0x200, 0x200, "LBS_MULTICOLUMN"},
    {0x400, 0x400, "LBS_WANTKEYBOARDINPUT"}, {0x800, 0x800, "LBS_EXTENDEDSEL"},
    {0x1000, 0x1000, "LBS_DISABLENOSCROLL"}, {0x2000, 0x2000, "LBS_NODATA"}, {0x4000, 0x4000, "LBS_NOSEL"},
};
const std::vector<Bits> kComboBox = {
    {0x3, 0x1, "CBS_SIMPLE"}, {0x3, 0x2, "CBS_DROPDOWN"}, {0x3, 0x3, "CBS_DROPDOWNLIST"},
    {0x10, 0x10, "CBS_OWNERDRAWFIXED"}, {0x20, 0x20, "CBS_OWNERDRAWVARIABLE"}, {0x40, 0x40, "CBS_AUTOHSCROLL"},
    {0x80, 0x80, "CBS_OEMCONVERT"}, {0x100, 0x100, "CBS_SORT"}, {0x200, 0x200, "CBS_HASSTRINGS"},
    {0x400, 0x400, "CBS_NOINTEGRALHEIGHT"}, {0x800, 0x800, "CBS_DISABLENOSCROLL"},
    {0x2000, 0x2000, "CBS_UPPERCASE"}, {0x4000, 0x4000, "CBS_LOWERCASE"},
};
const std::vector<Bits> kScrollBar = {
    {0x1, 0x1, "SBS_VERT"}, {0x2, 0x2, "SBS_TOPALIGN"}, {0x4, 0x4, "SBS_BOTTOMALIGN"}, {0x8, 0x8, "SBS_SIZEBOX"}};
const std::vector<Bits> kExStyles = {
    {0x1, 0x1, "WS_EX_DLGMODALFRAME"}, {0x4, 0x4, "WS_EX_NOPARENTNOTIFY"}, {0x8, 0x8, "WS_EX_TOPMOST"},
    {0x10, 0x10, "WS_EX_ACCEPTFILES"}, {0x20, 0x20, "WS_EX_TRANSPARENT"}, {0x40, 0x40, "WS_EX_MDICHILD"},
    {0x80, 0x80, "WS_EX_TOOLWINDOW"}, {0x100, 0x100, "WS_EX_WINDOWEDGE"}, {0x200, 0x200, "WS_EX_CLIENTEDGE"},
    {0x400, 0x400, "WS_EX_CONTEXTHELP"}, {0x1000, 0x1000, "WS_EX_RIGHT"}, {0x2000, 0x2000, "WS_EX_RTLREADING"},
    {0x4000, 0x4000, "WS_EX_LEFTSCROLLBAR"}, {0x10000, 0x10000, "WS_EX_CONTROLPARENT"},
    {0x20000, 0x20000, "WS_EX_STATICEDGE"}, {0x40000, 0x40000, "WS_EX_APPWINDOW"},
};

const std::vector<Bits>* low_word_names(const NameOrId& cls)
{
    std::uint16_t ordinal = cls.is_ordinal ? cls.ordinal : 0;
    if (!cls.is_ordinal) {
        static const struct { const char* name; std::uint16_t ordinal; } named[] = {
            {"Button", kClassButton}, {"Edit", kClassEdit}, {"Static", kClassStatic},
            {"ListBox", kClassListBox}, {"ScrollBar", kClassScrollBar}, {"ComboBox", kClassComboBox}};
        for (const auto& n : named)
            if (equals_nocase(cls.text, n.name))
                ordinal = n.ordinal;
    }
    switch (ordinal) {
    case kClassButton: return &kButton;
    case kClassEdit: return &kEdit;
    case kClassStatic: return &kStatic;
    case kClassListBox: return &kListBox;
    case kClassScrollBar: return &kScrollBar;
    case kClassComboBox: return &kComboBox;
    default: return nullptr;
    }
}

void name_bits(std::uint32_t& rest, const std::vector<Bits>& table, std::vector<std::string>& names)
{
    for (const Bits& b : table)
        if (b.value != 0 && (rest & b.mask) == b.value) {
            names.push_back(b.name);
            rest &= ~b.mask;
        }
}

std::string join_names(std::vector<std::string> names, std::uint32_t rest)
{
    if (rest)
        names.push_back(format("0x%8.8X", rest));
    return names.empty() ? std::string("0") : join(names, " | ");
}

}  // namespace

std::string style_expression(std::uint32_t style, StyleContext context, const NameOrId& cls)
{
    std::vector<std::string> names;
    std::uint32_t rest = style;
    name_bits(rest, kWindowHigh, names);
    name_bits(rest, context == StyleContext::Dialog ? kDialogBoxes : kControlGroups, names);
    if (context == StyleContext::Dialog)
        name_bits(rest, kDialogLow, names);
    else if (const auto* low = low_word_names(cls))
        name_bits(rest, *low, names);
    return join_names(names, rest);
}

std::string ex_style_expression(std::uint32_t ex_style)
{
    std::vector<std::string> names;
    std::uint32_t rest = ex_style;
    name_bits(rest, kExStyles, names);
    return join_names(names, rest);
}

}  // namespace vyn::resedit
