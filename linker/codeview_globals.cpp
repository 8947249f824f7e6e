// The two global subsections: a public record per global procedure and
// global datum of the modules' own symbols, and a reference record per one
// pointing back into its module's symbol block. Each is followed by a name
// hash table and an address table.
#include "linker/linker.h"

#include "common/byte_writer.h"
#include "common/byte_reader.h"
#include "common/codeview_hash.h"
#include "linker/codeview_records.h"

#include <algorithm>

namespace vyn::lnk {

namespace {

constexpr std::uint16_t kNameHashFunction = 10, kAddressHashFunction = 12;

// A global procedure or datum as its module's record holds it.
struct GlobalSymbol {
    std::uint16_t module = 0;       // 1-based
    std::uint32_t block_offset = 0; // of its record in the module's block
    bool procedure = false;
    std::uint32_t offset = 0;
    std::uint16_t segment = 0;
    std::uint16_t type = 0;
    std::string_view name;
    std::uint32_t hash = 0;
};

GlobalSymbol read_global(const CvModule& m, std::uint16_t number, std::uint32_t at, bool procedure)
{
    // Procedures: seven 32-bit fields, then offset, segment, type, flags,
    // name; data: offset, segment, type, name.
    std::size_t offset_field = procedure ? 28 : 4;
    std::size_t name_field = procedure ? 37 : 12;
    std::span<const std::uint8_t> record(m.symbols);
    record = record.subspan(at, cv::word_at(record, at) + std::size_t(2));
    GlobalSymbol g;
    g.module = number;
    g.block_offset = at;
    g.procedure = procedure;
    read_u32_at(record, offset_field, g.offset);
    g.segment = cv::word_at(record, offset_field + 4);
    g.type = cv::word_at(record, offset_field + 6);
    g.name = cv::name_at(record, name_field).value_or(std::string_view());
    g.hash = HashSymbol(g.name);
    return g;
}

/* Procedures of a module first, then its data, modules in order. */
std::vector<GlobalSymbol> gather_globals(const Linker& l)
{
    std::vector<GlobalSymbol> globals;
    std::uint16_t number = 0;
    for (const CvModule& m : l.codeview.modules) {
        ++number;
        if (!m.has_symbols)
            continue;
        for (std::uint32_t at : m.global_procedures)
            globals.push_back(read_global(m, number, at, true));
        for (std::uint32_t at : m.global_data)
            globals.push_back(read_global(m, number, at, false));
    }
    return globals;
}

std::vector<std::uint8_t> public_record(const GlobalSymbol& g)
{
    ByteWriter w;
    w.u16(0);
    w.u16(cv::kPublic);
    w.u32(g.offset);
    w.u16(g.segment);
    w.u16(g.type);
    cv::put_name(w, g.name);
    w.align(4);
    w.patch_u16(0, static_cast<std::uint16_t>(w.size() - 2));
    return w.release();
}

std::vector<std::uint8_t> reference_record(const GlobalSymbol& g)
{
    ByteWriter w;
    w.u16(14);
    w.u16(g.procedure ? cv::kProcedureReference : cv::kDataReference);
    w.u32(g.hash);
    w.u32(g.block_offset);
    w.u16(g.module);
    w.u16(0);
    return w.release();
}

/* n / 10 rounded up, then up to even, at least 6. */
std::size_t bucket_count(std::size_t n)
{
    std::size_t b = (n + 9) / 10;
    b += b & 1;
    return std::max<std::size_t>(b, 6);
}

/* Bucket count and padding, the running entry count up to and including
   each bucket, then each bucket's entries (record offset, hash) in record
   order. */
std::vector<std::uint8_t> name_hash_table(const std::vector<GlobalSymbol>& globals,
                                          const std::vector<std::uint32_t>& record_offsets)
{
    std::size_t buckets = bucket_count(globals.size());
    std::vector<std::vector<std::size_t>> chains(buckets);
    for (std::size_t i = 0; i < globals.size(); ++i)
        chains[globals[i].hash % buckets].push_back(i);
    ByteWriter w;
    w.u16(static_cast<std::uint16_t>(buckets));
    w.u16(0);
    std::uint32_t running = 0;
    for (const auto& chain : chains) {
        running += static_cast<std::uint32_t>(chain.size());
        w.u32(running);
    }
    for (const auto& chain : chains)
        for (std::size_t i : chain) {
            w.u32(record_offsets[i]);
            w.u32(globals[i].hash);
        }
    return w.release();
}

/* Per module that has globals: its number and record count (16-bit
   each), then the offsets of its records ordered by segment and offset. */
std::vector<std::uint8_t> address_table(const std::vector<GlobalSymbol>& globals,
                                        const std::vector<std::uint32_t>& record_offsets)
{
    ByteWriter w;
    std::size_t i = 0;
    while (i < globals.size()) {
        std::size_t j = i;
        while (j < globals.size() && globals[j].module == globals[i].module)
            ++j;
        std::vector<std::size_t> order(j - i);
        for (std::size_t k = 0; k < order.size(); ++k)
            order[k] = i + k;
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return std::pair(globals[a].segment, globals[a].offset) < std::pair(globals[b].segment, globals[b].offset);
        });
        w.u16(globals[i].module);
        w.u16(static_cast<std::uint16_t>(order.size()));
        for (std::size_t k : order)
            w.u32(record_offsets[k]);
        i = j;
    }
    return w.release();
}

