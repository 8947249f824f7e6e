// The display scale of the edited dialog. Zooming changes only how the
// dialog is shown: the dialog is displayed with its font scaled, so its
// dialog units grow with it, while the stored coordinates stay in units.
#pragma once

#include <span>
#include <string>

#include "resedit/model.h"

namespace vyn::resedit {

inline constexpr int kNoZoom = 100;

// The scales offered, in percent.
std::span<const int> zoom_levels();
std::string zoom_label(int percent);

// shown as it is displayed at percent: its font's point size scaled
// (rounded, at least 1); a dialog without a font of its own is given the
// editor's default font first, since the system font cannot be scaled.
void apply_zoom(Dialog& shown, int percent);

}  // namespace vyn::resedit
