// The CodeView NB09 block: subsection directory, modules, line tables,
// symbols (with each procedure's locals) and the global types.
#include "common/coff_format.h"
#include "ide/debugger/image_reader.h"

#include <algorithm>

namespace vyn::dbg {

namespace pe = vyn::coff;
namespace cv = vyn::coff::codeview;
namespace sym = vyn::coff::codeview::cv4_symbol;
namespace sub = vyn::coff::codeview::nb09_subsection;

namespace {
constexpr std::size_t kCodeViewHeaderSize = 8;       // signature, directory offset
constexpr std::size_t kDirectoryEntrySize = 12;      // type, module, offset, size
constexpr std::size_t kModuleHeaderSize = 8;         // overlay, library, segment count, style
constexpr std::size_t kSegmentDescriptorSize = 12;   // segment, pad, offset, size
constexpr std::size_t kGlobalHeaderSize = 16;        // hash functions and the three sizes
constexpr std::uint16_t kLongestSkippedRecord = 500; // longer unknown records end a walk

struct Record {
    std::size_t offset;  // from the subsection's start
    std::uint16_t kind;
    std::span<const std::uint8_t> body;
};

bool opens_scope(std::uint16_t kind)
{
    return kind == sym::kLocalProcedure || kind == sym::kGlobalProcedure || kind == sym::kBlock ||
           kind == sym::kThunk || kind == cv::kWith;
}

// Kinds that are skipped whatever their length.
bool always_skipped(std::uint16_t kind)
{
    switch (kind) {
    case sym::kCompile: case sym::kUdt: case sym::kStartSearch: case sym::kEnd: case sym::kObjName:
    case sym::kThunk: case sym::kBlock: case sym::kLabel: case sym::kProcedureReference:
    case sym::kDataReference: case sym::kAlign:
        return true;
    default:
        return false;
    }
}

bool handled(std::uint16_t kind)
{
    return kind == sym::kConstant || kind == sym::kLocalData || kind == sym::kGlobalData || kind == sym::kPublic ||
           kind == sym::kLocalProcedure || kind == sym::kGlobalProcedure;
}
}  // namespace

std::string pascal_string(ByteReader& r)
{
    return r.length_prefixed_string();
}

/* The header, then the directory; each subsection must lie inside the
   block. The first pass counts modules, the second reads by type. */
bool ImageReader::read_codeview(std::uint32_t position, std::uint32_t size)
{
    if (std::uint64_t{position} + size > file_.size() || size < kCodeViewHeaderSize) {
        damage("the CodeView block lies outside the file");
        return false;
    }
    ByteReader block(file_.subspan(position, size));
    block.skip(4);  // the signature is not compared
    std::uint32_t dir = block.u32();
    block.seek(dir);
    std::uint16_t header_size = block.u16(), entry_size = block.u16();
    std::uint32_t count = block.u32();
    if (!block.ok() || header_size < 8 || entry_size < kDirectoryEntrySize ||
        std::uint64_t{dir} + header_size + std::uint64_t{count} * entry_size > size) {
        damage("the subsection directory does not fit the CodeView block");
        return false;
    }
    struct Entry {
        std::uint16_t type, module;
        std::uint32_t offset, size;
    };
    std::vector<Entry> entries;
    int highest = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        block.seek(std::size_t{dir} + header_size + std::size_t{i} * entry_size);
        Entry e{block.u16(), block.u16(), block.u32(), block.u32()};
        if (std::uint64_t{e.offset} + e.size > size) {
            damage("a subsection lies outside the CodeView block");
            continue;
        }
        entries.push_back(e);
        if (e.type == sub::kSourceModule)
            highest = std::max<int>(highest, static_cast<std::int16_t>(e.module));
    }
    // The module table grows to hold this image's modules after the others.
    d_.modules.resize(static_cast<std::size_t>(d_.module_base_ + highest + 1));
    for (const Entry& e : entries) {
        ByteReader s = block.sub(e.offset, e.size);
        int module = static_cast<std::int16_t>(e.module);  // module numbers are signed 16-bit
        int index = d_.module_base_ + module;
        switch (e.type) {
        case sub::kModule:
            if (module >= 1 && module <= highest)
                read_module(s, index);
            break;
        case sub::kAlignedSymbols: {
            d_.current_module_ = index;
            if (s.u32() == cv::kSignatureCv4)
                walk_symbols(s, 4, e.size);
            break;
        }
        case sub::kSourceModule:
            if (module < 1 || module > highest)
                tell_("Incorrect module index " + std::to_string(module));
            else
                read_source_module(s, index);
            break;
        case sub::kGlobalSymbols:
        case sub::kStaticSymbols: {
            s.skip(4);
            std::uint32_t bytes = s.u32();
            if (!s.ok() || std::uint64_t{bytes} + kGlobalHeaderSize > e.size) {
                damage("a global symbol table runs past its subsection");
                break;
            }
            walk_symbols(s, kGlobalHeaderSize, kGlobalHeaderSize + bytes);
            break;
        }
        case sub::kGlobalTypes:
            read_types(s);
            break;
        default:
            break;
        }
    }
    return !damaged_;
}

