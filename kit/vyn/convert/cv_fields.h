// Small readers and writers of CodeView record fields shared by the type and
// symbol converters: numeric leaves, the two name forms (C13 NUL-terminated,
// CodeView 4 length-prefixed) and record framing with pad leaves.
#pragma once

#include "common/byte_writer.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace vyn::cc::cv {

/* The size of the numeric leaf at offset (leaf word included), or nothing
   when it is not one or does not fit in bytes. */
std::optional<std::size_t> numeric_size(std::span<const std::uint8_t> bytes, std::size_t offset);

/* The NUL-terminated name at offset; nothing when no NUL follows. */
std::optional<std::string_view> c_name(std::span<const std::uint8_t> bytes, std::size_t offset);

// The name with its length byte (cut at 255 characters).
void put_name(ByteWriter& w, std::string_view name);

// A record under construction: length word, then the kind; finish() pads
// it to 4 bytes with pad leaves (or zeros) and sets the length.
class RecordWriter {
public:
    RecordWriter(ByteWriter& out, std::uint16_t kind);
    void finish(bool pad_leaves);
    // The offset of the next byte from the record's start.
    std::size_t here() const;

private:
    ByteWriter& out_;
    std::size_t start_;
};

// Pads with pad leaves (0xF3 0xF2 0xF1) to the next multiple of 4.
void pad_leaves(ByteWriter& w);

std::uint16_t u16_at(std::span<const std::uint8_t> bytes, std::size_t offset);
std::uint32_t u32_at(std::span<const std::uint8_t> bytes, std::size_t offset);

}  // namespace vyn::cc::cv
