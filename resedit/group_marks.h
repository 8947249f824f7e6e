// The Group command: the group and tab-stop marks (WS_GROUP, WS_TABSTOP) of
// the selected controls. A mark is on, off, or mixed across the selection.
#pragma once

#include <optional>

#include "resedit/dialog_editing.h"

namespace vyn::resedit {

enum class Mark { Off, On, Mixed };

struct GroupMarks {
    Mark group = Mark::Off;
    Mark tab_stop = Mark::Off;
};

GroupMarks group_marks(const Dialog& d, const Selection& sel);
// Sets (true), clears (false) or leaves (nothing) each mark on every selected control.
void set_group_marks(Dialog& d, const Selection& sel, std::optional<bool> group, std::optional<bool> tab_stop);

}  // namespace vyn::resedit
