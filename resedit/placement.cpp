#include "resedit/placement.h"

#include <algorithm>
#include <cstdlib>

namespace vyn::resedit {

int round_down_to_grid(int v, int step)
{
    if (step < 1)
        step = 1;
    int q = v / step;
    if (v % step != 0 && v < 0)
        --q;
    return q * step;
}

namespace {

// One axis of keep_inside: [low, high) within a client extent.
void keep_axis(int& low, int& high, int client, int margin, int grid)
{
    int size = high - low;
    if (high > client - margin) {
        low = round_down_to_grid(client - margin - size, grid);
        high = low + size;
    }
    if (low < margin) {
        low = margin;
        high = low + size;
    }
}

}  // namespace

Rect keep_inside(Rect r, int client_width, int client_height, const EditorSettings& s)
{
    keep_axis(r.left, r.right, client_width, int(s[kXMargin]), int(s[kCxGrid]));
    keep_axis(r.top, r.bottom, client_height, int(s[kYMargin]), int(s[kCyGrid]));
    return r;
}

Rect snap_to_grid(Rect r, const EditorSettings& s)
{
    int w = r.width(), h = r.height();
    r.left = round_down_to_grid(r.left, int(s[kCxGrid]));
    r.top = round_down_to_grid(r.top, int(s[kCyGrid]));
    r.right = r.left + w;
    r.bottom = r.top + h;
    return r;
}

unsigned grip_at(const Rect& r, int x, int y, int slack)
{
    auto near = [slack](int v, int at) { return std::abs(v - at) <= slack; };
    int mx = (r.left + r.right) / 2, my = (r.top + r.bottom) / 2;
    bool at_left = near(x, r.left), at_right = near(x, r.right);
    bool at_top = near(y, r.top), at_bottom = near(y, r.bottom);
    unsigned g = kGripNone;
    // Handles sit at the corners and the middles of the edges.
    if ((at_left || at_right) && (at_top || at_bottom || near(y, my)))
        g |= at_left ? kGripLeft : kGripRight;
    if ((at_top || at_bottom) && (at_left || at_right || near(x, mx)))
        g |= at_top ? kGripTop : kGripBottom;
    if (g != kGripNone)
        return g;
    return r.contains(x, y) ? unsigned(kGripBody) : unsigned(kGripNone);
}

Rect drag(const Rect& r, unsigned grip, int dx, int dy)
{
    Rect out = r;
    if (grip & kGripBody) {
        out.left += dx;
        out.right += dx;
        out.top += dy;
        out.bottom += dy;
        return out;
    }
    if (grip & kGripLeft)
        out.left = std::min(r.left + dx, r.right - 1);
    if (grip & kGripRight)
        out.right = std::max(r.right + dx, r.left + 1);
    if (grip & kGripTop)
        out.top = std::min(r.top + dy, r.bottom - 1);
    if (grip & kGripBottom)
        out.bottom = std::max(r.bottom + dy, r.top + 1);
    return out;
}

}  // namespace vyn::resedit
