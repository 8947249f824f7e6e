#include "resedit/editor_commands.h"

#include <algorithm>

#include "resedit/command_ids.h"

namespace vyn::resedit {

namespace {

// Virtual key codes.
enum : unsigned {
    VK_DELETE = 0x2E, VK_INSERT = 0x2D, VK_F2 = 0x71, VK_F3 = 0x72, VK_F4 = 0x73, VK_F7 = 0x76,
    VK_F8 = 0x77, VK_F9 = 0x78, VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28,
};

const Shortcut kShortcuts[] = {
    {VK_F2, 0, CMD_OPEN},
    {VK_F3, 0, CMD_SAVE},
    {0x73, kAlt, CMD_QUIT},  // Alt+F4
    {'X', kCtrl, CMD_CUT},
    {VK_DELETE, kShift, CMD_CUT},
    {'C', kCtrl, CMD_COPY},
    {VK_INSERT, kCtrl, CMD_COPY},
    {'V', kCtrl, CMD_PASTE},
    {VK_INSERT, kShift, CMD_PASTE},
    {VK_DELETE, kCtrl, CMD_DELETE},
    {VK_F4, 0, CMD_DUPLICATE},
    {'Y', kCtrl, CMD_STYLES},
    {VK_F7, 0, CMD_REDIMENSION},
    {'A', kCtrl, CMD_CONFIGURATION},
    {'T', kCtrl, CMD_TEST},
    {'G', kCtrl, CMD_GROUP},
    {VK_F8, 0, CMD_SYMBOLS},
    {'N', kCtrl | kShift, CMD_NEW_DIALOG},
    {'D', kCtrl, CMD_SELECT_DIALOG},
    {VK_F9, kCtrl, CMD_GOTO_IDE},
};

const int kSelectionCommands[] = {
    CMD_CUT, CMD_COPY, CMD_DUPLICATE, CMD_STYLES, CMD_GROUP,
    CMD_ALIGN_LEFT, CMD_ALIGN_TOP, CMD_ALIGN_RIGHT, CMD_ALIGN_BOTTOM, CMD_CENTER_CTLS_V, CMD_CENTER_CTLS_H,
    CMD_CENTER_V, CMD_CENTER_H, CMD_SPACE_H, CMD_SPACE_V, CMD_SAME_WIDTH, CMD_SAME_HEIGHT, CMD_SAME_SIZE,
    CMD_BUTTONS_ROW, CMD_BUTTONS_COLUMN,
};

// The menu commands (the Arrange items and the palette are known apart).
const int kMenuCommands[] = {
    CMD_NEW, CMD_OPEN, CMD_SAVE, CMD_SAVE_AS, CMD_INCLUDE, CMD_OPEN_DLL, CMD_DELETE_DLL, CMD_QUIT,
    CMD_DIRECTORIES, CMD_HELP_INDEX, CMD_RESTART, CMD_CUT, CMD_COPY, CMD_PASTE, CMD_DELETE, CMD_DUPLICATE,
    CMD_SYMBOLS, CMD_STYLES, CMD_REDIMENSION, CMD_NEW_DIALOG, CMD_SELECT_DIALOG, CMD_UNDO, CMD_GROUP,
    CMD_CONFIGURATION, CMD_TEST, CMD_DEFAULT_SIZES, CMD_GOTO_IDE, CMD_FILES, CMD_ZOOM, CMD_HIERARCHY, CMD_ABOUT,
    CMD_PROPERTY_SHEET, CMD_NEW_MENU, CMD_SELECT_MENU, CMD_UNFOLDING_DIALOG, CMD_CALLBACKS, CMD_SKELETON,
    CMD_STRING_TABLE,
};

struct ArrangeRow {
    int command;
    Arrange how;
};

const ArrangeRow kArrange[] = {
    {CMD_ALIGN_LEFT, Arrange::AlignLeft},
    {CMD_ALIGN_TOP, Arrange::AlignTop},
    {CMD_ALIGN_RIGHT, Arrange::AlignRight},
    {CMD_ALIGN_BOTTOM, Arrange::AlignBottom},
    {CMD_CENTER_CTLS_V, Arrange::CenterControlsVertically},
    {CMD_CENTER_CTLS_H, Arrange::CenterControlsHorizontally},
    {CMD_CENTER_V, Arrange::CenterVertically},
    {CMD_CENTER_H, Arrange::CenterHorizontally},
    {CMD_SPACE_H, Arrange::SpaceHorizontally},
    {CMD_SPACE_V, Arrange::SpaceVertically},
    {CMD_SAME_WIDTH, Arrange::SameWidth},
    {CMD_SAME_HEIGHT, Arrange::SameHeight},
    {CMD_SAME_SIZE, Arrange::SameSize},
    {CMD_BUTTONS_ROW, Arrange::ButtonsRow},
    {CMD_BUTTONS_COLUMN, Arrange::ButtonsColumn},
};

template <typename T, std::size_t N>
bool holds(const T (&table)[N], int command)
{
    return std::find(std::begin(table), std::end(table), command) != std::end(table);
}

}  // namespace

std::span<const Shortcut> shortcuts() { return kShortcuts; }

std::optional<int> command_for_key(unsigned key, unsigned modifiers)
{
    for (const Shortcut& s : kShortcuts)
        if (s.key == key && s.modifiers == modifiers)
            return s.command;
    return std::nullopt;
}

bool needs_selection(int command) { return holds(kSelectionCommands, command); }

bool command_available(int command)
{
    return holds(kMenuCommands, command) || arrange_of(command) ||
           (command >= CMD_ADD_CONTROL && command <= CMD_ADD_CONTROL + kLastControlKind);
}

std::optional<Arrange> arrange_of(int command)
{
    for (const ArrangeRow& row : kArrange)
        if (row.command == command)
            return row.how;
    return std::nullopt;
}

std::optional<std::uint16_t> palette_kind(int command)
{
    if (command < CMD_ADD_CONTROL || command > CMD_ADD_CONTROL + kLastControlKind)
        return std::nullopt;
    auto kind = std::uint16_t(command - CMD_ADD_CONTROL);
    if (!can_add_kind(kind))
        return std::nullopt;
    return kind;
}

std::optional<ArrowAction> arrow_action(unsigned key, unsigned modifiers)
{
    if (modifiers & (kCtrl | kAlt))
        return std::nullopt;
    bool resize = (modifiers & kShift) != 0;
    switch (key) {
    case VK_LEFT: return ArrowAction{Arrow::Left, resize};
    case VK_RIGHT: return ArrowAction{Arrow::Right, resize};
    case VK_UP: return ArrowAction{Arrow::Up, resize};
    case VK_DOWN: return ArrowAction{Arrow::Down, resize};
    default: return std::nullopt;
    }
}

}  // namespace vyn::resedit
