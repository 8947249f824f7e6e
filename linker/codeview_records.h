// Reading and writing the parts CodeView 4 records are made of: records
// framed by a length word, numeric leaves and length-prefixed names. Every
// reader checks its bounds; objects may carry anything.
#pragma once

#include "common/byte_writer.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace vyn::lnk::cv {

// A record found in a byte run: where it starts, its whole size (length
// word included) and its kind or leaf.
struct Record {
    std::size_t offset = 0;
    std::size_t size = 0;
    std::uint16_t kind = 0;
};

/* The records of bytes from start on, in order. A record whose length word
   is below 2 or that runs past the end ends the list: what follows cannot be
   framed. */
std::vector<Record> split_records(std::span<const std::uint8_t> bytes, std::size_t start = 0);

/* The size in bytes of the numeric leaf at offset (its leaf word included),
   or nothing when it is not a numeric leaf or does not fit. */
std::optional<std::size_t> numeric_leaf_size(std::span<const std::uint8_t> bytes, std::size_t offset);

/* The length-prefixed name at offset, or nothing when it does not fit. */
std::optional<std::string_view> name_at(std::span<const std::uint8_t> bytes, std::size_t offset);

/* Writes name with its length byte; names longer than 255 are cut. */
void put_name(ByteWriter& w, std::string_view name);

// The 16-bit word at offset of a record, 0 when it lies beyond its end.
std::uint16_t word_at(std::span<const std::uint8_t> record, std::size_t offset);

}  // namespace vyn::lnk::cv
