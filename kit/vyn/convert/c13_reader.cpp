// C13 subsections of ".debug$S".
#include "kit/vyn/convert/c13_reader.h"

#include "common/byte_reader.h"
#include "common/coff_format.h"
#include "common/strings.h"

namespace vyn::cc::c13 {

namespace {

namespace subsection = coff::codeview::c13_subsection;
constexpr std::uint16_t kHaveColumns = 0x0001;

bool read_symbol_records(std::span<const std::uint8_t> section, std::size_t start, std::size_t size,
                         DebugSymbols& d, std::string& error)
{
    std::size_t pos = start, end = start + size;
    while (pos < end) {
        std::uint16_t length = 0, kind = 0;
        if (end - pos < 4 || !read_u16_at(section, pos, length) || !read_u16_at(section, pos + 2, kind) ||
            length < 2 || end - pos - 2 < length) {
            error = format("symbol record at offset 0x%zx runs past its subsection", pos);
            return false;
        }
        d.symbols.push_back({static_cast<std::uint32_t>(pos), kind, section.subspan(pos, std::size_t(length) + 2)});
        pos += std::size_t(length) + 2;
    }
    return true;
}

bool read_line_block(std::span<const std::uint8_t> section, std::size_t start, std::size_t size, DebugSymbols& d,
                     std::string& error)
{
    ByteReader r(section.subspan(start, size));
    LineBlock block;
    block.code_field = static_cast<std::uint32_t>(start);
    block.code_addend = r.u32();
    r.u16();  // section, relocated
    std::uint16_t flags = r.u16();
    block.code_size = r.u32();
    while (r.ok() && !r.at_end()) {
        FileLines file;
        std::size_t block_start = r.position();
        file.file_id = r.u32();
        std::uint32_t count = r.u32();
        std::uint32_t block_size = r.u32();
        std::size_t entry_size = (flags & kHaveColumns) ? 12 : 8;
        if (!r.ok() || block_size < 12 || block_size > r.remaining() + 12 || count > (block_size - 12) / entry_size) {
            error = format("line block at offset 0x%zx is malformed", start + block_start);
            return false;
        }
        for (std::uint32_t k = 0; k < count; ++k) {
            LineEntry e;
            e.offset = r.u32();
            e.line = r.u32() & 0x00FFFFFF;
            file.entries.push_back(e);
        }
        r.seek(block_start + block_size);
        block.files.push_back(std::move(file));
    }
    if (!r.ok()) {
        error = format("lines subsection at offset 0x%zx is cut short", start);
        return false;
    }
    d.lines.push_back(std::move(block));
    return true;
}

}  // namespace

std::optional<DebugSymbols> read_debug_symbols(std::span<const std::uint8_t> section, std::string& error)
{
    std::uint32_t signature = 0;
    if (!read_u32_at(section, 0, signature) || signature != coff::codeview::kSignatureC13) {
        error = "the debug symbols are not of the expected CodeView generation";
        return std::nullopt;
    }
    DebugSymbols d;
    std::size_t pos = 4;
    while (pos < section.size()) {
        std::uint32_t kind = 0, size = 0;
        if (!read_u32_at(section, pos, kind) || !read_u32_at(section, pos + 4, size) ||
            section.size() - pos - 8 < size) {
            error = format("debug subsection at offset 0x%zx runs past the section", pos);
            return std::nullopt;
        }
        std::size_t body = pos + 8;
        bool ok = true;
        switch (kind) {
        case subsection::kSymbols:
            ok = read_symbol_records(section, body, size, d, error);
            break;
        case subsection::kLines:
            ok = read_line_block(section, body, size, d, error);
            break;
        case subsection::kStringTable:
            d.strings = section.subspan(body, size);
            break;
        case subsection::kFileChecksums:
            d.checksums = section.subspan(body, size);
            break;
        default:
            break;  // frame data, inlinee lines and the rest carry nothing kept
        }
        if (!ok)
            return std::nullopt;
        pos = body + size;
        pos += (4 - pos % 4) % 4;
    }
    return d;
}

std::optional<std::string> file_name(const DebugSymbols& d, std::uint32_t file_id)
{
    std::uint32_t name_offset = 0;
    if (!read_u32_at(d.checksums, file_id, name_offset) || name_offset >= d.strings.size())
        return std::nullopt;
    ByteReader r(d.strings);
    r.seek(name_offset);
    std::string name = r.c_string();
    if (!r.ok())
        return std::nullopt;
    return name;
}

}  // namespace vyn::cc::c13
