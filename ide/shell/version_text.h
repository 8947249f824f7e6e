// The text of the Version command: the IDE's version and the time its
// executable was linked, read from the PE header's time stamp.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vyn::shell {

// The link time stamp of a PE image: the header's offset is at 60, the stamp
// 8 bytes into the header (offset 136 for the usual header at 128).
std::optional<std::uint32_t> link_time_stamp(std::span<const std::uint8_t> image);

// "Tavra <version>\nCompiled <time>", the time as a UTC calendar time or
// "<not known>".
std::string version_message(const std::string& version, std::optional<std::uint32_t> stamp);

}  // namespace vyn::shell
