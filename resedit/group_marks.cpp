#include "resedit/group_marks.h"

#include "resedit/window_styles.h"

namespace vyn::resedit {
namespace {

Mark mark_of(const Dialog& d, const Selection& sel, std::uint32_t bit)
{
    std::size_t on = 0, seen = 0;
    for (std::size_t i : sel) {
        if (i >= d.controls.size())
            continue;
        ++seen;
        on += (d.controls[i].style & bit) ? 1 : 0;
    }
    return on == 0 ? Mark::Off : on == seen ? Mark::On : Mark::Mixed;
}

void apply(Control& c, std::uint32_t bit, std::optional<bool> value)
{
    if (value)
        c.style = *value ? (c.style | bit) : (c.style & ~bit);
}

}  // namespace

GroupMarks group_marks(const Dialog& d, const Selection& sel)
{
    return {mark_of(d, sel, kWsGroup), mark_of(d, sel, kWsTabStop)};
}

void set_group_marks(Dialog& d, const Selection& sel, std::optional<bool> group, std::optional<bool> tab_stop)
{
    for (std::size_t i : sel) {
        if (i >= d.controls.size())
            continue;
        apply(d.controls[i], kWsGroup, group);
        apply(d.controls[i], kWsTabStop, tab_stop);
    }
}

}  // namespace vyn::resedit
