#include "linker/tests/nb09_reader.h"

#include "common/byte_reader.h"
#include "common/strings.h"

#include <algorithm>

namespace vyn::lnk::test::nb09 {

namespace {

using Bytes = std::span<const std::uint8_t>;

/* Collects problems, each prefixed with the part of the block being read. */
class Problems {
public:
    Problems(std::vector<std::string>& out, std::string context) : out_(out), context_(std::move(context)) {}
    void add(const std::string& what) { out_.push_back(context_ + ": " + what); }
    // Records the reader's failure, if any; true when it is still good.
    bool check(const ByteReader& r, const char* what)
    {
        if (!r.ok())
            add(std::string(what) + ": " + r.error());
        return r.ok();
    }
    Problems within(const std::string& part) const { return Problems(out_, context_ + ", " + part); }

private:
    std::vector<std::string>& out_;
    std::string context_;
};

/* Marks which bytes of a region the layout accounts for. Overlaps are
   problems; what nobody claimed must be zero padding of fewer than 4 bytes
   (each structure is padded to a multiple of 4 at most). */
class Coverage {
public:
    explicit Coverage(std::size_t size) : owner_(size, 0) {}

    void claim(std::size_t offset, std::size_t length, Problems& p, const std::string& what)
    {
        for (std::size_t i = offset; i < offset + length && i < owner_.size(); ++i) {
            if (owner_[i]) {
                p.add(format("%s at 0x%zx overlaps another structure", what.c_str(), i));
                return;
            }
        }
        for (std::size_t i = offset; i < offset + length && i < owner_.size(); ++i)
            owner_[i] = 1;
    }

