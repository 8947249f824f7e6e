// A module's symbol block: a 16-byte prefix (the signature and a start-
// search record pointing at the first procedure), the module's records with
// their type indices made global and their procedures linked, and a closing
// alignment record. Offsets within the block count from its first byte,
// prefix included; the debugger reads them that way.
#include "linker/linker.h"

#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "linker/codeview_records.h"

namespace vyn::lnk {

namespace {

constexpr std::size_t kPrefixSize = 16;
// Only a procedure starting this near the front is found for the start
// search; a block whose first procedure lies further in points at 32.
constexpr std::size_t kSearchWindow = 50;

bool is_procedure(std::uint16_t kind)
{
    return kind == cv::kLocalProcedure || kind == cv::kGlobalProcedure;
}

/* Where the start-search record points: the first procedure within the
   window, else 32. */
std::uint32_t first_procedure_offset(std::span<const std::uint8_t> object_symbols)
{
    for (const cv::Record& r : cv::split_records(object_symbols)) {
        if (r.offset >= kSearchWindow)
            break;
        if (is_procedure(r.kind))
            return static_cast<std::uint32_t>(r.offset + kPrefixSize);
    }
    return 32;
}

/* The offset of the type index within a record of kind, or 0 for kinds
   that carry none. */
std::size_t type_field(std::uint16_t kind)
{
    switch (kind) {
    case cv::kRegister:
    case cv::kConstant:
    case cv::kUdt:
        return 4;
    case cv::kFrameRelative:
        return 8;
    case cv::kLocalData:
    case cv::kGlobalData:
    case cv::kPublic:
        return 10;
    case cv::kLocalProcedure:
    case cv::kGlobalProcedure:
        return 34;
    default:
        return 0;
    }
}

void make_types_global(Linker& l, CvModule& m, const std::vector<cv::Record>& records)
{
    std::span<std::uint8_t> block(m.symbols);
    for (const cv::Record& r : records) {
        std::size_t field = type_field(r.kind);
        if (field == 0 || field + 2 > r.size)
            continue;
        std::uint16_t type = cv::word_at(block.subspan(r.offset, r.size), field);
        if (type >= cv::kFirstTypeIndex)
            put_u16_at(block, r.offset + field, global_type_index(l, m, type));
    }
}

/* Each procedure's "next" names the following procedure (0 for the last)
   and its "end" the first record behind it that is not one of its register
   or frame-relative locals. end_of_records is where the alignment record
   will stand. */
void link_procedures(CvModule& m, const std::vector<cv::Record>& records, std::size_t end_of_records)
{
    std::span<std::uint8_t> block(m.symbols);
    constexpr std::size_t kEndField = 8, kNextField = 12, kFieldsEnd = 16;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (!is_procedure(records[i].kind) || records[i].size < kFieldsEnd)
            continue;
        std::size_t next = 0, end = end_of_records;
        for (std::size_t k = i + 1; k < records.size(); ++k)
            if (is_procedure(records[k].kind)) {
                next = records[k].offset;
                break;
            }
        for (std::size_t k = i + 1; k < records.size(); ++k)
            if (records[k].kind != cv::kRegister && records[k].kind != cv::kFrameRelative) {
                end = records[k].offset;
                break;
            }
        put_u32_at(block, records[i].offset + kEndField, static_cast<std::uint32_t>(end));
        put_u32_at(block, records[i].offset + kNextField, static_cast<std::uint32_t>(next));
    }
}

void note_globals(CvModule& m, const std::vector<cv::Record>& records)
{
    for (const cv::Record& r : records) {
        if (r.kind == cv::kGlobalProcedure && r.size > 37)
            m.global_procedures.push_back(static_cast<std::uint32_t>(r.offset));
        else if (r.kind == cv::kGlobalData && r.size > 12)
            m.global_data.push_back(static_cast<std::uint32_t>(r.offset));
    }
}

}  // namespace

/* The prefix, then the object's records (those that can be framed; a
   damaged tail is dropped rather than handed on to the debugger). */
void start_symbol_block(CvModule& m, int module_number, std::span<const std::uint8_t> object_symbols)
{
    std::size_t framed = 0;
    for (const cv::Record& r : cv::split_records(object_symbols))
        framed = r.offset + r.size;
    ByteWriter w;
    w.u32(cv::kSignature);
    w.u16(10);
    w.u16(cv::kStartSearch);
    w.u32(m.has_symbols ? first_procedure_offset(object_symbols) : kPrefixSize);
    w.u16(static_cast<std::uint16_t>(module_number));
    w.u16(0);
    w.bytes(object_symbols.first(framed));
    m.symbols = w.release();
}

/* Completes the block once the module's types are merged: global type
   indices, procedure links, the list of global symbols, and the closing
   alignment record with zero padding to 4 bytes. */
void finish_symbol_block(Linker& l, CvModule& m)
{
    if (m.has_symbols) {
        std::vector<cv::Record> records = cv::split_records(m.symbols, kPrefixSize);
        make_types_global(l, m, records);
        link_procedures(m, records, m.symbols.size());
        note_globals(m, records);
    }
    ByteWriter w;
    w.u16(6);
    w.u16(cv::kAlign);
    w.u32(0xFFFFFFFFu);
    m.symbols.insert(m.symbols.end(), w.bytes().begin(), w.bytes().end());
    m.symbols.resize((m.symbols.size() + 3) & ~std::size_t(3), 0);
}

}  // namespace vyn::lnk
