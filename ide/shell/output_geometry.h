// Where the output window's parts go. The panel lies across the bottom of
// the frame's client area: open, a thin grab strip at its top edge, the list,
// then the bottom row (toggle button, page buttons, the run state beside
// them, status text at the right end); closed or floating, the bottom row
// alone. Floating, the list lives in a window of its own over the lower
// quarter of the frame. All numbers are pixels; rectangles are
// left/top/right/bottom with right and bottom exclusive.
#pragma once

#include <span>
#include <vector>

namespace vyn::shell {

struct PixelRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

namespace outputflag {
constexpr unsigned open = 1;      // the list shows (the panel is tall)
constexpr unsigned floating = 2;  // the list is in a window of its own
}  // namespace outputflag

inline constexpr int kGrabStrip = 4;           // rows at the panel's top edge that start a drag
inline constexpr int kMinimumMdiHeight = 40;   // what a drag leaves to the edit windows at least
inline constexpr int kToggleWidth = 22;
inline constexpr int kPageMargin = 8;          // each side of a page button's name
inline constexpr int kButtonGap = 2;

// The open height the first time the list opens: a quarter of the frame's
// client height, never less than twice the closed height.
int first_open_height(int client_height, int closed_height);

// The panel's height for the flags: open and docked, the open height (at
// most the client height); otherwise the bottom row alone.
int panel_height(unsigned flags, int open_height, int closed_height, int client_height);

// The panel's rectangle and the MDI client's above it, in frame client coordinates.
struct FrameSplit {
    PixelRect mdi_client;
    PixelRect panel;
};
FrameSplit split_frame(int client_width, int client_height, int panel_height);

// Whether a point at y (panel coordinates) lies in the grab strip.
bool in_grab_strip(int y);

// The open height while dragging: from the mouse's y to the panel's bottom
// (both in frame client coordinates), kept between twice the closed height
// and what leaves kMinimumMdiHeight to the MDI client.
int dragged_height(int mouse_y, int panel_bottom, int closed_height, int client_height);

// The floating window over the lower quarter of the frame's window rectangle.
PixelRect floating_rect(const PixelRect& frame);

// The parts of the panel for its size and the widths of the page names.
struct PanelLayout {
    PixelRect list;  // empty when the list does not show in the panel
    PixelRect toggle;
    std::vector<PixelRect> pages;
    int run_state_left = 0;  // where "Stopped" or "Running" is drawn
};
PanelLayout panel_layout(int width, int height, int closed_height, bool list_in_panel, std::span<const int> page_text_widths);

}  // namespace vyn::shell
