// The geometry of editing: rectangles in dialog units, the grid, and the
// rule that keeps a control inside its dialog after a move or a resize.
#pragma once

#include "resedit/editor_settings.h"

namespace vyn::resedit {

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const Rect&) const = default;
};

// floor(v / step) * step, also for negative v; a step below 1 counts as 1.
int round_down_to_grid(int v, int step);

// Moves r back inside a client area of client_width x client_height: first a
// right (bottom) edge beyond the client size less the margin moves the
// rectangle to (client - margin - size) rounded down to the grid, then a left
// (top) edge before the margin moves it to the margin exactly. The size is
// kept.
Rect keep_inside(Rect r, int client_width, int client_height, const EditorSettings& settings);

// A rectangle dropped by the mouse: its corner rounded down to the grid.
Rect snap_to_grid(Rect r, const EditorSettings& settings);

// Which part of a selected rectangle a point grabs: the body moves it, an
// edge or corner handle resizes it from that side.
enum Grip : unsigned { kGripNone = 0, kGripLeft = 1, kGripTop = 2, kGripRight = 4, kGripBottom = 8, kGripBody = 16 };

// The grip under (x, y) for rectangle r with handles of half-size `slack`
// around its corners and edge middles; kGripNone when the point misses.
unsigned grip_at(const Rect& r, int x, int y, int slack);

// r after dragging grip by (dx, dy); a resize never makes a side shorter
// than one unit.
Rect drag(const Rect& r, unsigned grip, int dx, int dy);

}  // namespace vyn::resedit
