// Writes 24-bit RGB images as PNG files, uncompressed (stored deflate
// blocks): screenshots for a person to look at need no compression.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vyn::gui {

// rgb holds height rows of width pixels, three bytes each, top row first.
std::vector<std::uint8_t> encode_png(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& rgb);

std::uint32_t crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0);

}  // namespace vyn::gui
