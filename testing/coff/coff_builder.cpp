#include "testing/coff/coff_builder.h"

#include "common/byte_writer.h"

#include <fstream>

namespace vyn::testing {

int CoffBuilder::add_section(const std::string& name, std::vector<std::uint8_t> data, std::uint32_t characteristics,
                             std::uint32_t virtual_address)
{
    Section s;
    s.name = name;
    s.size = static_cast<std::uint32_t>(data.size());
    s.data = std::move(data);
    s.characteristics = characteristics;
    s.virtual_address = virtual_address;
    sections_.push_back(std::move(s));
    return static_cast<int>(sections_.size());
}

int CoffBuilder::add_bss(const std::string& name, std::uint32_t size, std::uint32_t characteristics)
{
    Section s;
    s.name = name;
    s.size = size;
    s.has_data = false;
    s.characteristics = characteristics;
    sections_.push_back(std::move(s));
    return static_cast<int>(sections_.size());
}

void CoffBuilder::add_relocation(int section, std::uint32_t offset, std::uint32_t symbol, std::uint16_t type)
{
    sections_.at(static_cast<std::size_t>(section - 1)).relocations.push_back({offset, symbol, type});
}

void CoffBuilder::add_line(int section, std::uint32_t address_or_symbol, std::uint16_t line)
{
    sections_.at(static_cast<std::size_t>(section - 1)).lines.push_back({address_or_symbol, line});
}

std::uint32_t CoffBuilder::add_symbol(const std::string& name, std::uint32_t value, std::int16_t section,
                                      std::uint8_t storage_class, std::uint16_t type, std::vector<AuxEntry> aux)
{
    std::uint32_t index = next_index_;
    next_index_ += 1 + static_cast<std::uint32_t>(aux.size());
    symbols_.push_back({name, value, section, type, storage_class, std::move(aux)});
    return index;
}

std::uint32_t CoffBuilder::define(const std::string& name, int section, std::uint32_t value)
{
    return add_symbol(name, value, static_cast<std::int16_t>(section));
}

std::uint32_t CoffBuilder::file_symbol(const std::string& source)
{
    constexpr std::size_t kAux = ::vyn::coff::kAuxSize;
    std::vector<AuxEntry> aux((source.size() + kAux - 1) / kAux);
    for (std::size_t i = 0; i < source.size(); ++i)
        aux[i / kAux][i % kAux] = static_cast<std::uint8_t>(source[i]);
    return add_symbol(std::string(::vyn::coff::kFileSymbol), 0, ::vyn::coff::section_number::kDebug, coff::kFile, 0,
                      std::move(aux));
}

std::vector<std::uint8_t> CoffBuilder::build() const
{
    ByteWriter strings;
    auto string_ref = [&strings](const std::string& name) {
        std::uint32_t offset = static_cast<std::uint32_t>(4 + strings.size());
        strings.c_string(name);
        return offset;
    };
    // Positions: header, section headers, then per section data, relocations, lines.
    namespace format = ::vyn::coff;
    std::uint32_t pos = static_cast<std::uint32_t>(format::kFileHeaderSize +
                                                   format::kSectionHeaderSize * sections_.size());
    std::vector<std::uint32_t> data_pos, reloc_pos, line_pos;
    for (const Section& s : sections_) {
        data_pos.push_back(s.has_data && s.size ? pos : 0);
        if (s.has_data)
            pos += s.size;
        reloc_pos.push_back(s.relocations.empty() ? 0 : pos);
        pos += static_cast<std::uint32_t>(format::kRelocationSize * s.relocations.size());
        line_pos.push_back(s.lines.empty() ? 0 : pos);
        pos += static_cast<std::uint32_t>(format::kLineNumberSize * s.lines.size());
    }
    ByteWriter w;
    w.u16(format::machine::kI386);
    w.u16(static_cast<std::uint16_t>(sections_.size()));
    w.u32(0);
    w.u32(pos);
    w.u32(next_index_);
    w.u16(0);
    w.u16(0);
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        const Section& s = sections_[i];
        if (s.name.size() > 8)
            w.fixed_string("/" + std::to_string(string_ref(s.name)), format::kSectionNameSize);
        else
            w.fixed_string(s.name, format::kSectionNameSize);
        w.u32(0);
        w.u32(s.virtual_address);
        w.u32(s.size);
        w.u32(data_pos[i]);
        w.u32(reloc_pos[i]);
        w.u32(line_pos[i]);
        w.u16(static_cast<std::uint16_t>(s.relocations.size()));
        w.u16(static_cast<std::uint16_t>(s.lines.size()));
        w.u32(s.characteristics);
    }
    for (const Section& s : sections_) {
        if (s.has_data)
            w.bytes(s.data);
        for (const Relocation& r : s.relocations) {
            w.u32(r.offset);
            w.u32(r.symbol);
            w.u16(r.type);
        }
        for (const Line& l : s.lines) {
            w.u32(l.address);
            w.u16(l.line);
        }
    }
    for (const Symbol& s : symbols_) {
        if (s.name.size() > 8) {
            w.u32(0);
            w.u32(string_ref(s.name));
        } else {
            w.fixed_string(s.name, 8);  // the inline name field
        }
        w.u32(s.value);
        w.u16(static_cast<std::uint16_t>(s.section));
        w.u16(s.type);
        w.u8(s.storage_class);
        w.u8(static_cast<std::uint8_t>(s.aux.size()));
        for (const AuxEntry& a : s.aux)
            w.bytes(a);
    }
    w.u32(static_cast<std::uint32_t>(4 + strings.size()));
    w.bytes(strings.bytes());
    return w.release();
}

bool write_bytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool CoffBuilder::write(const std::string& path) const
{
    return write_bytes(path, build());
}

}  // namespace vyn::testing
