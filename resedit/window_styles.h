// The window and dialog style bits the editor itself gives to the dialogs
// and controls it makes. The portable code has no <windows.h>; these names
// keep clear of its macros so that Win32 files may include both.
#pragma once

#include <cstdint>

namespace vyn::resedit {

constexpr std::uint32_t kWsPopup = 0x80000000;
constexpr std::uint32_t kWsChild = 0x40000000;
constexpr std::uint32_t kWsVisible = 0x10000000;
constexpr std::uint32_t kWsCaption = 0x00C00000;
constexpr std::uint32_t kWsBorder = 0x00800000;
constexpr std::uint32_t kWsVScroll = 0x00200000;
constexpr std::uint32_t kWsSysMenu = 0x00080000;
constexpr std::uint32_t kWsGroup = 0x00020000;
constexpr std::uint32_t kWsTabStop = 0x00010000;

constexpr std::uint32_t kDs3dLook = 0x4;
constexpr std::uint32_t kDsModalFrame = 0x80;
constexpr std::uint32_t kDsControl = 0x400;

constexpr std::uint32_t kBsDefPushButton = 0x1;

}  // namespace vyn::resedit
