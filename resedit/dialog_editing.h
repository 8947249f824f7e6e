// Editing operations on one dialog: hit testing, moving and resizing the
// selected controls, adding, deleting, duplicating and arranging controls.
// Everything is in dialog units; the window converts from pixels.
//
// Invariant kept by every operation: a selection holds valid, distinct
// control indices in ascending order.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "resedit/editor_settings.h"
#include "resedit/model.h"
#include "resedit/placement.h"

namespace vyn::resedit {

using Selection = std::vector<std::size_t>;

Rect control_rect(const Control& c);
void set_control_rect(Control& c, const Rect& r);

// The control under (x, y): of those containing the point, the one with the
// smallest area (a control inside a group box wins over the box); the last
// in order among equals.
std::optional<std::size_t> control_at(const Dialog& d, int x, int y);

// Moves (grip kGripBody) or resizes every selected control by (dx, dy), then
// rounds a moved control's corner down to the grid and keeps every control
// inside the dialog's client area (the dialog's cx by cy).
void drag_selection(Dialog& d, const Selection& sel, unsigned grip, int dx, int dy, const EditorSettings& s);

// The keyboard's steps: one grid step in the arrow's direction; resize
// grows or shrinks the right or bottom edge.
enum class Arrow { Left, Right, Up, Down };
void nudge_selection(Dialog& d, const Selection& sel, Arrow arrow, bool resize, const EditorSettings& s);

// Kinds a user can add from the palette, and the window class, style and
// size (from the settings where they hold one) of a new control of a kind:
// its style by the default styles setting, a static text's colour by
// "TextColor".
bool can_add_kind(std::uint16_t kind);
Control new_control(std::uint16_t kind, const EditorSettings& s);
// An id no control of the dialog uses yet: one above the largest id below
// 0xFFFF, 1000 for the first control.
std::uint16_t unused_control_id(const Dialog& d);
// Adds a control of kind with its top left corner at (x, y), placed by the
// grid and margin rules; its index.
std::size_t add_control(Dialog& d, std::uint16_t kind, int x, int y, const EditorSettings& s);

// Deletes the selected controls.
void delete_controls(Dialog& d, const Selection& sel);
// Copies of the selected controls with new ids, placed below the lowest of
// them by "ySpace"; the copies' indices.
Selection duplicate_controls(Dialog& d, const Selection& sel, const EditorSettings& s);
// Appends copies of controls with fresh ids, moved by (dx, dy) and kept inside.
Selection paste_controls(Dialog& d, const std::vector<Control>& controls, int dx, int dy, const EditorSettings& s);

// The Arrange menu. The reference of the alignments and of same size is the
// control given (the first one the user selected) when it is selected, else
// the first in order; the centring commands work on the selection as a
// block within the dialog; spacing needs three controls.
enum class Arrange {
    AlignLeft, AlignTop, AlignRight, AlignBottom, CenterControlsVertically, CenterControlsHorizontally,
    CenterVertically, CenterHorizontally, SpaceHorizontally, SpaceVertically, SameWidth, SameHeight,
    SameSize, ButtonsRow, ButtonsColumn,
};
void arrange_controls(Dialog& d, const Selection& sel, Arrange how, const EditorSettings& s,
                      std::optional<std::size_t> reference = std::nullopt);

// The guide the editor draws across the dialog, "UnderscoreYOffset" units
// above its bottom edge: the line under the dialog's contents, below which
// a row of push buttons goes. Its y in dialog units; none when the setting
// is 0 or the line would lie outside the dialog's top margin.
std::optional<int> button_guide_y(const Dialog& d, const EditorSettings& s);

// The dialog shrunk or grown to hold its controls with the margins
// ("Redimension").
void fit_dialog_to_controls(Dialog& d, const EditorSettings& s);

// The notifications a control's callbacks are generated for: edit fields,
// list and combo boxes keep them in the low bits of their flags word (the
// bits of their command notifications), the other kinds in the
// notification mask.
std::uint32_t notifications_of(const Control& c);
void set_notifications(Control& c, std::uint32_t bits);

// The hierarchy (tab order): moves control index by delta places in the
// dialog's order, within bounds; its new index.
std::size_t move_in_order(Dialog& d, std::size_t index, int delta);

// The message refusing a new dialog's name, or nothing when it is good.
std::optional<std::string> check_dialog_name(const std::string& name);

// The "gfFontStyle" setting: the font of new dialogs.
constexpr long kFontStyleBold = 0x1;
constexpr long kFontStyleItalic = 0x2;

// A new empty dialog with the given id and name, its font in font_style.
Dialog new_dialog(std::uint16_t id, const std::string& name, long font_style = 0);

}  // namespace vyn::resedit
