// Bounds-checked little-endian reading over a span of bytes.
//
// Every read is checked against the end of the span. A read that does not fit
// returns zero (or an empty span/string), leaves the position unchanged and
// marks the reader as failed; the failure is sticky, so a parser reads a group
// of fields and asks ok() once. error() describes the first failure with its
// offset, for the caller's own diagnostic.
//
// Invariant: position() <= size() at all times.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vyn {

class ByteReader {
public:
    ByteReader() = default;
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t size() const { return bytes_.size(); }
    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return bytes_.size() - pos_; }
    bool at_end() const { return pos_ == bytes_.size(); }
    std::span<const std::uint8_t> bytes() const { return bytes_; }

    bool ok() const { return !failed_; }
    // The first failure, for example "need 4 bytes at offset 10, 2 left".
    const std::string& error() const { return error_; }

    bool seek(std::size_t offset);
    bool skip(std::size_t count);
    // Moves forward to the next multiple of alignment (a power of two or any
    // positive number); fails if that lies beyond the end.
    bool align(std::size_t alignment);

    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    std::uint64_t u64();
    std::int8_t i8() { return static_cast<std::int8_t>(u8()); }
    std::int16_t i16() { return static_cast<std::int16_t>(u16()); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }

    // The next count bytes; empty (and failed) when fewer remain.
    std::span<const std::uint8_t> take(std::size_t count);
    // A NUL-terminated string; fails when no NUL follows. The NUL is consumed.
    std::string c_string();
    // A field of exactly width bytes holding a string padded with NULs.
    std::string fixed_string(std::size_t width);
    // A string preceded by its one-byte length.
    std::string length_prefixed_string();

    // A reader over [offset, offset + length) of this reader's bytes, positioned
    // at its start. Out of range gives a failed, empty reader and fails this one.
    ByteReader sub(std::size_t offset, std::size_t length);

private:
    bool require(std::size_t count);
    void fail(std::string message);

    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
    bool failed_ = false;
    std::string error_;
};

// Single reads at a given offset, for formats addressed by offsets. Each returns
// false and leaves value alone when the field does not fit.
bool read_u16_at(std::span<const std::uint8_t> bytes, std::size_t offset, std::uint16_t& value);
bool read_u32_at(std::span<const std::uint8_t> bytes, std::size_t offset, std::uint32_t& value);

inline std::span<const std::uint8_t> as_bytes(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace vyn