void ImageReader::read_module(ByteReader s, int index)
{
    ModuleEntry& m = d_.modules[static_cast<std::size_t>(index)];
    s.skip(4);
    std::uint16_t segments = s.u16();
    s.skip(2);
    std::uint32_t offset = 0, length = 0;
    if (segments > 0) {
        s.skip(4);
        offset = s.u32();
        length = s.u32();
    }
    s.seek(kModuleHeaderSize + std::size_t{segments} * kSegmentDescriptorSize);
    std::string name = pascal_string(s);
    if (!s.ok()) {
        damage("a module subsection is cut short");
        return;
    }
    m.name = name;
    m.index = index;
    m.code_start = d_.image_base + d_.base_of_code + offset;
    m.code_size = length;
    m.code_end = m.code_start + length;
    m.present = true;
}

/* The first file's first segment only: its line block and the file name. */
void ImageReader::read_source_module(ByteReader s, int index)
{
    ModuleEntry& m = d_.modules[static_cast<std::size_t>(index)];
    m.index = index;
    std::uint16_t files = s.u16();
    s.u16();
    std::uint32_t file_entry = s.u32();
    if (!s.ok() || files == 0)
        return;
    s.seek(file_entry);
    std::uint16_t segments = s.u16();
    s.skip(2);
    std::uint32_t block = s.u32();
    s.seek(std::size_t{file_entry} + 4 + std::size_t{segments} * 12);
    std::string source = pascal_string(s);
    if (!s.ok() || segments == 0) {
        damage("a source-module subsection is cut short");
        return;
    }
    m.source_file = source;
    m.line_table_offset = block;
    s.seek(block);
    s.u16();
    std::uint16_t pairs = s.u16();
    std::size_t at = s.position();
    if (!s.ok() || s.remaining() < std::size_t{pairs} * 6) {
        damage("a line table runs past its subsection");
        return;
    }
    m.line_addresses.resize(pairs);
    m.line_numbers.resize(pairs);
    for (std::uint16_t i = 0; i < pairs; ++i)
        m.line_addresses[i] = s.u32() + d_.image_base + d_.base_of_code;
    s.seek(at + std::size_t{pairs} * 4);
    for (std::uint16_t i = 0; i < pairs; ++i)
        m.line_numbers[i] = s.u16();
}

void ImageReader::read_types(ByteReader s)
{
    s.skip(4);
    std::uint32_t count = s.u32();
    if (!s.ok() || std::uint64_t{count} * 4 > s.remaining()) {
        damage("the type offsets run past their subsection");
        return;
    }
    d_.types.offsets.resize(count);
    for (std::uint32_t i = 0; i < count; ++i)
        d_.types.offsets[i] = s.u32();
    d_.types.records = s.bytes().subspan(s.position());
}

namespace {

/* The records of [start, end) of a subsection, up to the first one that
   does not fit or that is implausible. */
std::vector<Record> split_records(const ByteReader& s, std::size_t start, std::size_t end)
{
    std::vector<Record> out;
    std::span<const std::uint8_t> bytes = s.bytes().first(std::min(end, s.size()));
    std::size_t pos = start;
    int depth = 0;
    while (pos + 4 <= bytes.size()) {
        std::uint16_t length = 0, kind = 0;
        read_u16_at(bytes, pos, length);
        read_u16_at(bytes, pos + 2, kind);
        if (length < 2 || pos + 2 + length > bytes.size())
            break;
        // A frame-relative record is passed over at any length, inside a
        // procedure or not; a register record only inside one.
        bool inside = depth > 0;
        bool known = handled(kind) || always_skipped(kind) || kind == sym::kFrameRelative ||
                     (inside && kind == sym::kRegister);
        if (!known && length > kLongestSkippedRecord)
            break;
        out.push_back({pos, kind, bytes.subspan(pos + 4, length - 2u)});
        if (opens_scope(kind))
            ++depth;
        else if (kind == sym::kEnd && depth > 0)
            --depth;
        pos += 2u + length;
    }
    return out;
}

}  // namespace

