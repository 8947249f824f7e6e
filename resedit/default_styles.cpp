#include "resedit/default_styles.h"

#include "resedit/model.h"
#include "resedit/window_styles.h"

namespace vyn::resedit {

namespace {

constexpr std::uint32_t kinds(std::initializer_list<ControlKind> list)
{
    std::uint32_t set = 0;
    for (ControlKind k : list)
        set |= 1u << k;
    return set;
}

constexpr std::uint32_t kEveryKind = 0xFFFFFFFFu;
constexpr std::uint32_t kInputKinds =
    kinds({kEdit, kButton, kCheckbox, kRadiobutton, kCombo, kList, kListview, kTree, kSlider});

// The bits under mask become on when the choice is set, off when it is not.
struct Choice {
    std::uint32_t kinds;
    std::uint32_t mask, on, off;
    const char* label;
};

// Indexed by the choice's bit.
const Choice kChoices[kDefaultStyleChoiceCount] = {
    {kinds({kText}), 0x3, 0x1, 0x0, "Static texts are centred"},
    {kinds({kText}), 0x80, 0x80, 0, "Static texts show && as it is"},
    {kinds({kEdit}), kWsBorder, kWsBorder, 0, "Edit fields have a border"},
    {kinds({kEdit}), 0x44, 0x44, 0, "Edit fields hold several lines"},
    {kinds({kEdit}), 0x80, 0x80, 0, "Edit fields scroll horizontally"},
    {kinds({kButton}), 0xF, 0x1, 0x0, "Push buttons are default buttons"},
    {kinds({kCheckbox}), 0xF, 0x3, 0x2, "Check boxes check themselves"},
    {kinds({kRadiobutton}), 0xF, 0x9, 0x4, "Radio buttons check themselves"},
    {kinds({kList}), 0x1, 0x1, 0, "List boxes notify their dialog"},
    {kinds({kList}), 0x2, 0x2, 0, "List boxes are sorted"},
    {kinds({kCombo}), 0x100, 0x100, 0, "Combo boxes are sorted"},
    {kinds({kCombo}), 0x3, 0x3, 0x2, "Combo boxes are drop-down lists"},
    {kinds({kCheckbox, kRadiobutton}), 0x20, 0x20, 0, "Check and radio boxes have their text on the left"},
    {kinds({kList, kCombo}), kWsVScroll, kWsVScroll, 0, "List and combo boxes have a vertical scroll bar"},
    {kEveryKind, kWsGroup, kWsGroup, 0, "Each new control starts a group"},
    {kInputKinds, kWsTabStop, kWsTabStop, 0, "Controls that take input are tab stops"},
};

}  // namespace

const char* default_style_label(int bit)
{
    return bit >= 0 && bit < kDefaultStyleChoiceCount ? kChoices[bit].label : "";
}

std::uint32_t apply_default_styles(std::uint16_t kind, std::uint32_t base_style, std::uint32_t choices)
{
    std::uint32_t style = base_style;
    if (kind > kLastControlKind)
        return style;
    for (int bit = 0; bit < kDefaultStyleChoiceCount; ++bit) {
        const Choice& c = kChoices[bit];
        if (!(c.kinds & (1u << kind)))
            continue;
        style = (style & ~c.mask) | ((choices >> bit) & 1 ? c.on : c.off);
    }
    return style;
}

}  // namespace vyn::resedit
