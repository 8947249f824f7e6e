// CodeView record fields.
#include "kit/vyn/convert/cv_fields.h"

#include "common/byte_reader.h"
#include "common/coff_format.h"

#include <algorithm>

namespace vyn::cc::cv {

std::optional<std::size_t> numeric_size(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    namespace leaf = coff::codeview::numeric_leaf;
    std::uint16_t value = 0;
    if (!read_u16_at(bytes, offset, value))
        return std::nullopt;
    std::size_t size = 2;
    if (value >= leaf::kNumeric) {
        switch (value) {
        case leaf::kChar: size += 1; break;
        case leaf::kShort:
        case leaf::kUShort: size += 2; break;
        case leaf::kLong:
        case leaf::kULong:
        case leaf::kReal32: size += 4; break;
        case leaf::kReal64:
        case leaf::kQuadWord:
        case leaf::kUQuadWord: size += 8; break;
        case leaf::kReal80: size += 10; break;
        case leaf::kReal128: size += 16; break;
        default: return std::nullopt;
        }
    }
    if (bytes.size() - offset < size)
        return std::nullopt;
    return size;
}

std::optional<std::string_view> c_name(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    if (offset > bytes.size())
        return std::nullopt;
    auto tail = bytes.subspan(offset);
    auto nul = std::find(tail.begin(), tail.end(), std::uint8_t(0));
    if (nul == tail.end())
        return std::nullopt;
    return std::string_view(reinterpret_cast<const char*>(tail.data()), std::size_t(nul - tail.begin()));
}

void put_name(ByteWriter& w, std::string_view name)
{
    std::size_t length = std::min<std::size_t>(name.size(), 255);
    w.u8(static_cast<std::uint8_t>(length));
    w.text(name.substr(0, length));
}

void pad_leaves(ByteWriter& w)
{
    while (w.size() % 4)
        w.u8(static_cast<std::uint8_t>(coff::codeview::kPadLeafBase | (4 - w.size() % 4)));
}

RecordWriter::RecordWriter(ByteWriter& out, std::uint16_t kind) : out_(out), start_(out.size())
{
    out_.u16(0);
    out_.u16(kind);
}

std::size_t RecordWriter::here() const
{
    return out_.size() - start_;
}

void RecordWriter::finish(bool pad)
{
    // Records start at multiples of 4 in both sections.
    if (pad)
        pad_leaves(out_);
    else
        out_.align(4);
    out_.patch_u16(start_, static_cast<std::uint16_t>(out_.size() - start_ - 2));
}

std::uint16_t u16_at(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    std::uint16_t v = 0;
    read_u16_at(bytes, offset, v);
    return v;
}

std::uint32_t u32_at(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    std::uint32_t v = 0;
    read_u32_at(bytes, offset, v);
    return v;
}

}  // namespace vyn::cc::cv
