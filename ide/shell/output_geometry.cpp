#include "ide/shell/output_geometry.h"

#include <algorithm>

namespace vyn::shell {

int first_open_height(int client_height, int closed_height)
{
    return std::max(client_height / 4, 2 * closed_height);
}

int panel_height(unsigned flags, int open_height, int closed_height, int client_height)
{
    bool list_in_panel = (flags & outputflag::open) && !(flags & outputflag::floating);
    int height = list_in_panel ? open_height : closed_height;
    return std::clamp(height, 0, std::max(client_height, 0));
}

FrameSplit split_frame(int client_width, int client_height, int panel)
{
    panel = std::clamp(panel, 0, std::max(client_height, 0));
    int top = client_height - panel;
    return {{0, 0, client_width, top}, {0, top, client_width, client_height}};
}

bool in_grab_strip(int y)
{
    return y >= 0 && y < kGrabStrip;
}

int dragged_height(int mouse_y, int panel_bottom, int closed_height, int client_height)
{
    int lowest = 2 * closed_height;
    int highest = std::max(lowest, client_height - kMinimumMdiHeight);
    return std::clamp(panel_bottom - mouse_y, lowest, highest);
}

PixelRect floating_rect(const PixelRect& frame)
{
    int quarter = frame.height() / 4;
    return {frame.left, frame.bottom - quarter, frame.right, frame.bottom};
}

PanelLayout panel_layout(int width, int height, int closed_height, bool list_in_panel, std::span<const int> page_text_widths)
{
    PanelLayout layout;
    int row_top = std::max(0, height - closed_height);
    int button_top = row_top + 1, button_bottom = std::max(button_top, height - 1);
    if (list_in_panel && row_top > kGrabStrip)
        layout.list = {0, kGrabStrip, width, row_top};
    layout.toggle = {kButtonGap, button_top, kButtonGap + kToggleWidth, button_bottom};
    int x = layout.toggle.right + 3 * kButtonGap;
    for (int text : page_text_widths) {
        int button = text + 2 * kPageMargin;
        layout.pages.push_back({x, button_top, x + button, button_bottom});
        x += button + kButtonGap;
    }
    layout.run_state_left = x + 2 * kButtonGap;
    return layout;
}

}  // namespace vyn::shell