    void check_gaps(Bytes bytes, Problems& p) const
    {
        std::size_t i = 0;
        while (i < owner_.size()) {
            if (owner_[i]) {
                ++i;
                continue;
            }
            std::size_t start = i;
            bool zero = true;
            for (; i < owner_.size() && !owner_[i]; ++i)
                zero = zero && bytes[i] == 0;
            if (!zero || i - start >= 4)
                p.add(format("%zu unexplained bytes at 0x%zx", i - start, start));
        }
    }

private:
    std::vector<std::uint8_t> owner_;
};

/* The rest of a sequentially read structure must be zero padding that
   brings its size to a multiple of 4. */
void expect_padding(ByteReader& r, Problems& p)
{
    std::size_t rest = r.remaining();
    auto tail = r.take(rest);
    bool zero = std::all_of(tail.begin(), tail.end(), [](std::uint8_t b) { return b == 0; });
    if (!zero || rest >= 4)
        p.add(format("%zu unexplained bytes at the end", rest));
    else if (r.size() % 4 != 0)
        p.add(format("size %zu is not a multiple of 4", r.size()));
}

std::string signature_at(Bytes bytes, std::size_t offset)
{
    ByteReader r(bytes);
    r.seek(offset);
    return r.fixed_string(4);
}

// ---- PE headers and the two ways to the block ------------------------------

struct Headers {
    std::uint32_t debug_rva = 0, debug_size = 0;
    std::vector<Section> sections;
};

std::optional<Headers> read_headers(Bytes image, Problems p)
{
    ByteReader r(image);
    if (r.u16() != 0x5A4D)
        return p.add("no MZ header"), std::nullopt;
    r.seek(60);
    std::uint32_t pe = r.u32();
    r.seek(pe);
    if (r.fixed_string(4) != "PE" || !p.check(r, "PE signature"))
        return p.add("no PE signature"), std::nullopt;
    r.skip(2);
    std::uint16_t section_count = r.u16();
    r.skip(12);
    std::uint16_t optional_size = r.u16();
    r.skip(2);
    std::size_t optional_start = r.position();
    if (r.u16() != 0x10B)
        p.add("optional header is not PE32");
    r.seek(optional_start + 92);
    std::uint32_t directory_count = r.u32();
    Headers h;
    if (directory_count > 6) {
        r.seek(optional_start + 96 + 6 * 8);
        h.debug_rva = r.u32();
        h.debug_size = r.u32();
    }
    r.seek(optional_start + optional_size);
    for (std::uint16_t i = 0; i < section_count; ++i) {
        Section s;
        s.name = r.fixed_string(8);
        s.virtual_size = r.u32();
        s.rva = r.u32();
        s.raw_size = r.u32();
        s.file_position = r.u32();
        r.skip(16);
        h.sections.push_back(s);
    }
    if (!p.check(r, "headers"))
        return std::nullopt;
    return h;
}

/* The three 28-byte slots at the start of the debug directory. They are read
   even when the directory's size counts fewer, so that a size that hides the
   CodeView entry shows up as a wrong size rather than a missing block. */
void read_debug_entries(Bytes image, const Headers& h, CodeView& cv, Problems p)
{
    if (h.debug_rva == 0)
        return;
    for (const Section& s : h.sections) {
        if (h.debug_rva < s.rva || h.debug_rva - s.rva >= s.raw_size)
            continue;
        // The debugger looks for the directory in ".rdata" by name.
        if (s.name != ".rdata")
            p.add("debug directory lies in " + s.name + ", not in .rdata");
        std::uint32_t at = s.file_position + (h.debug_rva - s.rva);
        if (h.debug_rva - s.rva + 84 > s.raw_size)
            return p.add("debug directory runs past its section's raw data");
        ByteReader r(image);
        r.seek(at);
        for (int i = 0; i < 3; ++i) {
            DebugEntry e;
            e.characteristics = r.u32();
            e.time = r.u32();
            e.version = r.u32();
            e.type = r.u32();
            e.size = r.u32();
            e.address = r.u32();
            e.position = r.u32();
            cv.debug_entries.push_back(e);
        }
        p.check(r, "debug directory");
        return;
    }
    p.add(format("debug directory RVA 0x%x lies in no section's raw data", h.debug_rva));
}

/* Finds the block through the third debug entry and through the trailer at
   the end of the file; both must agree. */
bool locate_block(Bytes image, CodeView& cv, Problems p)
{
    bool by_entry = cv.debug_entries.size() == 3 && cv.debug_entries[2].type == 2;
    std::uint32_t trailer_size = 0;
    bool by_trailer = image.size() >= 8 && signature_at(image, image.size() - 8) == "NB09" &&
                      read_u32_at(image, image.size() - 4, trailer_size);
    cv.found = by_entry || by_trailer;
    if (!cv.found)
        return false;
    if (!by_trailer)
        return p.add("the debug directory names a CodeView entry but the file does not end in an NB09 trailer"),
               false;
    if (trailer_size < 16 || trailer_size > image.size())
        return p.add(format("trailer size %u does not fit the file", trailer_size)), false;
    cv.size = trailer_size;
    cv.position = static_cast<std::uint32_t>(image.size() - trailer_size);
    if (!by_entry) {
        p.add("the file ends in an NB09 trailer but the third debug entry is not of type 2");
    } else {
        const DebugEntry& e = cv.debug_entries[2];
        if (e.position != cv.position || e.size != cv.size)
            p.add(format("debug entry says 0x%x bytes at 0x%x, trailer says 0x%x bytes at 0x%x", e.size, e.position,
                         cv.size, cv.position));
    }
    return true;
}

// ---- records ---------------------------------------------------------------

/* Walks length-prefixed records to the end of r; offsets are r's positions
   plus base. A zero tail shorter than 4 bytes is padding. */
std::vector<SymbolRecord> walk_records(ByteReader r, std::uint32_t base, Problems p, std::uint32_t* padding)
{
    std::vector<SymbolRecord> records;
    while (!r.at_end()) {
        if (r.remaining() < 4) {
            auto tail = r.take(r.remaining());
            if (std::any_of(tail.begin(), tail.end(), [](std::uint8_t b) { return b != 0; }))
                p.add("a record tail that is not zero padding");
            if (padding)
                *padding = static_cast<std::uint32_t>(tail.size());
            break;
        }
        SymbolRecord rec;
        rec.offset = static_cast<std::uint32_t>(base + r.position());
        rec.length = r.u16();
        rec.kind = r.u16();
        if (rec.length < 2 || rec.length - 2u > r.remaining()) {
            p.add(format("record at 0x%x has length %u, %zu bytes left", rec.offset, rec.length, r.remaining()));
            break;
        }
        auto body = r.take(rec.length - 2u);
        rec.body.assign(body.begin(), body.end());
        records.push_back(std::move(rec));
    }
    return records;
}

// ---- subsections -----------------------------------------------------------

void read_module(ByteReader r, std::uint16_t module, CodeView& cv, Problems p)
{
    ModuleSubsection m;
    m.overlay = r.u16();
    m.library = r.u16();
    std::uint16_t count = r.u16();
    m.style = r.fixed_string(2);
    for (std::uint16_t i = 0; i < count && r.ok(); ++i) {
        SegmentDescriptor s;
        s.segment = r.u16();
        s.pad = r.u16();
        s.offset = r.u32();
        s.size = r.u32();
        m.segments.push_back(s);
    }
    m.name = r.length_prefixed_string();
    if (p.check(r, "module"))
        expect_padding(r, p);
    cv.modules[module] = std::move(m);
}

std::optional<LineBlock> read_line_block(ByteReader& whole, std::uint32_t offset, Coverage& c, Problems& p)
{
    ByteReader r = whole;
    r.seek(offset);
    LineBlock b;
    b.segment = r.u16();
    std::uint16_t pairs = r.u16();
    for (std::uint16_t i = 0; i < pairs && r.ok(); ++i)
        b.offsets.push_back(r.u32());
    for (std::uint16_t i = 0; i < pairs && r.ok(); ++i)
        b.lines.push_back(r.u16());
    if (!p.check(r, "line block"))
        return std::nullopt;
    c.claim(offset, r.position() - offset, p, "line block");
    return b;
}

std::optional<SourceFile> read_source_file(ByteReader& whole, std::uint32_t offset, Coverage& c, Problems p)
{
    ByteReader r = whole;
    r.seek(offset);
    SourceFile f;
    std::uint16_t segments = r.u16();
    r.skip(2);
    for (std::uint16_t i = 0; i < segments && r.ok(); ++i)
        f.line_block_offsets.push_back(r.u32());
    for (std::uint16_t i = 0; i < segments && r.ok(); ++i) {
        std::uint32_t start = r.u32();
        f.ranges.emplace_back(start, r.u32());
    }
    f.name = r.length_prefixed_string();
    if (!p.check(r, "file entry"))
        return std::nullopt;
    c.claim(offset, r.position() - offset, p, "file entry");
    for (std::uint32_t block : f.line_block_offsets)
        if (auto b = read_line_block(whole, block, c, p))
            f.blocks.push_back(std::move(*b));
    return f;
}

void read_source_module(ByteReader r, std::uint16_t module, CodeView& cv, Problems p)
{
    SourceModule m;
    Coverage c(r.size());
    std::uint16_t files = r.u16();
    std::uint16_t segments = r.u16();
    for (std::uint16_t i = 0; i < files && r.ok(); ++i)
        m.file_offsets.push_back(r.u32());
    for (std::uint16_t i = 0; i < segments && r.ok(); ++i) {
        std::uint32_t start = r.u32();
        m.ranges.emplace_back(start, r.u32());
    }
    for (std::uint16_t i = 0; i < segments && r.ok(); ++i)
        m.segments.push_back(r.u16());
    if (!p.check(r, "source module header"))
        return;
    c.claim(0, r.position(), p, "source module header");
    for (std::uint32_t file : m.file_offsets)
        if (auto f = read_source_file(r, file, c, p))
            m.files.push_back(std::move(*f));
    c.check_gaps(r.bytes(), p);
    if (r.size() % 4 != 0)
        p.add(format("size %zu is not a multiple of 4", r.size()));
    cv.source_modules[module] = std::move(m);
}

void read_symbol_block(ByteReader r, std::uint16_t module, CodeView& cv, Problems p)
{
    SymbolBlock b;
    b.signature = r.u32();
    b.search_length = r.u16();
    b.search_kind = r.u16();
    b.first_procedure = r.u32();
    b.search_module = r.u16();
    b.search_pad = r.u16();
    if (!p.check(r, "symbol block prefix"))
        return;
    b.records = walk_records(r.sub(16, r.size() - 16), 16, p, &b.zero_padding);
    if (r.size() % 4 != 0)
        p.add(format("size %zu is not a multiple of 4", r.size()));
    cv.symbols[module] = std::move(b);
}

void read_name_hash(ByteReader r, GlobalTable& t, Problems p)
{
    t.bucket_count = r.u16();
    t.bucket_pad = r.u16();
    for (std::uint16_t i = 0; i < t.bucket_count && r.ok(); ++i)
        t.running_counts.push_back(r.u32());
    std::uint32_t previous = 0;
    for (std::uint32_t count : t.running_counts) {
        if (count < previous || count - previous > r.remaining() / 8) {
            p.add(format("bucket running count %u after %u does not fit", count, previous));
            return;
        }
        std::vector<HashEntry> bucket;
        for (std::uint32_t k = previous; k < count; ++k) {
            HashEntry e;
            e.offset = r.u32();
            e.hash = r.u32();
            bucket.push_back(e);
        }
        t.buckets.push_back(std::move(bucket));
        previous = count;
    }
    if (p.check(r, "name hash") && !r.at_end())
        p.add(format("%zu bytes left behind the name hash entries", r.remaining()));
}

void read_global_table(ByteReader r, std::optional<GlobalTable>& out, Problems p)
{
    GlobalTable t;
    t.name_hash_function = r.u16();
    t.address_hash_function = r.u16();
    t.symbol_size = r.u32();
    t.name_hash_size = r.u32();
    t.address_hash_size = r.u32();
    if (!p.check(r, "header"))
        return;
    std::uint64_t total = 16ull + t.symbol_size + t.name_hash_size + t.address_hash_size;
    if (total != r.size()) {
        p.add(format("header sizes add up to %llu, the subsection has %zu bytes",
                     static_cast<unsigned long long>(total), r.size()));
        if (total > r.size())
            return;
    }
    t.records = walk_records(r.sub(16, t.symbol_size), 0, p.within("records"), nullptr);
    read_name_hash(r.sub(16 + t.symbol_size, t.name_hash_size), t, p.within("name hash"));
    out = std::move(t);
}

void read_global_types(ByteReader r, CodeView& cv, Problems p)
{
    GlobalTypes t;
    t.flags = r.u32();
    std::uint32_t count = r.u32();
    if (!p.check(r, "header") || count > r.remaining() / 4)
        return p.add(format("%u type offsets do not fit", count));
    for (std::uint32_t i = 0; i < count; ++i)
        t.offsets.push_back(r.u32());
    std::size_t base = r.position();
    ByteReader records = r.sub(base, r.size() - base);
    Coverage c(records.size());
    std::uint32_t previous = 0;
    for (std::uint32_t offset : t.offsets) {
        if (!t.records.empty() && offset <= previous)
            p.add(format("type offset 0x%x does not follow 0x%x", offset, previous));
        previous = offset;
        ByteReader one = records;
        one.seek(offset);
        std::uint16_t length = one.u16();
        one.seek(offset);
        auto bytes = one.take(2u + length);
        if (!p.check(one, "type record"))
            return;
        c.claim(offset, bytes.size(), p, "type record");
        TypeRecord rec;
        rec.offset = offset;
        rec.bytes.assign(bytes.begin(), bytes.end());
        t.records.push_back(std::move(rec));
    }
    c.check_gaps(records.bytes(), p);
    if (r.size() % 4 != 0)
        p.add(format("size %zu is not a multiple of 4", r.size()));
    cv.types = std::move(t);
}

void read_segment_map(ByteReader r, CodeView& cv, Problems p)
{
    SegmentMap m;
    m.count = r.u16();
    m.logical_count = r.u16();
    for (std::uint16_t i = 0; i < m.count && r.ok(); ++i) {
        SegmentMapEntry e;
        e.flags = r.u16();
        e.overlay = r.u16();
        e.group = r.u16();
        e.frame = r.u16();
        e.name = r.u16();
        e.class_name = r.u16();
        e.offset = r.u32();
        e.size = r.u32();
        m.entries.push_back(e);
    }
    if (p.check(r, "entries") && !r.at_end())
        p.add(format("%zu bytes left behind the entries", r.remaining()));
    cv.segment_map = std::move(m);
}

void read_file_index(ByteReader r, CodeView& cv, Problems p)
{
    FileIndex f;
    f.module_count = r.u16();
    f.reference_count = r.u16();
    for (std::uint16_t i = 0; i < f.module_count && r.ok(); ++i)
        f.module_start.push_back(r.u16());
    for (std::uint16_t i = 0; i < f.module_count && r.ok(); ++i)
        f.module_references.push_back(r.u16());
    for (std::uint16_t i = 0; i < f.reference_count && r.ok(); ++i)
        f.name_offsets.push_back(r.u32());
    if (!p.check(r, "arrays"))
        return;
    ByteReader names = r.sub(r.position(), r.remaining());
    Coverage c(names.size());
    for (std::uint32_t offset : f.name_offsets) {
        ByteReader one = names;
        one.seek(offset);
        f.names.push_back(one.length_prefixed_string());
        if (!p.check(one, "name"))
            return;
        c.claim(offset, one.position() - offset, p, "name");
    }
    c.check_gaps(names.bytes(), p);
    cv.file_index = std::move(f);
}

// ---- the block -------------------------------------------------------------

void read_directory(ByteReader& block, CodeView& cv, Problems p)
{
    ByteReader r = block;
    r.seek(cv.directory_offset);
    cv.directory_header_size = r.u16();
    cv.directory_entry_size = r.u16();
    std::uint32_t count = r.u32();
    cv.next_directory = r.u32();
    cv.directory_flags = r.u32();
    if (!p.check(r, "directory header"))
        return;
    if (cv.directory_header_size != 16 || cv.directory_entry_size != 12)
        p.add(format("directory header size %u and entry size %u", cv.directory_header_size,
                     cv.directory_entry_size));
    if (count > r.remaining() / 12)
        return p.add(format("%u directory entries do not fit", count));
    for (std::uint32_t i = 0; i < count; ++i) {
        DirectoryEntry e;
        e.type = r.u16();
        e.module = r.u16();
        e.offset = r.u32();
        e.size = r.u32();
        cv.directory.push_back(e);
    }
}

void read_subsection(const ByteReader& block, const DirectoryEntry& e, CodeView& cv, Problems p)
{
    ByteReader whole(block.bytes());
    ByteReader r = whole.sub(e.offset, e.size);
    if (!p.check(whole, "subsection bounds"))
        return;
    switch (e.type) {
    case kModule: return read_module(r, e.module, cv, p);
    case kSourceModule: return read_source_module(r, e.module, cv, p);
    case kAlignedSymbols: return read_symbol_block(r, e.module, cv, p);
    case kGlobalPublics: return read_global_table(r, cv.publics, p);
    case kGlobalSymbols: return read_global_table(r, cv.globals, p);
    case kGlobalTypes: return read_global_types(r, cv, p);
    case kSegmentMap: return read_segment_map(r, cv, p);
    case kFileIndex: return read_file_index(r, cv, p);
    default: p.add("unknown subsection type");
    }
}

void read_block(Bytes image, CodeView& cv, Problems p)
{
    ByteReader block(image.subspan(cv.position, cv.size));
    if (block.fixed_string(4) != "NB09")
        p.add("the block does not start with NB09");
    cv.directory_offset = block.u32();
    if (!p.check(block, "header"))
        return;
    read_directory(block, cv, p);
    Coverage c(block.size());
    c.claim(0, 8, p, "header");
    c.claim(cv.directory_offset, 16 + 12 * cv.directory.size(), p, "directory");
    c.claim(block.size() - 8, 8, p, "trailer");
    for (const DirectoryEntry& e : cv.directory) {
        Problems sub = p.within(format("subsection 0x%x of module 0x%x", e.type, e.module));
        c.claim(e.offset, e.size, sub, "subsection");
        read_subsection(block, e, cv, sub);
    }
    c.check_gaps(block.bytes(), p);
}

std::uint32_t u32_at(const std::vector<std::uint8_t>& body, std::size_t offset)
{
    std::uint32_t v = 0;
    read_u32_at(body, offset, v);
    return v;
}

}  // namespace

std::uint16_t TypeRecord::leaf() const
{
    std::uint16_t v = 0;
    read_u16_at(bytes, 2, v);
    return v;
}

std::optional<ProcedureFields> procedure_fields(const SymbolRecord& rec)
{
    ByteReader r(rec.body);
    ProcedureFields f;
    f.parent = r.u32();
    f.end = r.u32();
    f.next = r.u32();
    f.length = r.u32();
    f.debug_start = r.u32();
    f.debug_end = r.u32();
    f.offset = r.u32();
    f.segment = r.u16();
    f.type = r.u16();
    f.flags = r.u8();
    f.name = r.length_prefixed_string();
    if (!r.ok())
        return std::nullopt;
    return f;
}

std::optional<DataFields> data_fields(const SymbolRecord& rec)
{
    ByteReader r(rec.body);
    DataFields f;
    f.offset = r.u32();
    f.segment = r.u16();
    f.type = r.u16();
    f.name = r.length_prefixed_string();
    if (!r.ok())
        return std::nullopt;
    return f;
}

std::optional<ReferenceFields> reference_fields(const SymbolRecord& rec)
{
    ByteReader r(rec.body);
    ReferenceFields f;
    f.hash = r.u32();
    f.offset = r.u32();
    f.module = r.u16();
    if (!r.ok())
        return std::nullopt;
    return f;
}

std::optional<std::pair<std::int32_t, std::uint16_t>> frame_fields(const SymbolRecord& rec)
{
    if (rec.body.size() < 6)
        return std::nullopt;
    std::uint16_t type = 0;
    read_u16_at(rec.body, 4, type);
    return std::make_pair(static_cast<std::int32_t>(u32_at(rec.body, 0)), type);
}

const DirectoryEntry* CodeView::entry(std::uint16_t type, std::uint16_t module) const
{
    const DirectoryEntry* found = nullptr;
    for (const DirectoryEntry& e : directory) {
        if (e.type != type || e.module != module)
            continue;
        if (found)
            return nullptr;
        found = &e;
    }
    return found;
}

const TypeRecord* CodeView::type_record(std::uint16_t index) const
{
    if (!types || index < 0x1000 || index - 0x1000u >= types->records.size())
        return nullptr;
    return &types->records[index - 0x1000u];
}

CodeView read_codeview(std::span<const std::uint8_t> image)
{
    CodeView cv;
    Problems p(cv.problems, "image");
    auto headers = read_headers(image, p);
    if (!headers)
        return cv;
    cv.sections = headers->sections;
    cv.debug_directory_rva = headers->debug_rva;
    cv.debug_directory_size = headers->debug_size;
    read_debug_entries(image, *headers, cv, Problems(cv.problems, "debug directory"));
    if (locate_block(image, cv, Problems(cv.problems, "CodeView block")))
        read_block(image, cv, Problems(cv.problems, "CodeView block"));
    return cv;
}

std::string describe_problems(const CodeView& cv)
{
    std::string text;
    for (const std::string& problem : cv.problems)
        text += (text.empty() ? "" : "; ") + problem;
    return text;
}

}  // namespace vyn::lnk::test::nb09
