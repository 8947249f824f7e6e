// The CodeView block: the "NB09" header, the per-module subsections, the
// global ones, the subsection directory and the trailer that lets a reader
// find the block from the end of the file. Offsets are from the block's
// first byte; every subsection starts on a 4-byte boundary.
#include "linker/linker.h"

#include "common/byte_writer.h"
#include "linker/codeview_records.h"

namespace vyn::lnk {

namespace {

constexpr std::uint16_t kModule = 0x120, kAlignedSymbols = 0x125, kSourceModule = 0x127, kGlobalSymbols = 0x129,
                        kGlobalPublics = 0x12A, kGlobalTypes = 0x12B, kSegmentMap = 0x12D, kFileIndex = 0x133;
constexpr std::uint16_t kGlobal = 0xFFFF;  // module number of global subsections

struct DirectoryEntry {
    std::uint16_t type = 0;
    std::uint16_t module = 0;
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
};

class BlockWriter {
public:
    BlockWriter()
    {
        block_.text("NB09");
        block_.u32(0);  // directory offset, known at the end
    }

    DirectoryEntry add(std::uint16_t type, std::uint16_t module, const std::vector<std::uint8_t>& bytes)
    {
        block_.align(4);
        DirectoryEntry e{type, module, static_cast<std::uint32_t>(block_.size()),
                         static_cast<std::uint32_t>(bytes.size())};
        block_.bytes(bytes);
        return e;
    }