/* A whole global subsection: the 16-byte header, the records, the name
   hash table and the address table. The size worked out beforehand from
   the records is checked against what was written. */
std::vector<std::uint8_t> global_subsection(Linker& l, const std::vector<GlobalSymbol>& globals,
                                            const std::vector<std::vector<std::uint8_t>>& records)
{
    std::vector<std::uint32_t> offsets;
    std::size_t records_size = 0;
    for (const auto& r : records) {
        offsets.push_back(static_cast<std::uint32_t>(records_size));
        records_size += r.size();
    }
    std::vector<std::uint8_t> names = name_hash_table(globals, offsets);
    std::vector<std::uint8_t> addresses = address_table(globals, offsets);
    std::size_t modules = 0;
    for (std::size_t i = 0; i < globals.size(); ++i)
        modules += i == 0 || globals[i].module != globals[i - 1].module;
    std::size_t expected = 16 + records_size + 4 + 4 * bucket_count(globals.size()) + 8 * globals.size() +
                           4 * modules + 4 * globals.size();

    ByteWriter w;
    w.u16(kNameHashFunction);
    w.u16(kAddressHashFunction);
    w.u32(static_cast<std::uint32_t>(records_size));
    w.u32(static_cast<std::uint32_t>(names.size()));
    w.u32(static_cast<std::uint32_t>(addresses.size()));
    for (const auto& r : records)
        w.bytes(r);
    w.bytes(names);
    w.bytes(addresses);
    if (w.size() > expected)
        err(l, "pSymData overflows by %d bytes\n", static_cast<int>(w.size() - expected));
    else if (w.size() < expected)
        err(l, "pSymData underflows by %d bytes\n", static_cast<int>(expected - w.size()));
    return w.release();
}

}  // namespace

std::uint32_t HashSymbol(std::string_view name)
{
    std::string decorated = "_";
    decorated += name;
    return DWordXorLrl(decorated);
}

std::optional<CvGlobalSubsections> build_global_subsections(Linker& l)
{
    std::vector<GlobalSymbol> globals = gather_globals(l);
    if (globals.empty())
        return std::nullopt;
    std::vector<std::vector<std::uint8_t>> publics, references;
    for (const GlobalSymbol& g : globals) {
        publics.push_back(public_record(g));
        references.push_back(reference_record(g));
    }
    CvGlobalSubsections out;
    out.publics = global_subsection(l, globals, publics);
    out.symbols = global_subsection(l, globals, references);
    return out;
}

}  // namespace vyn::lnk