/* Walks the records of one subsection. A procedure's locals are every
   register and frame-relative record inside its scope, nested blocks
   included: the scope is closed by its matching end record (procedures,
   blocks, thunks and "with" scopes open one each), not by the first
   record that is not a local, so a static or a block inside the procedure
   does not end it. Without an end record the scope closes at the next
   procedure at its own level or at the end of the records. */
void ImageReader::walk_symbols(ByteReader s, std::size_t start, std::size_t end)
{
    // Symbols of a module outside the table land in entry 0, which holds no module.
    bool in_table = d_.current_module_ > 0 && static_cast<std::size_t>(d_.current_module_) < d_.modules.size();
    if (d_.modules.empty())
        d_.modules.resize(1);
    ModuleEntry& m = d_.modules[in_table ? static_cast<std::size_t>(d_.current_module_) : 0];
    std::vector<Record> records = split_records(s, start, end);
    for (std::size_t i = 0; i < records.size(); ++i) {
        const Record& r = records[i];
        ByteReader b(r.body);
        switch (r.kind) {
        case sym::kConstant: {
            std::uint16_t type = b.u16();
            (void)type;
            if (b.u16() != cv::numeric_leaf::kVarString)
                break;
            std::uint16_t length = b.u16();
            std::span<const std::uint8_t> text = b.take(length);
            std::string name = pascal_string(b);
            if (!b.ok())
                break;
            SymbolEntry e;
            e.name = name;
            e.kind = sym::kConstant;
            e.type = 3;
            e.text.assign(text.begin(), text.end());
            m.constants.insert(std::move(e));
            break;
        }
        case sym::kLocalData:
        case sym::kGlobalData:
        case sym::kPublic: {
            std::uint32_t offset = b.u32();
            std::uint16_t section = b.u16(), type = b.u16();
            std::string name = pascal_string(b);
            if (!b.ok() || section == 0 || section > d_.sections.size())
                break;
            SymbolEntry e;
            e.name = name;
            e.kind = r.kind;
            e.type = type;
            e.value = d_.sections[section - 1u].virtual_address + offset + d_.image_base;
            (r.kind == sym::kLocalData ? m.statics : d_.globals).insert(std::move(e));
            break;
        }
        case sym::kLocalProcedure:
        case sym::kGlobalProcedure: {
            b.skip(12);  // parent, end, next: the scope is found by nesting
            std::uint32_t length = b.u32(), debug_start = b.u32(), debug_end = b.u32(), offset = b.u32();
            b.skip(2);
            std::uint16_t type = b.u16();
            (void)type;
            b.u8();
            std::string name = pascal_string(b);
            if (!b.ok())
                break;
            FunctionRecord f;
            f.name = name;
            f.kind = r.kind;
            f.start = d_.image_base + d_.base_of_code + offset;
            f.body_start = f.start + debug_start;
            f.body_end = f.start + debug_end;
            f.end = f.start + length;
            int depth = 1;
            for (std::size_t k = i + 1; k < records.size() && depth > 0; ++k) {
                const Record& l = records[k];
                if (depth == 1 && (l.kind == sym::kLocalProcedure || l.kind == sym::kGlobalProcedure))
                    break;
                if (opens_scope(l.kind))
                    ++depth;
                else if (l.kind == sym::kEnd)
                    --depth;
                else if (l.kind == sym::kRegister || l.kind == sym::kFrameRelative) {
                    ByteReader lb(l.body);
                    LocalVariable v;
                    if (l.kind == sym::kRegister) {
                        v.type = lb.u16();
                        v.location = lb.u16();
                        v.flags = kRegisterLocal;
                    } else {
                        v.location = lb.i32();
                        v.type = lb.u16();
                    }
                    v.name = pascal_string(lb);
                    if (lb.ok())
                        f.locals.push_back(std::move(v));
                }
            }
            m.functions.push_back(std::move(f));
            const FunctionRecord& kept = m.functions.back();
            SymbolEntry e;
            e.name = kept.name;
            e.kind = r.kind;
            e.type = r.kind;
            e.value = kept.start;
            e.function = &kept;
            d_.globals.insert(std::move(e));
            break;
        }
        default:
            break;
        }
    }
}

}  // namespace vyn::dbg
