#include "resedit/zoom.h"

#include <algorithm>

#include "common/strings.h"
#include "resedit/dialog_template.h"

namespace vyn::resedit {

namespace {
constexpr int kLevels[] = {50, 75, 100, 125, 150, 200, 300};
}

std::span<const int> zoom_levels() { return kLevels; }

std::string zoom_label(int percent) { return format("%d%%", percent); }

void apply_zoom(Dialog& shown, int percent)
{
    if (percent == kNoZoom)
        return;
    if (!(shown.style & DS_SETFONT)) {
        shown.style |= DS_SETFONT;
        shown.point_size = 8;
        shown.face = "MS Sans Serif";
    }
    int size = (int(shown.point_size) * percent + 50) / 100;
    shown.point_size = std::uint16_t(std::clamp(size, 1, 0xFFFF));
}

}  // namespace vyn::resedit
