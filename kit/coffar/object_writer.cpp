#include "kit/coffar/object_writer.h"

#include "common/byte_writer.h"
#include "common/coff_format.h"

namespace vyn::coffar {

int ObjectWriter::add_section(const std::string& name, std::vector<std::uint8_t> data, std::uint32_t characteristics)
{
    sections_.push_back({name, std::move(data), characteristics, {}});
    int number = static_cast<int>(sections_.size());
    section_symbols_.push_back(add_symbol({name, 0, static_cast<std::int16_t>(number), coff::storage_class::kStatic}));
    return number;
}

std::uint32_t ObjectWriter::define(const std::string& name, int section, std::uint32_t value)
{
    return add_symbol({name, value, static_cast<std::int16_t>(section), coff::storage_class::kExternal});
}

std::uint32_t ObjectWriter::reference(const std::string& name)
{
    return add_symbol({name, 0, coff::section_number::kUndefined, coff::storage_class::kExternal});
}

void ObjectWriter::relocate(int section, std::uint32_t offset, std::uint32_t symbol, std::uint16_t type)
{
    sections_.at(section - 1).relocations.push_back({offset, symbol, type});
}

std::uint32_t ObjectWriter::add_symbol(Symbol s)
{
    symbols_.push_back(std::move(s));
    return static_cast<std::uint32_t>(symbols_.size() - 1);
}

/* Layout: file header, section headers, then per section its data and its
   relocations, then the symbol table and the string table. */
std::vector<std::uint8_t> ObjectWriter::build() const
{
    std::size_t pos = coff::kFileHeaderSize + sections_.size() * coff::kSectionHeaderSize;
    std::vector<std::size_t> data_pos, reloc_pos;
    for (const Section& s : sections_) {
        data_pos.push_back(s.data.empty() ? 0 : pos);
        pos += s.data.size();
        reloc_pos.push_back(s.relocations.empty() ? 0 : pos);
        pos += coff::relocation_count(s.relocations.size()).entries * coff::kRelocationSize;
    }
    ByteWriter w;
    w.u16(coff::machine::kI386);
    w.u16(static_cast<std::uint16_t>(sections_.size()));
    w.u32(0);  // no time stamp: the same input gives the same bytes
    w.u32(static_cast<std::uint32_t>(pos));
    w.u32(static_cast<std::uint32_t>(symbols_.size()));
    w.u16(0);
    w.u16(coff::file_flags::kMachine32Bit);
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        const Section& s = sections_[i];
        coff::RelocationCount relocations = coff::relocation_count(s.relocations.size());
        w.fixed_string(s.name, coff::kSectionNameSize);
        w.u32(0);
        w.u32(0);
        w.u32(static_cast<std::uint32_t>(s.data.size()));
        w.u32(static_cast<std::uint32_t>(data_pos[i]));
        w.u32(static_cast<std::uint32_t>(reloc_pos[i]));
        w.u32(0);
        w.u16(relocations.field);
        w.u16(0);
        w.u32(s.characteristics | relocations.flags);
    }
    for (const Section& s : sections_) {
        w.bytes(s.data);
        coff::write_relocations(w, s.relocations);
    }
    std::string strings;
    for (const Symbol& s : symbols_) {
        if (s.name.size() <= coff::kSectionNameSize) {
            w.fixed_string(s.name, coff::kSectionNameSize);
        } else {
            w.u32(0);
            w.u32(static_cast<std::uint32_t>(4 + strings.size()));
            strings += s.name;
            strings += '\0';
        }
        w.u32(s.value);
        w.u16(static_cast<std::uint16_t>(s.section));
        w.u16(0);
        w.u8(s.storage_class);
        w.u8(0);
    }
    w.u32(static_cast<std::uint32_t>(4 + strings.size()));
    w.text(strings);
    return w.release();
}

}  // namespace vyn::coffar
