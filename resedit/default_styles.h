// The default styles of new controls, the "gControlStyles" setting: sixteen
// yes/no choices, one bit each, that each change some style bits of the
// controls of some kinds when they are added. The default, 43476, gives
// bordered, horizontally scrolling edit fields, self-checking check and
// radio boxes, notifying list boxes, drop-down list combo boxes, scroll bars
// on lists and tab stops on every control that takes input.
#pragma once

#include <cstdint>

namespace vyn::resedit {

constexpr int kDefaultStyleChoiceCount = 16;

// What choice bit (0..15) asks, as the configuration shows it.
const char* default_style_label(int bit);

// base_style, the style every control of kind starts from, with each choice
// applied: a set bit puts its style in, a clear bit its alternative.
std::uint32_t apply_default_styles(std::uint16_t kind, std::uint32_t base_style, std::uint32_t choices);

}  // namespace vyn::resedit