    std::vector<std::uint8_t> finish(const std::vector<DirectoryEntry>& directory)
    {
        block_.align(4);
        block_.patch_u32(4, static_cast<std::uint32_t>(block_.size()));
        block_.u16(16);
        block_.u16(12);
        block_.u32(static_cast<std::uint32_t>(directory.size()));
        block_.u32(0);
        block_.u32(0);
        for (const DirectoryEntry& e : directory) {
            block_.u16(e.type);
            block_.u16(e.module);
            block_.u32(e.offset);
            block_.u32(e.size);
        }
        block_.text("NB09");
        block_.u32(static_cast<std::uint32_t>(block_.size() + 4));
        return block_.release();
    }

private:
    ByteWriter block_;
};

/* Overlay, library, one segment, style "CV"; the segment's code range;
   the object name. */
std::vector<std::uint8_t> module_subsection(const CvModule& m)
{
    ByteWriter w;
    w.u16(0);
    w.u16(0);
    w.u16(1);
    w.text("CV");
    w.u16(1);
    w.u16(0);
    w.u32(m.text_offset);
    w.u32(m.text_size);
    cv::put_name(w, m.object_name);
    w.align(4);
    return w.release();
}

/* One file and one segment: the header (file entry at 20), the file
   entry with its name, then the line block, padded to 4 bytes. */
std::vector<std::uint8_t> source_module_subsection(const CvModule& m)
{
    constexpr std::uint32_t kFileEntry = 20;
    std::uint32_t start = m.text_offset, end = m.text_offset + m.text_size;
    ByteWriter w;
    w.u16(1);
    w.u16(1);
    w.u32(kFileEntry);
    w.u32(start);
    w.u32(end);
    w.u16(1);
    w.u16(0);

    ByteWriter name;
    cv::put_name(name, m.source_name);
    name.align(4);
    w.u16(1);
    w.u16(0);
    w.u32(static_cast<std::uint32_t>(kFileEntry + 16 + name.size()));
    w.u32(start);
    w.u32(end);
    w.bytes(name.bytes());

    std::size_t n = m.line_offsets.size();
    w.u16(1);
    w.u16(static_cast<std::uint16_t>(n));
    for (std::uint32_t offset : m.line_offsets)
        w.u32(offset);
    for (std::uint16_t line : m.line_numbers)
        w.u16(line);
    if (n % 2)
        w.u16(0);
    return w.release();
}

/* Flags, count, one offset per record (from the first record), the
   records, padding to 4. */
std::vector<std::uint8_t> global_types_subsection(Linker& l)
{
    const auto& types = l.codeview.types;
    std::size_t records_size = 0;
    for (const CvGlobalType& t : types)
        records_size += t.record.size();
    std::size_t expected = 8 + 4 * types.size() + records_size;

    ByteWriter w;
    w.u32(0);
    w.u32(static_cast<std::uint32_t>(types.size()));
    std::uint32_t offset = 0;
    for (const CvGlobalType& t : types) {
        w.u32(offset);
        offset += static_cast<std::uint32_t>(t.record.size());
    }
    for (const CvGlobalType& t : types)
        w.bytes(t.record);
    if (w.size() != expected)
        err(l, "Bad size calculation! (missing %d bytes)\n", static_cast<int>(expected) - static_cast<int>(w.size()));
    w.align(4);
    return w.release();
}

/* One 20-byte descriptor per image section in order, then one for
   absolute addresses. */
std::vector<std::uint8_t> segment_map_subsection(const Linker& l)
{
    std::vector<const OutputSection*> sections;
    for (auto& s : l.sections)
        if (s->in_image && s->virtual_size != 0 && s->index > 0)
            sections.push_back(s.get());
    ByteWriter w;
    w.u16(static_cast<std::uint16_t>(sections.size() + 1));
    w.u16(static_cast<std::uint16_t>(sections.size() + 1));
    auto descriptor = [&w](std::uint16_t flags, std::uint16_t frame, std::uint32_t size) {
        w.u16(flags);
        w.u16(0);  // overlay
        w.u16(0);  // group
        w.u16(frame);
        w.u16(0xFFFF);  // segment name
        w.u16(0xFFFF);  // class name
        w.u32(0);
        w.u32(size);
    };
    for (const OutputSection* s : sections) {
        std::uint16_t flags = 0x109;
        if (s->name == ".text")
            flags += 4;
        if (s->name == ".data" || s->name == ".bss")
            flags += 2;
        // ".bss" takes no file space; its segment is as long as its memory.
        descriptor(flags, static_cast<std::uint16_t>(s->index), s->raw_size ? s->raw_size : s->virtual_size);
    }
    descriptor(0x208, 0, 0xFFFFFFFFu);
    return w.release();
}

/* Module and reference counts, each module's first reference and its
   reference count (one source file each), the name offsets, the names. */
std::vector<std::uint8_t> file_index_subsection(const Linker& l)
{
    const auto& modules = l.codeview.modules;
    std::uint16_t count = static_cast<std::uint16_t>(modules.size());
    ByteWriter w;
    w.u16(count);
    w.u16(count);
    for (std::uint16_t i = 0; i < count; ++i)
        w.u16(i);
    for (std::uint16_t i = 0; i < count; ++i)
        w.u16(1);
    ByteWriter names;
    for (const CvModule& m : modules) {
        w.u32(static_cast<std::uint32_t>(names.size()));
        cv::put_name(names, m.source_name);
    }
    w.bytes(names.bytes());
    w.align(4);
    return w.release();
}

}  // namespace

/* The whole block, subsections in file order and the directory in its
   own order: modules, publics, each module's symbols and source, types,
   global symbols, segment map, file index. */
std::vector<std::uint8_t> WriteCVInfo(Linker& l)
{
    const auto& modules = l.codeview.modules;
    BlockWriter block;
    std::vector<DirectoryEntry> module_entries, symbol_entries, source_entries;
    std::uint16_t number = 0;
    for (const CvModule& m : modules)
        module_entries.push_back(block.add(kModule, ++number, module_subsection(m)));
    number = 0;
    for (const CvModule& m : modules)
        source_entries.push_back(block.add(kSourceModule, ++number, source_module_subsection(m)));
    number = 0;
    for (const CvModule& m : modules)
        symbol_entries.push_back(block.add(kAlignedSymbols, ++number, m.symbols));
    std::optional<DirectoryEntry> publics, globals;
    if (auto g = build_global_subsections(l)) {
        publics = block.add(kGlobalPublics, kGlobal, g->publics);
        globals = block.add(kGlobalSymbols, kGlobal, g->symbols);
    }
    DirectoryEntry types = block.add(kGlobalTypes, kGlobal, global_types_subsection(l));
    DirectoryEntry segments = block.add(kSegmentMap, kGlobal, segment_map_subsection(l));
    DirectoryEntry files = block.add(kFileIndex, kGlobal, file_index_subsection(l));

    std::vector<DirectoryEntry> directory = module_entries;
    if (publics)
        directory.push_back(*publics);
    for (std::size_t i = 0; i < modules.size(); ++i) {
        directory.push_back(symbol_entries[i]);
        directory.push_back(source_entries[i]);
    }
    directory.push_back(types);
    if (globals)
        directory.push_back(*globals);
    directory.push_back(segments);
    directory.push_back(files);
    return block.finish(directory);
}

}  // namespace vyn::lnk
