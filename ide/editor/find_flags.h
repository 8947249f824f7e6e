// The bits of the FindFlags setting: the options of the Find and the Search
// and replace dialogs.
#pragma once

#include <cstdint>

namespace vyn::editor::findflag {

constexpr std::uint16_t current_window = 0x0001;
constexpr std::uint16_t all_windows = 0x0002;
constexpr std::uint16_t regular_expression = 0x0004;
constexpr std::uint16_t exact = 0x0008;
constexpr std::uint16_t ignore_case = 0x0010;
constexpr std::uint16_t forwards = 0x0020;
constexpr std::uint16_t backwards = 0x0040;
constexpr std::uint16_t wrap = 0x0080;  // only with the current window
constexpr std::uint16_t confirm = 0x0100;
constexpr std::uint16_t whole_words = 0x0200;
constexpr std::uint16_t iconized = 0x0400;  // also search iconized windows
constexpr std::uint16_t by_function = 0x0800;
constexpr std::uint16_t similar_words = 0x1000;
constexpr std::uint16_t in_selection = 0x2000;

// Choosing "By function" in a dialog: current window, forwards and whole
// words; not all windows, backwards or wrap.
constexpr std::uint16_t choose_by_function(std::uint16_t flags)
{
    return static_cast<std::uint16_t>((flags | by_function | whole_words | forwards | current_window) &
                                      ~(all_windows | backwards | wrap));
}

}  // namespace vyn::editor::findflag
