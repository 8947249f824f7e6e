#include "common/byte_reader.h"

#include "common/strings.h"

namespace vyn {

namespace {

std::uint64_t load_le(const std::uint8_t* p, std::size_t width)
{
    std::uint64_t value = 0;
    for (std::size_t i = width; i-- > 0;)
        value = (value << 8) | p[i];
    return value;
}

}  // namespace

void ByteReader::fail(std::string message)
{
    if (!failed_)
        error_ = std::move(message);
    failed_ = true;
}

bool ByteReader::require(std::size_t count)
{
    if (count <= remaining())
        return true;
    fail(format("need %zu bytes at offset %zu, %zu left", count, pos_, remaining()));
    return false;
}

bool ByteReader::seek(std::size_t offset)
{
    if (offset > bytes_.size()) {
        fail(format("offset %zu lies beyond the end (%zu bytes)", offset, bytes_.size()));
        return false;
    }
    pos_ = offset;
    return true;
}

bool ByteReader::skip(std::size_t count)
{
    if (!require(count))
        return false;
    pos_ += count;
    return true;
}

bool ByteReader::align(std::size_t alignment)
{
    if (alignment == 0)
        return true;
    std::size_t padding = (alignment - pos_ % alignment) % alignment;
    return skip(padding);
}

std::uint8_t ByteReader::u8()
{
    if (!require(1))
        return 0;
    return bytes_[pos_++];
}

std::uint16_t ByteReader::u16()
{
    if (!require(2))
        return 0;
    auto value = static_cast<std::uint16_t>(load_le(bytes_.data() + pos_, 2));
    pos_ += 2;
    return value;
}

std::uint32_t ByteReader::u32()
{
    if (!require(4))
        return 0;
    auto value = static_cast<std::uint32_t>(load_le(bytes_.data() + pos_, 4));
    pos_ += 4;
    return value;
}

std::uint64_t ByteReader::u64()
{
    if (!require(8))
        return 0;
    std::uint64_t value = load_le(bytes_.data() + pos_, 8);
    pos_ += 8;
    return value;
}

std::span<const std::uint8_t> ByteReader::take(std::size_t count)
{
    if (!require(count))
        return {};
    auto part = bytes_.subspan(pos_, count);
    pos_ += count;
    return part;
}

std::string ByteReader::c_string()
{
    for (std::size_t end = pos_; end < bytes_.size(); ++end) {
        if (bytes_[end] == 0) {
            std::string text(reinterpret_cast<const char*>(bytes_.data() + pos_), end - pos_);
            pos_ = end + 1;
            return text;
        }
    }
    fail(format("string at offset %zu has no terminating NUL", pos_));
    return {};
}

std::string ByteReader::fixed_string(std::size_t width)
{
    auto field = take(width);
    std::size_t length = 0;
    while (length < field.size() && field[length] != 0)
        ++length;
    return std::string(reinterpret_cast<const char*>(field.data()), length);
}

std::string ByteReader::length_prefixed_string()
{
    std::size_t start = pos_;
    std::size_t length = u8();
    if (!ok())
        return {};
    if (!require(length)) {
        pos_ = start;
        return {};
    }
    return fixed_string(length);
}

ByteReader ByteReader::sub(std::size_t offset, std::size_t length)
{
    if (offset > bytes_.size() || length > bytes_.size() - offset) {
        fail(format("range of %zu bytes at offset %zu lies beyond the end (%zu bytes)", length,
                    offset, bytes_.size()));
        ByteReader failed;
        failed.fail(error_);
        return failed;
    }
    return ByteReader(bytes_.subspan(offset, length));
}

bool read_u16_at(std::span<const std::uint8_t> bytes, std::size_t offset, std::uint16_t& value)
{
    if (offset > bytes.size() || bytes.size() - offset < 2)
        return false;
    value = static_cast<std::uint16_t>(load_le(bytes.data() + offset, 2));
    return true;
}

bool read_u32_at(std::span<const std::uint8_t> bytes, std::size_t offset, std::uint32_t& value)
{
    if (offset > bytes.size() || bytes.size() - offset < 4)
        return false;
    value = static_cast<std::uint32_t>(load_le(bytes.data() + offset, 4));
    return true;
}

}  // namespace vyn
