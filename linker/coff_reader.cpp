// COFF object files: the file header, section headers, symbol and string
// tables, read field by field with every offset checked against the file.
#include "linker/linker.h"

#include "common/byte_reader.h"
#include "common/coff_format.h"
#include "common/strings.h"

#include <cstdio>
#include <filesystem>

namespace vyn::lnk {

namespace {

namespace sf = coff::section_flags;

unsigned flags_from_characteristics(const std::string& name, std::uint32_t ch, std::uint32_t raw_pos,
                                    std::uint32_t reloc_count)
{
    unsigned flags = 0;
    if (ch & sf::kCode)
        flags |= kAllocated | kLoaded | kCode;
    if (ch & sf::kInitializedData)
        flags |= kAllocated | kLoaded | kData;
    if (ch & sf::kUninitializedData)
        flags |= kAllocated;
    if (!(ch & sf::kContentMask)) {
        if (name == ".text")
            flags |= kAllocated | kLoaded | kCode;
        else if (name == ".data")
            flags |= kAllocated | kLoaded | kData;
        else if (name == ".bss")
            flags |= kAllocated;
        else
            flags |= kAllocated | kLoaded;
    }
    if (ch & kKeep02Characteristic)
        flags |= kKeep02;
    if (ch & sf::kComdat)
        flags |= kLinkOnce;
    if (reloc_count)
        flags |= kHasRelocs;
    if (raw_pos)
        flags |= kHasContents;
    return flags;
}

/* The string table follows the symbol table; its first four bytes give its
   size including themselves. Unreadable size bytes mean an empty table. */
bool ReadStringTable(Linker& l, InputFile& f, bool report)
{
    std::size_t pos = static_cast<std::size_t>(f.symtab_pos) + static_cast<std::size_t>(f.symbol_count) * coff::kSymbolSize;
    std::uint32_t size = 4;
    if (!read_u32_at(f.bytes, pos, size))
        size = 4;
    if (size < 4 || pos + size > f.bytes.size()) {
        if (report)
            err(l, "%s: bad string table size %lu", f.name.c_str(), static_cast<unsigned long>(size));
        return false;
    }
    f.string_table = f.bytes.subspan(pos, size);
    return true;
}

/* An inline 8-byte name, or (first four bytes zero) an offset into the
   string table. */
std::string_view GetSymbolName(const InputFile& f, std::span<const std::uint8_t> raw)
{
    std::uint32_t first = 0, offset = 0;
    read_u32_at(raw, coff::symbol::kNameZeroes, first);
    if (first == 0) {
        read_u32_at(raw, coff::symbol::kNameOffset, offset);
        return coff::string_at(f.string_table, offset);
    }
    const char* name = reinterpret_cast<const char*>(raw.data());
    std::size_t length = 0;
    while (length < 8 && name[length] != '\0')
        ++length;
    return {name, length};
}

/* A section with more than 65,535 relocations has the overflow flag, 0xFFFF
   as its count and the real count, itself included, in the address field
   of its first relocation record; the relocations proper follow that
   record. An unreadable first record leaves the count as it is: reading the
   relocations then fails with its message. */
void read_extended_relocation_count(const InputFile& f, InputSection& s)
{
    if (!(s.characteristics & sf::kRelocOverflow) || s.reloc_count != 0xFFFF)
        return;
    std::uint32_t count = 0;
    if (!read_u32_at(f.bytes, s.reloc_pos, count))
        return;
    s.reloc_pos += coff::kRelocationSize;
    s.reloc_count = count == 0 ? 0 : count - 1;
}

}  // namespace

bool read_whole_file(const std::string& host_path, InputFile& file)
{
    std::FILE* f = std::fopen(host_path.c_str(), "rb");
    if (!f)
        return false;
    std::error_code error;
    auto size = std::filesystem::file_size(host_path, error);
    bool ok = !error;
    if (ok) {
        // Not zero-filled first: every byte is read over.
        auto bytes = std::make_shared_for_overwrite<std::uint8_t[]>(size ? size : 1);
        ok = std::fread(bytes.get(), 1, size, f) == size;
        file.data = bytes;
        file.bytes = {bytes.get(), static_cast<std::size_t>(size)};
    }
    std::fclose(f);
    return ok;
}

/* The file header and the section headers of an object. Fails (without a
   message) when the bytes are not an i386 object without optional header;
   the caller then tries the other kinds. */
bool BuildFileDescriptor(Linker& l, InputFile& f)
{
    ByteReader r(f.bytes);
    std::uint16_t machine = r.u16();
    std::uint16_t nsections = r.u16();
    r.u32();  // time stamp
    std::uint32_t symtab = r.u32();
    std::uint32_t nsyms = r.u32();
    std::uint16_t opt_size = r.u16();
    r.u16();  // characteristics
    if (!r.ok() || machine != coff::machine::kI386 || opt_size != 0)
        return false;
    if (static_cast<std::size_t>(nsections) * coff::kSectionHeaderSize > r.remaining())
        return false;
    f.section_count = nsections;
    f.symtab_pos = symtab;
    f.symbol_count = nsyms;
    if (nsyms != 0 && (symtab > f.bytes.size() || (f.bytes.size() - symtab) / coff::kSymbolSize < nsyms))
        return false;
    f.sections.clear();
    bool have_strings = nsyms == 0 ? false : ReadStringTable(l, f, false);
    for (std::uint16_t i = 0; i < nsections; ++i) {
        auto s = std::make_unique<InputSection>();
        std::span<const std::uint8_t> raw_name = r.take(coff::kSectionNameSize);
        ByteReader nr(raw_name);
        s->name = nr.fixed_string(coff::kSectionNameSize);
        if (have_strings && s->name.size() > 1 && s->name[0] == '/') {
            // A long section name: "/" and a decimal string-table offset.
            if (auto off = parse_u32(std::string_view(s->name).substr(1)))
                if (auto longer = coff::string_at(f.string_table, *off); !longer.empty())
                    s->name = std::string(longer);
        }
        r.u32();  // virtual size (physical address)
        s->virtual_address = r.u32();
        s->size = r.u32();
        s->raw_pos = r.u32();
        s->reloc_pos = r.u32();
        s->line_pos = r.u32();
        s->reloc_count = r.u16();
        s->line_count = r.u16();
        s->characteristics = r.u32();
        read_extended_relocation_count(f, *s);
        s->flags = flags_from_characteristics(s->name, s->characteristics, s->raw_pos, s->reloc_count);
        if (s->characteristics & sf::kUninitializedData)
            s->flags &= ~kHasContents;
        s->alignment = coff::section_alignment(s->characteristics);
        s->index = i + 1;
        s->file = &f;
        f.sections.push_back(std::move(s));
    }
    f.kind = FileKind::Object;
    return r.ok();
}

/* Decodes the whole symbol table, auxiliary entries marked as such. */
bool ReadObjectSymbols(Linker& l, InputFile& f)
{
    if (f.symbols_read)
        return true;
    if (f.symbol_count != 0 && f.string_table.empty() && !ReadStringTable(l, f, true))
        return false;
    f.symbols.assign(f.symbol_count, CoffSymbol{});
    f.symbol_entries.assign(f.symbol_count, nullptr);
    for (std::uint32_t i = 0; i < f.symbol_count; ++i) {
        std::size_t pos = static_cast<std::size_t>(f.symtab_pos) + static_cast<std::size_t>(i) * coff::kSymbolSize;
        CoffSymbol& s = f.symbols[i];
        s.raw = f.bytes.subspan(pos, coff::kSymbolSize);
        ByteReader r(s.raw);
        s.name = GetSymbolName(f, s.raw);
        r.seek(coff::symbol::kValue);
        s.value = r.u32();
        s.section = r.i16();
        s.type = r.u16();
        s.storage_class = r.u8();
        s.aux_count = r.u8();
        std::uint32_t aux = s.aux_count;
        if (aux > f.symbol_count - 1 - i)
            aux = f.symbol_count - 1 - i;
        s.aux_count = static_cast<std::uint8_t>(aux);
        for (std::uint32_t k = 1; k <= aux; ++k) {
            CoffSymbol& a = f.symbols[i + k];
            a.is_aux = true;
            a.raw = f.bytes.subspan(pos + k * coff::kSymbolSize, coff::kAuxSize);
        }
        i += aux;
    }
    f.symbols_read = true;
    return true;
}

/* Object or archive? Decided once per file; a later question for the other
   kind is answered no. */
bool FindFileType(Linker& l, InputFile& f, FileKind wanted)
{
    if (f.kind == FileKind::Unknown) {
        if (BuildFileDescriptor(l, f))
            f.kind = FileKind::Object;
        else if (CheckIfDotLib(f))
            f.kind = FileKind::Archive;
        else
            f.kind = FileKind::Neither;
    }
    return f.kind == wanted;
}

std::vector<coff::LineNumber> section_line_numbers(const InputSection& s)
{
    if (!s.file || s.line_count == 0)
        return {};
    return coff::read_line_numbers(s.file->bytes, s.line_pos, s.line_count);
}

std::span<const std::uint8_t> section_contents(const InputSection& s)
{
    if (!s.file || !(s.flags & kHasContents))
        return {};
    const auto& bytes = s.file->bytes;
    if (s.raw_pos > bytes.size() || bytes.size() - s.raw_pos < s.size)
        return {};
    return bytes.subspan(s.raw_pos, s.size);
}

}  // namespace vyn::lnk
