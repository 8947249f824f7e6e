// Little-endian writing: ByteWriter appends to a growing buffer; the put_*_at
// functions patch a value into a fixed span (relocations, back-patched sizes)
// and refuse, returning false, when the field does not fit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace vyn {

class ByteWriter {
public:
    std::size_t size() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::vector<std::uint8_t> release() { return std::move(bytes_); }

    void u8(std::uint8_t value) { bytes_.push_back(value); }
    void u16(std::uint16_t value) { put_le(value, 2); }
    void u32(std::uint32_t value) { put_le(value, 4); }
    void u64(std::uint64_t value) { put_le(value, 8); }
    void bytes(std::span<const std::uint8_t> data) { bytes_.insert(bytes_.end(), data.begin(), data.end()); }
    void text(std::string_view s) { bytes_.insert(bytes_.end(), s.begin(), s.end()); }
    // The string and its terminating NUL.
    void c_string(std::string_view s) { text(s); u8(0); }
    // The string cut or NUL-padded to exactly width bytes.
    void fixed_string(std::string_view s, std::size_t width);
    void zeros(std::size_t count) { bytes_.resize(bytes_.size() + count, 0); }
    // Pads with fill up to the next multiple of alignment.
    void align(std::size_t alignment, std::uint8_t fill = 0);

    // Overwrites an already written field; false when it lies beyond the end.
    bool patch_u16(std::size_t offset, std::uint16_t value);
    bool patch_u32(std::size_t offset, std::uint32_t value);

private:
    void put_le(std::uint64_t value, std::size_t width);

    std::vector<std::uint8_t> bytes_;
};

bool put_u8_at(std::span<std::uint8_t> bytes, std::size_t offset, std::uint8_t value);
bool put_u16_at(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value);
bool put_u32_at(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value);

}  // namespace vyn
