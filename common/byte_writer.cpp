#include "common/byte_writer.h"

namespace vyn {

namespace {

bool store_le(std::span<std::uint8_t> bytes, std::size_t offset, std::uint64_t value, std::size_t width)
{
    if (offset > bytes.size() || bytes.size() - offset < width)
        return false;
    for (std::size_t i = 0; i < width; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    return true;
}

}  // namespace

void ByteWriter::put_le(std::uint64_t value, std::size_t width)
{
    for (std::size_t i = 0; i < width; ++i)
        bytes_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void ByteWriter::fixed_string(std::string_view s, std::size_t width)
{
    if (s.size() > width)
        s = s.substr(0, width);
    text(s);
    zeros(width - s.size());
}

void ByteWriter::align(std::size_t alignment, std::uint8_t fill)
{
    if (alignment == 0)
        return;
    while (bytes_.size() % alignment != 0)
        bytes_.push_back(fill);
}

bool ByteWriter::patch_u16(std::size_t offset, std::uint16_t value)
{
    return store_le(bytes_, offset, value, 2);
}

bool ByteWriter::patch_u32(std::size_t offset, std::uint32_t value)
{
    return store_le(bytes_, offset, value, 4);
}

bool put_u8_at(std::span<std::uint8_t> bytes, std::size_t offset, std::uint8_t value)
{
    return store_le(bytes, offset, value, 1);
}

bool put_u16_at(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value)
{
    return store_le(bytes, offset, value, 2);
}

bool put_u32_at(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value)
{
    return store_le(bytes, offset, value, 4);
}

}  // namespace vyn
