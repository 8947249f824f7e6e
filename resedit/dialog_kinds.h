// Ready-made dialogs of the Objects menu.
//
// An unfolding dialog shows at first only its upper part; its "&More >>"
// button is linked to the frame that holds the rest, and the generated code
// unfolds that frame when the button is pressed (ShowZoomed).
//
// A property sheet is a dialog holding a tab control with OK, Cancel and
// Apply, and one page per tab: each page a dialog realised as a child window
// (with its creation function in the generated code), sized to the tab's
// display area.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "resedit/editor_settings.h"
#include "resedit/model.h"

namespace vyn::resedit {

Dialog unfolding_dialog(std::uint16_t id, const std::string& name, const EditorSettings& s);

// The sheet first, then its pages named "<name>_PAGE<n>" with the ids after the sheet's.
std::vector<Dialog> property_sheet(std::uint16_t id, const std::string& name, int pages, const EditorSettings& s);

}  // namespace vyn::resedit
