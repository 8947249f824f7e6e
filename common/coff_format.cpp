// Decoders of the COFF/PE vocabulary, each field read through ByteReader.
#include "common/coff_format.h"

#include "common/strings.h"

namespace vyn::coff {

FileHeader read_file_header(ByteReader& r)
{
    FileHeader h;
    h.machine = r.u16();
    h.section_count = r.u16();
    h.time_stamp = r.u32();
    h.symbol_table_pos = r.u32();
    h.symbol_count = r.u32();
    h.optional_header_size = r.u16();
    h.characteristics = r.u16();
    return h;
}

std::uint32_t section_alignment(std::uint32_t characteristics)
{
    std::uint32_t code = (characteristics & section_flags::kAlignMask) >> section_flags::kAlignShift;
    if (code == 0 || code > 14)
        return 1;
    return 1u << (code - 1);
}

std::uint32_t alignment_flags(std::uint32_t alignment)
{
    std::uint32_t code = 1;
    while (code < 14 && (1u << (code - 1)) < alignment)
        ++code;
    return code << section_flags::kAlignShift;
}

SectionHeader read_section_header(ByteReader& r)
{
    SectionHeader h;
    h.name = r.fixed_string(kSectionNameSize);
    h.virtual_size = r.u32();
    h.virtual_address = r.u32();
    h.raw_size = r.u32();
    h.raw_pos = r.u32();
    h.reloc_pos = r.u32();
    h.line_pos = r.u32();
    h.reloc_count = r.u16();
    h.line_count = r.u16();
    h.characteristics = r.u32();
    return h;
}

std::optional<std::uint32_t> long_name_offset(std::string_view header_name)
{
    if (header_name.size() < 2 || header_name[0] != '/')
        return std::nullopt;
    return parse_u32(header_name.substr(1));
}

Symbol read_symbol(ByteReader& r)
{
    Symbol s;
    std::span<const std::uint8_t> name = r.take(8);
    if (name.size() == 8) {
        ByteReader nr(name);
        if (nr.u32() == 0)
            s.name_offset = nr.u32();
        else
            s.inline_name = ByteReader(name).fixed_string(8);
    }
    s.value = r.u32();
    s.section = r.i16();
    s.type = r.u16();
    s.storage_class = r.u8();
    s.aux_count = r.u8();
    return s;
}

std::string_view string_at(std::span<const std::uint8_t> string_table, std::uint32_t offset)
{
    if (offset < 4 || offset >= string_table.size())
        return {};
    const char* start = reinterpret_cast<const char*>(string_table.data()) + offset;
    std::size_t length = 0;
    while (offset + length < string_table.size() && start[length] != '\0')
        ++length;
    return {start, length};
}

std::string symbol_name(const Symbol& s, std::span<const std::uint8_t> string_table)
{
    if (s.name_offset)
        return std::string(string_at(string_table, *s.name_offset));
    return s.inline_name;
}

std::uint16_t aux_line(std::span<const std::uint8_t> aux)
{
    std::uint16_t line = 0;
    read_u16_at(aux, aux_bf_ef::kLine, line);
    return line;
}

Relocation read_relocation(ByteReader& r)
{
    Relocation rel;
    rel.address = r.u32();
    rel.symbol_index = r.u32();
    rel.type = r.u16();
    return rel;
}

RelocationCount relocation_count(std::size_t relocations)
{
    if (relocations <= kMostCountedRelocations)
        return {static_cast<std::uint16_t>(relocations), 0, relocations};
    return {0xFFFF, section_flags::kRelocOverflow, relocations + 1};
}

void write_relocations(ByteWriter& w, std::span<const Relocation> relocations)
{
    if (relocation_count(relocations.size()).flags & section_flags::kRelocOverflow) {
        w.u32(static_cast<std::uint32_t>(relocations.size() + 1));
        w.u32(0);
        w.u16(0);
    }
    for (const Relocation& r : relocations) {
        w.u32(r.address);
        w.u32(r.symbol_index);
        w.u16(r.type);
    }
}

std::vector<LineNumber> read_line_numbers(std::span<const std::uint8_t> file, std::size_t pos, std::size_t count,
                                          bool* complete)
{
    std::vector<LineNumber> lines;
    ByteReader r(file);
    bool fits = r.seek(pos);
    for (std::size_t k = 0; fits && k < count; ++k) {
        LineNumber n;
        n.address_or_symbol = r.u32();
        n.line = r.u16();
        if (!r.ok()) {
            fits = false;
            break;
        }
        lines.push_back(n);
    }
    if (complete)
        *complete = fits;
    return lines;
}

std::optional<MemberHeader> read_member_header(ByteReader& r)
{
    std::span<const std::uint8_t> raw = r.take(kArchiveMemberHeaderSize);
    if (raw.size() != kArchiveMemberHeaderSize)
        return std::nullopt;
    auto text = [&](std::size_t offset, std::size_t size) {
        return std::string_view(reinterpret_cast<const char*>(raw.data()) + offset, size);
    };
    if (text(member_header::kEnd, 2) != kMemberHeaderEnd)
        return std::nullopt;
    MemberHeader h;
    std::string_view name = text(member_header::kName, member_header::kNameSize);
    while (!name.empty() && name.back() == ' ')
        name.remove_suffix(1);
    h.name = std::string(name);
    std::string_view size = text(member_header::kSize, member_header::kSizeSize);
    while (!size.empty() && size.back() == ' ')
        size.remove_suffix(1);
    auto value = parse_u32(size);
    if (!value)
        return std::nullopt;
    h.size = *value;
    return h;
}

namespace {
std::uint32_t big_endian_u32(ByteReader& r)
{
    std::span<const std::uint8_t> b = r.take(4);
    if (b.size() != 4)
        return 0;
    return (std::uint32_t(b[0]) << 24) | (std::uint32_t(b[1]) << 16) | (std::uint32_t(b[2]) << 8) | b[3];
}
}  // namespace

std::optional<std::vector<LinkerMemberEntry>> read_first_linker_member(std::span<const std::uint8_t> body)
{
    ByteReader r(body);
    std::uint32_t count = big_endian_u32(r);
    if (!r.ok() || count > r.remaining() / 4)
        return std::nullopt;
    std::vector<LinkerMemberEntry> entries(count);
    for (auto& e : entries)
        e.member_offset = big_endian_u32(r);
    for (auto& e : entries)
        e.name = r.c_string();
    if (!r.ok())
        return std::nullopt;
    return entries;
}

std::optional<ImportObject> read_import_object(std::span<const std::uint8_t> bytes)
{
    ByteReader r(bytes);
    std::uint16_t sig1 = r.u16();
    std::uint16_t sig2 = r.u16();
    r.u16();  // version
    ImportObject o;
    o.machine = r.u16();
    r.u32();  // time stamp
    std::uint32_t data_size = r.u32();
    o.ordinal_or_hint = r.u16();
    std::uint16_t type = r.u16();
    if (!r.ok() || sig1 != machine::kUnknown || sig2 != kImportSig2 || data_size > r.remaining())
        return std::nullopt;
    o.type = type & 0x3;
    o.name_type = (type >> 2) & 0x7;
    ByteReader names = r.sub(r.position(), data_size);
    o.symbol = names.c_string();
    o.dll = names.c_string();
    if (!names.ok())
        return std::nullopt;
    return o;
}

}  // namespace vyn::coff
