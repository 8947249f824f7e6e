// The PE image: MS-DOS stub, file and optional headers, section headers,
// section data, the COFF debug information and the debug directory.
#include "linker/linker.h"

#include "common/byte_writer.h"
#include "common/coff_format.h"
#include "common/winpath.h"
#include "platform/files.h"

#include <ctime>

namespace vyn::lnk {

namespace {

constexpr std::uint32_t kPage = 0x1000;
constexpr std::uint32_t kFileAlign = 0x200;

namespace sf = coff::section_flags;
namespace ff = coff::file_flags;
namespace dir = coff::data_directory;

std::uint32_t align_up(std::uint32_t value, std::uint32_t alignment)
{
    return (value + alignment - 1) & ~(alignment - 1);
}

bool written(const OutputSection& s)
{
    return s.in_image && s.virtual_size != 0;
}

/* CodeView information goes into images linked from objects with debug
   sections, unless they are stripped. */
bool writes_codeview(const Linker& l)
{
    return !l.settings.stripped() && (l.settings.debug_flags & 2) && l.codeview.any_debug_section;
}

void write_dos_stub(ByteWriter& w)
{
    static const std::uint16_t kHeaderWords[] = {coff::kDosSignature, 0x90, 3, 0, 4, 0, 0xFFFF, 0, 0xB8, 0, 0, 0, 0x40};
    static const std::uint8_t kCode[14] = {0x0E, 0x1F, 0xBA, 0x0E, 0x00, 0xB4, 0x09,
                                           0xCD, 0x21, 0xB8, 0x01, 0x4C, 0xCD, 0x21};
    for (std::uint16_t word : kHeaderWords)
        w.u16(word);
    w.zeros(coff::kDosLfanewOffset - w.size());
    w.u32(kDosStubSize);  // the new header's offset
    w.bytes(kCode);
    w.text("This program cannot be run in DOS mode.\r\r\n$");
    w.zeros(kDosStubSize - w.size());
}

std::uint32_t content_bit(const OutputSection& s)
{
    if (s.name == ".text" || (s.flags & kCode))
        return sf::kCode;
    if (s.name == ".data" || (s.flags & kData))
        return sf::kInitializedData;
    return sf::kUninitializedData;
}

std::uint32_t section_characteristics(const OutputSection& s)
{
    std::uint32_t bit = content_bit(s);
    std::uint32_t ch;
    // The code bit on ".idata", ".rdata", ".edata" and ".reloc" is what the
    // images this linker has always written carry; loaders ignore it there.
    if (s.name == ".text")
        ch = sf::kCode | sf::kExecute | sf::kRead;
    else if (s.name == ".data" || s.name == ".bss" || s.name == ".rsrc")
        ch = bit | sf::kRead | sf::kWrite;
    else if (s.name == ".idata")
        ch = bit | sf::kCode | sf::kRead | sf::kWrite;
    else if (s.name == ".rdata" || s.name == ".edata")
        ch = sf::kCode | sf::kRead;
    else if (s.name == ".reloc")
        ch = sf::kCode | sf::kDiscardable;
    else
        ch = bit | sf::kRead;
    return ch | s.extra_characteristics;
}

std::uint16_t file_characteristics(const Linker& l)
{
    std::uint16_t ch = ff::kExecutable | ff::kMachine32Bit;
    bool reloc = find_output(const_cast<Linker&>(l), ".reloc") != nullptr;
    bool edata = find_output(const_cast<Linker&>(l), ".edata") != nullptr;
    if (!l.any_input_relocations && !reloc && !edata)
        ch |= ff::kRelocsStripped;
    if (reloc)
        ch &= ~ff::kRelocsStripped;
    if (l.coff_line_count == 0 || l.coff_symbol_count == 0)
        ch |= ff::kLineNumbersStripped;
    if (l.settings.stripped())
        ch |= ff::kLocalSymbolsStripped;
    if (l.settings.dll)
        ch |= ff::kDll;
    return ch;
}

struct Directory {
    std::uint32_t rva = 0, size = 0;
};

Directory directory_of(Linker& l, const char* name)
{
    OutputSection* s = find_output(l, name);
    if (!s || !written(*s))
        return {};
    return {s->address - l.settings.image_base, s->virtual_size};
}

void write_optional_header(Linker& l, ByteWriter& w, std::uint32_t headers_size)
{
    const Settings& st = l.settings;
    std::uint32_t code = 0, data = 0, bss = 0, image_end = align_up(headers_size, kPage);
    for (auto& s : l.sections) {
        if (!written(*s))
            continue;
        if (s->name == ".bss")
            bss += align_up(s->virtual_size, kFileAlign);
        else if (s->flags & kCode)
            code += s->raw_size;
        else
            data += s->raw_size;
        image_end = std::max(image_end, align_up(s->address - st.image_base + s->virtual_size, kPage));
    }
    OutputSection* text = find_output(l, ".text");
    OutputSection* dat = find_output(l, ".data");
    OutputSection* bsss = find_output(l, ".bss");
    std::uint32_t base_of_data = dat ? dat->address : 0;
    if (bsss && (!dat || bsss->address < dat->address))
        base_of_data = bsss->address;
    w.u16(coff::kOptionalMagicPe32);
    w.u8(1);
    w.u8(3);
    w.u32(code);
    w.u32(data);
    w.u32(bss);
    w.u32(l.entry_address - st.image_base);
    w.u32(text ? text->address - st.image_base : 0);
    w.u32(base_of_data ? base_of_data - st.image_base : 0);
    w.u32(st.image_base);
    w.u32(kPage);
    w.u32(kFileAlign);
    w.u16(1);
    w.u16(0);
    w.u16(st.version_major);
    w.u16(st.version_minor);
    w.u16(4);
    w.u16(0);
    w.u32(0);
    w.u32(image_end);
    w.u32(headers_size);
    w.u32(0);
    w.u16(st.subsystem);
    w.u16(0);
    w.u32(st.stack_reserve);
    w.u32(st.stack_commit);
    w.u32(0x100000);
    w.u32(0x1000);
    w.u32(0);
    w.u32(dir::kCount);
    Directory dirs[dir::kCount];
    dirs[dir::kExport] = directory_of(l, ".edata");
    dirs[dir::kImport] = directory_of(l, ".idata");
    dirs[dir::kResource] = directory_of(l, ".rsrc");
    dirs[dir::kBaseReloc] = directory_of(l, ".reloc");
    if (l.debug_directory) {
        OutputSection* rdata = find_output(l, ".rdata");
        dirs[dir::kDebug] = {rdata->address - st.image_base,
                             static_cast<std::uint32_t>(coff::kDebugDirectoryEntrySize * (writes_codeview(l) ? 3 : 2))};
    }
    for (const Directory& d : dirs) {
        w.u32(d.rva);
        w.u32(d.size);
    }
}

void write_section_header(const Linker& l, ByteWriter& w, const OutputSection& s)
{
    w.fixed_string(s.name, coff::kSectionNameSize);
    w.u32(s.virtual_size);
    w.u32(s.address - l.settings.image_base);
    w.u32(s.raw_size);
    w.u32(s.file_pos);
    w.u32(0);
    w.u32(0);
    w.u16(0);
    w.u16(0);
    w.u32(section_characteristics(s));
}

/* The MISC record naming the executable. */
std::vector<std::uint8_t> misc_record(const Linker& l)
{
    const std::string& name = l.settings.output_name;
    std::uint32_t length = static_cast<std::uint32_t>((12 + name.size() + 1 + 3) & ~std::size_t(3));
    ByteWriter w;
    w.u32(1);
    w.u32(length);
    w.u8(0);
    w.zeros(3);
    w.c_string(name);
    w.zeros(length - w.size());
    return w.release();
}

/* Two 28-byte entries (COFF, MISC) at the start of ".rdata"; the third
   stays empty until FixDebugDirectory names the CodeView block. */
void write_debug_directory(Linker& l, std::uint32_t coff_pos, std::uint32_t misc_pos, std::uint32_t misc_size,
                           std::vector<std::uint8_t>& image)
{
    OutputSection* rdata = find_output(l, ".rdata");
    std::uint32_t stamp = static_cast<std::uint32_t>(std::time(nullptr));
    ByteWriter w;
    auto entry = [&](std::uint32_t type, std::uint32_t size, std::uint32_t pos) {
        w.u32(0);
        w.u32(stamp);
        w.u32(0);
        w.u32(type);
        w.u32(size);
        w.u32(0);
        w.u32(pos);
    };
    entry(coff::debug_type::kCoff,
          static_cast<std::uint32_t>(coff::kLineNumberSize * l.coff_line_count +
                                     coff::kSymbolSize * l.coff_symbol_count + l.coff_strings_size),
          coff_pos);
    entry(coff::debug_type::kMisc, misc_size, misc_pos);
    w.zeros(coff::kDebugDirectoryEntrySize);
    std::copy(w.bytes().begin(), w.bytes().end(), image.begin() + rdata->file_pos);
}

/* The third debug directory entry: CodeView, its size and file position. */
void FixDebugDirectory(Linker& l, std::uint32_t codeview_pos, std::uint32_t codeview_size,
                       std::vector<std::uint8_t>& image)
{
    OutputSection* rdata = find_output(l, ".rdata");
    std::size_t entry = rdata->file_pos + 2 * coff::kDebugDirectoryEntrySize;
    put_u32_at(image, entry + coff::debug_entry::kTimeStamp, static_cast<std::uint32_t>(std::time(nullptr)));
    put_u32_at(image, entry + coff::debug_entry::kType, coff::debug_type::kCodeView);
    put_u32_at(image, entry + coff::debug_entry::kSize, codeview_size);
    put_u32_at(image, entry + coff::debug_entry::kPosition, codeview_pos);
}

}  // namespace

/* Lays out the whole file in memory. */
std::vector<std::uint8_t> build_image(Linker& l)
{
    std::uint32_t header_count = 0;
    for (auto& s : l.sections)
        if (written(*s))
            ++header_count;
    std::uint32_t first_data = 0;
    for (auto& s : l.sections)
        if (written(*s) && s->file_pos && (!first_data || s->file_pos < first_data))
            first_data = s->file_pos;
    std::uint32_t headers_size = first_data ? first_data : align_up(static_cast<std::uint32_t>(kImageHeadersSize + coff::kSectionHeaderSize * header_count), kFileAlign);

    std::uint32_t coff_pos = l.end_of_sections;
    std::uint32_t misc_pos = coff_pos + static_cast<std::uint32_t>(l.coff_debug.size());
    std::vector<std::uint8_t> misc = l.settings.stripped() ? std::vector<std::uint8_t>{} : misc_record(l);
    std::uint32_t codeview_pos = misc_pos + static_cast<std::uint32_t>(misc.size());
    std::vector<std::uint8_t> codeview = writes_codeview(l) ? WriteCVInfo(l) : std::vector<std::uint8_t>{};

    ByteWriter w;
    write_dos_stub(w);
    w.text(std::string_view("PE\0\0", 4));
    w.u16(coff::machine::kI386);
    w.u16(static_cast<std::uint16_t>(header_count));
    w.u32(static_cast<std::uint32_t>(std::time(nullptr)));
    bool symbols = !l.settings.stripped() && l.coff_symbol_count > 0;
    w.u32(symbols ? static_cast<std::uint32_t>(coff_pos + kCoffDebugHeaderSize +
                                                coff::kLineNumberSize * l.coff_line_count)
                  : 0);
    w.u32(symbols ? l.coff_symbol_count : 0);
    w.u16(coff::kOptionalHeaderSize32);
    w.u16(file_characteristics(l));
    write_optional_header(l, w, headers_size);
    for (auto& s : l.sections)
        if (written(*s))
            write_section_header(l, w, *s);

    std::vector<std::uint8_t> image = w.release();
    image.resize(codeview_pos + codeview.size(), 0);
    for (auto& s : l.sections)
        if (written(*s) && s->file_pos)
            std::copy(s->data.begin(), s->data.begin() + std::min<std::size_t>(s->data.size(), s->raw_size),
                      image.begin() + s->file_pos);
    std::copy(l.coff_debug.begin(), l.coff_debug.end(), image.begin() + coff_pos);
    std::copy(misc.begin(), misc.end(), image.begin() + misc_pos);
    std::copy(codeview.begin(), codeview.end(), image.begin() + codeview_pos);
    if (l.debug_directory)
        write_debug_directory(l, coff_pos, misc_pos, static_cast<std::uint32_t>(misc.size()), image);
    if (l.debug_directory && !codeview.empty())
        FixDebugDirectory(l, codeview_pos, static_cast<std::uint32_t>(codeview.size()), image);

    return image;
}

/* Writes the image in one go. */
bool WriteExeFile(Linker& l)
{
    std::vector<std::uint8_t> image = build_image(l);
    // Written beside the output and renamed over it: an existing file of
    // that name stays whole until the new image is complete.
    bool ok = platform::write_file_atomically(winpath::to_host(l.settings.output_name), image);
    if (!ok)
        err(l, "Impossible to write to executable\n");
    return ok;
}

}  // namespace vyn::lnk
