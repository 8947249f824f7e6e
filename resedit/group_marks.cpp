#include "resedit/group_marks.h"

namespace vyn::resedit {
namespace {

constexpr std::uint32_t kGroup = 0x00020000, kTabStop = 0x00010000;

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
    return {mark_of(d, sel, kGroup), mark_of(d, sel, kTabStop)};
}

void set_group_marks(Dialog& d, const Selection& sel, std::optional<bool> group, std::optional<bool> tab_stop)
{
    for (std::size_t i : sel) {
        if (i >= d.controls.size())
            continue;
        apply(d.controls[i], kGroup, group);
        apply(d.controls[i], kTabStop, tab_stop);
    }
}

}  // namespace vyn::resedit
