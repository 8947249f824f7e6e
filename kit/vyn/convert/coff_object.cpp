// Reading and writing COFF objects field by field.
#include "kit/vyn/convert/coff_object.h"

#include "common/byte_writer.h"
#include "common/strings.h"

#include <algorithm>

namespace vyn::cc {

namespace {

bool read_relocations(ByteReader& file, ObjectSection& s, std::string& error)
{
    const coff::SectionHeader& h = s.header;
    std::size_t count = h.reloc_count;
    ByteReader r(file.bytes());
    if (h.reloc_count == 0)
        return true;
    if (!r.seek(h.reloc_pos)) {
        error = format("relocations of %s lie outside the file", s.name.c_str());
        return false;
    }
    if ((h.characteristics & coff::section_flags::kRelocOverflow) && h.reloc_count == 0xFFFF) {
        // The real count is the address field of the first entry, which counts itself.
        coff::Relocation first = coff::read_relocation(r);
        if (!r.ok() || first.address == 0) {
            error = format("bad relocation count of %s", s.name.c_str());
            return false;
        }
        count = first.address - 1;
    }
    if (count > r.remaining() / coff::kRelocationSize) {
        error = format("relocations of %s run past the end of the file", s.name.c_str());
        return false;
    }
    s.relocations.reserve(count);
    for (std::size_t k = 0; k < count; ++k)
        s.relocations.push_back(coff::read_relocation(r));
    return true;
}

bool read_section(ByteReader& headers, ByteReader& file, std::span<const std::uint8_t> strings, ObjectSection& s,
                  std::string& error)
{
    std::span<const std::uint8_t> name = headers.take(coff::kSectionNameSize);
    if (name.size() != coff::kSectionNameSize) {
        error = "section headers run past the end of the file";
        return false;
    }
    std::copy(name.begin(), name.end(), s.raw_name.begin());
    headers.seek(headers.position() - coff::kSectionNameSize);
    s.header = coff::read_section_header(headers);
    s.name = s.header.name;
    if (auto offset = coff::long_name_offset(s.name))
        if (auto longer = coff::string_at(strings, *offset); !longer.empty())
            s.name = std::string(longer);
    bool uninitialised = (s.header.characteristics & coff::section_flags::kUninitializedData) != 0;
    if (!uninitialised && s.header.raw_size != 0) {
        if (s.header.raw_pos > file.size() || file.size() - s.header.raw_pos < s.header.raw_size) {
            error = format("contents of %s lie outside the file", s.name.c_str());
            return false;
        }
        auto data = file.bytes().subspan(s.header.raw_pos, s.header.raw_size);
        s.data.assign(data.begin(), data.end());
    }
    if (!read_relocations(file, s, error))
        return false;
    bool complete = true;
    s.lines = coff::read_line_numbers(file.bytes(), s.header.line_pos, s.header.line_count, &complete);
    if (!complete) {
        error = format("line numbers of %s lie outside the file", s.name.c_str());
        return false;
    }
    return true;
}

bool read_symbols(std::span<const std::uint8_t> bytes, CoffObject& o, std::string& error)
{
    std::size_t pos = o.header.symbol_table_pos;
    std::size_t count = o.header.symbol_count;
    if (count == 0)
        return true;
    if (pos > bytes.size() || (bytes.size() - pos) / coff::kSymbolSize < count) {
        error = "the symbol table lies outside the file";
        return false;
    }
    ByteReader r(bytes.subspan(pos, count * coff::kSymbolSize));
    for (std::size_t i = 0; i < count;) {
        ObjectSymbol s;
        std::span<const std::uint8_t> raw = r.take(coff::kSymbolSize);
        std::copy(raw.begin(), raw.end(), s.raw.begin());
        ByteReader fields(raw);
        s.symbol = coff::read_symbol(fields);
        s.name = coff::symbol_name(s.symbol, o.string_table);
        if (s.symbol.aux_count > count - i - 1) {
            error = format("auxiliary records of symbol %zu run past the symbol table", i);
            return false;
        }
        for (std::size_t k = 0; k < s.symbol.aux_count; ++k) {
            std::span<const std::uint8_t> aux = r.take(coff::kAuxSize);
            RawRecord a{};
            std::copy(aux.begin(), aux.end(), a.begin());
            s.aux.push_back(a);
        }
        i += 1 + s.symbol.aux_count;
        o.symbols.push_back(std::move(s));
    }
    return true;
}

bool read_string_table(std::span<const std::uint8_t> bytes, CoffObject& o, std::string& error)
{
    std::size_t pos = std::size_t(o.header.symbol_table_pos) + std::size_t(o.header.symbol_count) * coff::kSymbolSize;
    std::uint32_t size = 4;
    if (o.header.symbol_count == 0 || !read_u32_at(bytes, pos, size))
        size = 4;
    if (size < 4 || (size > 4 && (pos > bytes.size() || bytes.size() - pos < size))) {
        error = format("bad string table size %u", size);
        return false;
    }
    if (size == 4) {
        o.string_table = {4, 0, 0, 0};
        return true;
    }
    auto table = bytes.subspan(pos, size);
    o.string_table.assign(table.begin(), table.end());
    return true;
}

}  // namespace

std::optional<CoffObject> read_coff_object(std::span<const std::uint8_t> bytes, std::string& error)
{
    CoffObject o;
    ByteReader file(bytes);
    o.header = coff::read_file_header(file);
    if (!file.ok() || o.header.machine != coff::machine::kI386 || o.header.optional_header_size != 0) {
        error = "not an i386 COFF object";
        return std::nullopt;
    }
    if (!read_string_table(bytes, o, error) || !read_symbols(bytes, o, error))
        return std::nullopt;
    if (std::size_t(o.header.section_count) * coff::kSectionHeaderSize > file.remaining()) {
        error = "section headers run past the end of the file";
        return std::nullopt;
    }
    ByteReader headers = file.sub(coff::kFileHeaderSize, std::size_t(o.header.section_count) * coff::kSectionHeaderSize);
    o.sections.resize(o.header.section_count);
    for (ObjectSection& s : o.sections)
        if (!read_section(headers, file, o.string_table, s, error))
            return std::nullopt;
    return o;
}

std::vector<std::uint32_t> symbol_table_indices(const std::vector<ObjectSymbol>& symbols)
{
    std::vector<std::uint32_t> indices;
    indices.reserve(symbols.size());
    std::uint32_t next = 0;
    for (const ObjectSymbol& s : symbols) {
        indices.push_back(next);
        next += 1 + static_cast<std::uint32_t>(s.aux.size());
    }
    return indices;
}

namespace {

struct Placement {
    std::uint32_t raw_pos = 0, reloc_pos = 0, line_pos = 0;
};

}  // namespace

std::vector<std::uint8_t> write_coff_object(const CoffObject& o)
{
    ByteWriter w;
    std::size_t symbol_count = 0;
    for (const ObjectSymbol& s : o.symbols)
        symbol_count += 1 + s.aux.size();

    // Section bodies first, into their own buffer, to learn their positions.
    std::size_t body_start = coff::kFileHeaderSize + o.sections.size() * coff::kSectionHeaderSize;
    ByteWriter body;
    std::vector<Placement> placed(o.sections.size());
    for (std::size_t i = 0; i < o.sections.size(); ++i) {
        const ObjectSection& s = o.sections[i];
        if (!s.data.empty()) {
            body.align(4);
            placed[i].raw_pos = static_cast<std::uint32_t>(body_start + body.size());
            body.bytes(s.data);
        }
        if (!s.relocations.empty()) {
            placed[i].reloc_pos = static_cast<std::uint32_t>(body_start + body.size());
            coff::write_relocations(body, s.relocations);
        }
        if (!s.lines.empty()) {
            placed[i].line_pos = static_cast<std::uint32_t>(body_start + body.size());
            for (const coff::LineNumber& n : s.lines) {
                body.u32(n.address_or_symbol);
                body.u16(n.line);
            }
        }
    }
    body.align(4);
    std::size_t symtab = body_start + body.size();

    w.u16(o.header.machine);
    w.u16(static_cast<std::uint16_t>(o.sections.size()));
    w.u32(o.header.time_stamp);
    w.u32(symbol_count ? static_cast<std::uint32_t>(symtab) : 0);
    w.u32(static_cast<std::uint32_t>(symbol_count));
    w.u16(0);
    w.u16(o.header.characteristics);
    for (std::size_t i = 0; i < o.sections.size(); ++i) {
        const ObjectSection& s = o.sections[i];
        coff::RelocationCount relocations = coff::relocation_count(s.relocations.size());
        std::uint32_t characteristics =
            (s.header.characteristics & ~coff::section_flags::kRelocOverflow) | relocations.flags;
        w.bytes(s.raw_name);
        w.u32(s.header.virtual_size);
        w.u32(s.header.virtual_address);
        w.u32(s.data.empty() ? s.header.raw_size : static_cast<std::uint32_t>(s.data.size()));
        w.u32(placed[i].raw_pos);
        w.u32(placed[i].reloc_pos);
        w.u32(placed[i].line_pos);
        w.u16(relocations.field);
        w.u16(static_cast<std::uint16_t>(std::min<std::size_t>(s.lines.size(), 0xFFFF)));
        w.u32(characteristics);
    }
    w.bytes(body.bytes());
    for (const ObjectSymbol& s : o.symbols) {
        RawRecord raw = s.raw;
        put_u32_at(raw, coff::symbol::kValue, s.symbol.value);
        put_u16_at(raw, coff::symbol::kSectionNumber, static_cast<std::uint16_t>(s.symbol.section));
        put_u16_at(raw, coff::symbol::kType, s.symbol.type);
        put_u8_at(raw, coff::symbol::kStorageClass, s.symbol.storage_class);
        put_u8_at(raw, coff::symbol::kAuxCount, static_cast<std::uint8_t>(s.aux.size()));
        w.bytes(raw);
        for (const RawRecord& a : s.aux)
            w.bytes(a);
    }
    w.bytes(o.string_table);
    return w.release();
}

}  // namespace vyn::cc
