#include "linker/codeview_records.h"

#include "common/byte_reader.h"

namespace vyn::lnk::cv {

std::vector<Record> split_records(std::span<const std::uint8_t> bytes, std::size_t start)
{
    std::vector<Record> records;
    std::size_t pos = start;
    while (bytes.size() > pos && bytes.size() - pos >= 4) {
        std::uint16_t length = 0, kind = 0;
        read_u16_at(bytes, pos, length);
        read_u16_at(bytes, pos + 2, kind);
        if (length < 2 || bytes.size() - pos - 2 < length)
            break;
        records.push_back({pos, std::size_t(length) + 2, kind});
        pos += std::size_t(length) + 2;
    }
    return records;
}

std::optional<std::size_t> numeric_leaf_size(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    std::uint16_t leaf = 0;
    if (!read_u16_at(bytes, offset, leaf))
        return std::nullopt;
    std::size_t size = 0;
    if (leaf < 0x8000) {
        size = 2;
    } else if (leaf == 0x8010) {
        std::uint16_t length = 0;
        if (!read_u16_at(bytes, offset + 2, length))
            return std::nullopt;
        size = 4 + std::size_t(length);
    } else {
        // Value sizes of the leaves 0x8000 (char) to 0x800F (128-bit complex).
        static const std::uint8_t kValueSize[16] = {1, 2, 2, 4, 4, 4, 8, 10, 16, 8, 8, 6, 8, 16, 20, 32};
        if (leaf > 0x800F)
            return std::nullopt;
        size = 2 + std::size_t(kValueSize[leaf - 0x8000]);
    }
    if (offset > bytes.size() || bytes.size() - offset < size)
        return std::nullopt;
    return size;
}

std::optional<std::string_view> name_at(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    if (offset >= bytes.size())
        return std::nullopt;
    std::size_t length = bytes[offset];
    if (bytes.size() - offset - 1 < length)
        return std::nullopt;
    return std::string_view(reinterpret_cast<const char*>(bytes.data() + offset + 1), length);
}

void put_name(ByteWriter& w, std::string_view name)
{
    name = name.substr(0, 255);
    w.u8(static_cast<std::uint8_t>(name.size()));
    w.text(name);
}

std::uint16_t word_at(std::span<const std::uint8_t> record, std::size_t offset)
{
    std::uint16_t value = 0;
    read_u16_at(record, offset, value);
    return value;
}

}  // namespace vyn::lnk::cv
