// Copying and relocating contents, the sections appended after the
// contributions (".reloc", ".edata"), file positions and the image's COFF
// symbol information.
#include "linker/linker.h"

#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "common/coff_format.h"
#include "common/strings.h"

#include <ctime>
#include <unordered_map>

namespace vyn::lnk {

bool RelocateSection(Linker& l, InputFile& f, InputSection& s);

namespace {

constexpr std::uint32_t kPage = 0x1000;
constexpr std::uint32_t kFileAlign = 0x200;
constexpr std::size_t kInlineNameSize = 8;  // a symbol's name field

std::uint32_t align_up(std::uint32_t value, std::uint32_t alignment)
{
    return (value + alignment - 1) & ~(alignment - 1);
}

/* Line numbers of an object's section for the map file: "0x%08x:%4d "
   entries, a line end before every fifth. */
void note_line_numbers(Linker& l, InputFile& f, InputSection& s)
{
    if (!l.settings.map_file || f.from_archive() || s.line_count == 0)
        return;
    std::string& text = l.map_lines_prefix;
    text += format("\n%s: %d lines\n", f.name.c_str(), static_cast<int>(s.line_count));
    std::uint32_t base = s.output->address + s.out_offset;
    std::size_t k = 0;
    for (const coff::LineNumber& n : section_line_numbers(s)) {
        if (k != 0 && k % 4 == 0)
            text += "\n";
        ++k;
        std::uint32_t shown = n.starts_function() ? base : base + n.address_or_symbol - s.virtual_address;
        text += format("0x%08x:%4d ", shown, n.line);
    }
}

/* Copies one file's placed sections into their output sections and
   relocates them. */
bool LinkInputFile(Linker& l, InputFile& f)
{
    for (auto& sp : f.sections) {
        InputSection& s = *sp;
        if (!s.output || !(s.flags & kHasContents) || s.size == 0)
            continue;
        auto contents = section_contents(s);
        if (contents.size() != s.size) {
            err(l, "Impossible to read section %s from file %s\n", s.name.c_str(), f.name.c_str());
            return false;
        }
        // Layout gave every contribution room in its output section.
        if (s.output->data.size() - s.out_offset < contents.size() || s.out_offset > s.output->data.size())
            internal_error(l, InternalCheck::ContributionRoom);
        std::copy(contents.begin(), contents.end(), s.output->data.begin() + s.out_offset);
    }
    for (auto& sp : f.sections) {
        InputSection& s = *sp;
        if (!s.output)
            continue;
        note_line_numbers(l, f, s);
        if (!RelocateSection(l, f, s))
            return false;
    }
    collect_codeview(l, f);
    return true;
}

/* A DLL's startup object keeps the address of the DLL initialisation
   function in the first word of its ".data". */
void set_dll_init_pointer(Linker& l)
{
    if (!l.settings.dll || !l.dll_init || l.linked_files.empty())
        return;
    for (InputFile* f : l.linked_files) {
        if (f->from_archive() || f->name.find("libcrt0") == std::string::npos)
            continue;
        for (auto& s : f->sections) {
            if (s->name != ".data" || !s->output || s->size < 4)
                continue;
            LinkSymbol* e = l.dll_init;
            std::uint32_t address = e->section->pseudo ? e->value
                                                       : e->section->output->address + e->section->out_offset + e->value;
            put_u32_at(s->output->data, s->out_offset, address);
            l.base_relocs.push_back(s->output->address + s->out_offset);
            return;
        }
    }
}

/* ".reloc" and ".edata" go after the last section, each on its own page. */
void place_appended_sections(Linker& l)
{
    std::uint32_t end = l.settings.image_base + kPage;
    int index = 0;
    for (auto& s : l.sections) {
        if (!s->in_image)
            continue;
        if (s->address == 0) {
            s->address = end;
            s->index = s->virtual_size ? index + 1 : 0;
        }
        if (s->virtual_size) {
            index = s->index;
            end = align_up(s->address + s->virtual_size, kPage);
        }
    }
}

struct ImageSymbols {
    ByteWriter symbols;
    std::uint32_t count = 0;
    ByteWriter strings;
    std::unordered_map<std::string, std::uint32_t> string_offsets;
    std::vector<std::uint32_t> file_entries;  // symbol indices of ".file" entries
    ByteWriter lines;
    std::uint32_t line_count = 0;
};

std::uint32_t string_offset(ImageSymbols& img, std::string_view name)
{
    auto it = img.string_offsets.find(std::string(name));
    if (it != img.string_offsets.end())
        return it->second;
    std::uint32_t offset = static_cast<std::uint32_t>(4 + img.strings.size());
    img.strings.c_string(name);
    img.string_offsets.emplace(std::string(name), offset);
    return offset;
}

bool keep_symbol(const InputFile& f, const CoffSymbol& s)
{
    if (is_external(s) && s.section == coff::section_number::kUndefined && s.value == 0)
        return false;
    if (s.name.starts_with("_$") || s.name.compare(0, 4, "__im") == 0)
        return false;
    if (f.from_archive() && s.name.starts_with("."))
        return false;
    if (s.section > 0) {
        if (static_cast<std::size_t>(s.section) > f.section_count)
            return false;
        const InputSection& in = *f.sections[static_cast<std::size_t>(s.section) - 1];
        return in.output && in.output->in_image && in.output->index > 0;
    }
    return true;
}

/* One object's symbols, with their auxiliary entries, as image symbols:
   section numbers become output indices and values RVAs. */
void copy_symbols(Linker& l, ImageSymbols& img, InputFile& f, std::vector<std::uint32_t>& new_index)
{
    new_index.assign(f.symbols.size(), 0);
    for (std::size_t i = 0; i < f.symbols.size(); ++i) {
        const CoffSymbol& s = f.symbols[i];
        if (s.is_aux)
            continue;
        if (!keep_symbol(f, s)) {
            i += s.aux_count;
            continue;
        }
        std::int16_t section = s.section;
        std::uint32_t value = s.value;
        if (s.section > 0) {
            const InputSection& in = *f.sections[static_cast<std::size_t>(s.section) - 1];
            section = static_cast<std::int16_t>(in.output->index);
            value = in.output->address + in.out_offset + s.value - in.virtual_address - l.settings.image_base;
        } else if (s.section == 0 && f.symbol_entries[i] && f.symbol_entries[i]->section &&
                   f.symbol_entries[i]->section->output) {
            const LinkSymbol& e = *f.symbol_entries[i];
            section = static_cast<std::int16_t>(e.section->output->index);
            value = e.section->output->address + e.section->out_offset + e.value - l.settings.image_base;
        }
        new_index[i] = img.count;
        if (s.storage_class == coff::storage_class::kFile)
            img.file_entries.push_back(img.count);
        if (s.name.size() > kInlineNameSize) {
            img.symbols.u32(0);
            img.symbols.u32(string_offset(img, s.name));
        } else {
            img.symbols.fixed_string(s.name, kInlineNameSize);
        }
        img.symbols.u32(value);
        img.symbols.u16(static_cast<std::uint16_t>(section));
        img.symbols.u16(s.type);
        img.symbols.u8(s.storage_class);
        img.symbols.u8(s.aux_count);
        ++img.count;
        for (std::size_t k = 1; k <= s.aux_count; ++k) {
            img.symbols.bytes(f.symbols[i + k].raw);
            ++img.count;
        }
        i += s.aux_count;
    }
}

/* The line numbers of an object's code sections placed in ".text". */
void copy_line_numbers(Linker& l, ImageSymbols& img, InputFile& f, const std::vector<std::uint32_t>& new_index)
{
    for (auto& sp : f.sections) {
        InputSection& s = *sp;
        if (!s.output || s.output->name != ".text" || s.line_count == 0)
            continue;
        for (const coff::LineNumber& n : section_line_numbers(s)) {
            std::uint32_t address = n.address_or_symbol;
            if (n.starts_function())
                address = address < new_index.size() ? new_index[address] : 0;
            else
                address = s.output->address + s.out_offset + address - s.virtual_address - l.settings.image_base;
            img.lines.u32(address);
            img.lines.u16(n.line);
            ++img.line_count;
        }
    }
}

/* The COFF debug information: a 32-byte header, the line numbers, the
   symbol table and the string table. */
void build_coff_debug_info(Linker& l)
{
    ImageSymbols img;
    for (InputFile* f : l.linked_files) {
        std::vector<std::uint32_t> new_index;
        copy_symbols(l, img, *f, new_index);
        copy_line_numbers(l, img, *f, new_index);
    }
    // Each ".file" entry's value names the next one.
    std::vector<std::uint8_t> symbols = img.symbols.release();
    for (std::size_t k = 0; k + 1 < img.file_entries.size(); ++k)
        put_u32_at(symbols, static_cast<std::size_t>(img.file_entries[k]) * coff::kSymbolSize + coff::symbol::kValue,
                   img.file_entries[k + 1]);
    OutputSection* text = find_output(l, ".text");
    OutputSection* data = find_output(l, ".data");
    std::uint32_t base = l.settings.image_base;
    ByteWriter w;
    w.u32(img.count);
    w.u32(static_cast<std::uint32_t>(kCoffDebugHeaderSize + coff::kLineNumberSize * img.line_count));
    w.u32(img.line_count);
    w.u32(kCoffDebugHeaderSize);
    w.u32(text ? text->address - base : 0);
    w.u32(text ? text->address - base + text->virtual_size : 0);
    w.u32(data ? data->address - base : 0);
    w.u32(data ? data->address - base + data->virtual_size : 0);
    w.bytes(img.lines.bytes());
    w.bytes(symbols);
    w.u32(static_cast<std::uint32_t>(4 + img.strings.size()));
    w.bytes(img.strings.bytes());
    l.coff_debug = w.release();
    l.coff_symbol_count = img.count;
    l.coff_line_count = img.line_count;
    l.coff_strings_size = static_cast<std::uint32_t>(4 + img.strings.size());
}

/* Only a ".rdata" that starts with the startup object's reserved room
   receives the debug directory; any other ".rdata" holds program data. */
bool debug_directory_room(Linker& l)
{
    OutputSection* rdata = find_output(l, ".rdata");
    if (!rdata || rdata->contributions.empty())
        return false;
    const InputSection* first = rdata->contributions.front().section;
    return first->file && !first->file->from_archive() && is_startup_name(first->file->name) && first->size >= 84 &&
           rdata->virtual_size >= 84;
}

}  // namespace

/* File positions: after the headers, each section with contents at a
   512-byte boundary, its raw size rounded up to 512. */
void SetSectionPositions(Linker& l)
{
    std::uint32_t headers = 0;
    for (auto& s : l.sections)
        if (s->in_image && s->virtual_size)
            ++headers;
    std::uint32_t pos = static_cast<std::uint32_t>(kImageHeadersSize + coff::kSectionHeaderSize * headers);
    for (auto& s : l.sections) {
        if (!s->in_image || !s->virtual_size)
            continue;
        if (!(s->flags & kHasContents)) {
            s->file_pos = 0;
            s->raw_size = 0;
            continue;
        }
        std::uint32_t aligned = align_up(pos, kFileAlign);
        if (aligned - pos > kFileAlign)
            err(l, "Hole in executable of %d > page size (512)?\n", static_cast<int>(aligned - pos));
        s->file_pos = aligned;
        s->raw_size = align_up(s->virtual_size, kFileAlign);
        pos = s->file_pos + s->raw_size;
    }
    l.end_of_sections = pos;
}

namespace {

/* Every placed section with contents must have them in its file before
   room is made for them: sizes a damaged header declares take no memory. */
bool contents_readable(Linker& l)
{
    for (auto& out : l.sections) {
        for (const Contribution& c : out->contributions) {
            const InputSection& s = *c.section;
            if (c.is_synthetic || !s.file || !(s.flags & kHasContents) || s.size == 0)
                continue;
            if (section_contents(s).size() != s.size) {
                err(l, "Impossible to read section %s from file %s\n", s.name.c_str(), s.file->name.c_str());
                return false;
            }
        }
    }
    return true;
}

}  // namespace

/* Every placed contribution copied into its output section and relocated. */
bool copy_and_relocate(Linker& l)
{
    if (!contents_readable(l))
        return false;
    for (auto& s : l.sections) {
        // Uninitialised sections take no memory, however large.
        if (!(s->flags & kHasContents))
            continue;
        s->data.assign(s->virtual_size, 0);
        for (Contribution& c : s->contributions)
            if (c.is_synthetic)
                std::copy(c.synthetic.begin(), c.synthetic.end(), s->data.begin() + c.section->out_offset);
    }
    find_debug_sections(l);
    for (InputFile* f : l.linked_files)
        if (!LinkInputFile(l, *f))
            return false;
    set_dll_init_pointer(l);
    return true;
}

/* ".reloc" and ".edata", built from what the copying recorded, placed after
   the last section; the image must still fit below 4 GB. */
bool append_sections(Linker& l)
{
    if (l.settings.base_relocations)
        BuildRelocSection(l);
    // A program's module-definition file may name it without exporting
    // anything; only a DLL needs exports.
    if (l.settings.dll || (l.settings.exports_present && !l.exports.empty()))
        if (!BuildEdataSection(l))
            return false;
    place_appended_sections(l);
    if (!check_image_end(l))
        return false;
    relocate_edata(l);
    return true;
}

/* The image's COFF symbols and line numbers, and whether ".rdata" has room
   for the debug directory; nothing when the image is stripped. */
void build_debug_information(Linker& l)
{
    if (!l.settings.stripped())
        build_coff_debug_info(l);
    l.debug_directory = !l.settings.stripped() && debug_directory_room(l);
}

/* Copies and relocates everything, builds ".reloc" and ".edata", places
   them and the COFF debug information, and fills in the debug directory. */
bool FinalLink(Linker& l)
{
    if (!copy_and_relocate(l) || !append_sections(l))
        return false;
    build_debug_information(l);
    SetSectionPositions(l);
    return true;
}

}  // namespace vyn::lnk
