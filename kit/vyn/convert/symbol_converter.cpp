// The C13 to CodeView 4 symbol conversion, one record at a time.
#include "kit/vyn/convert/symbol_converter.h"

#include "common/byte_writer.h"
#include "kit/vyn/convert/cv_fields.h"

#include <unordered_map>

namespace vyn::cc {

namespace {

namespace sym = coff::codeview::c13_symbol;
namespace cv4 = coff::codeview::cv4_symbol;
namespace reg = coff::codeview::x86_register;
using cv::u16_at;
using cv::u32_at;

// Frame pointer registers as the frame procedure record encodes them: the
// virtual frame (on x86 the realigned frame base) or EBP.
constexpr std::uint32_t kFramePointerIsVirtual = 1, kFramePointerIsEbp = 2;
// The alignment that every call site of code compiled by vyn keeps (its
// switch -mstack-alignment=8), and so the alignment of EBP in every frame.
constexpr std::uint32_t kCallSiteAlignment = 8;
constexpr std::uint16_t kLocalIsParameter = 0x0001;
// Registers CodeView 4 can name: the x86 integer registers up to EDI.
constexpr std::uint16_t kLastPlainRegister = reg::kEdi;

// C13 field offsets (from the record start, length word included).
constexpr std::size_t kProcLength = 16, kProcDebugStart = 20, kProcDebugEnd = 24, kProcType = 28, kProcOffset = 32, kProcSegment = 36, kProcFlags = 38,
                      kProcName = 39;
constexpr std::size_t kDataType = 4, kDataOffset = 8, kDataSegment = 12, kDataName = 14;
constexpr std::size_t kFrameProcSavedRegisters = 16, kFrameProcFlags = 26;

/* One output stream of records with the relocations that travel with them. */
struct Stream {
    ByteWriter bytes;
    std::vector<coff::Relocation> relocations;
};

class SymbolConverter {
public:
    SymbolConverter(const c13::DebugSymbols& d, std::span<const coff::Relocation> relocations, const TypeMap& types,
                    const CodeOf& code_of, const BodyOf& body_of)
        : d_(d), types_(types), code_of_(code_of), body_of_(body_of)
    {
        for (const coff::Relocation& r : relocations)
            relocations_.emplace(r.address, r);
    }

    SymbolConversion run();

private:
    void record(const c13::SymbolRecord& s);
    void procedure(const c13::SymbolRecord& s);
    void data(const c13::SymbolRecord& s, Stream& out);
    void local(const c13::SymbolRecord& s);
    void place_local(std::uint16_t kind, std::int32_t offset_or_register);
    void place_frame_local(std::int32_t offset, std::uint32_t frame);
    void udt(const c13::SymbolRecord& s);
    void constant(const c13::SymbolRecord& s);
    void end_procedure();
    // Copies the relocation at input offset from (if any) to output offset to.
    void carry_relocation(Stream& out, std::uint32_t from, std::size_t to);

    const c13::DebugSymbols& d_;
    const TypeMap& types_;
    const CodeOf& code_of_;
    const BodyOf& body_of_;
    std::unordered_map<std::uint32_t, coff::Relocation> relocations_;
    Stream procedures_, others_;
    SymbolConversion result_;

    bool in_procedure_ = false;
    int block_depth_ = 0;
    int inline_depth_ = 0;
    std::uint32_t frame_flags_ = 0;
    std::uint32_t saved_registers_ = 0;  // bytes pushed between EBP and the realigned frame
    std::uint32_t realignment_ = 0;      // of the current procedure's stack, 0 when none
    std::string procedure_name_;
    // The local whose place the next range record gives, until it is placed.
    bool local_pending_ = false;
    bool local_is_parameter_ = false;
    std::uint16_t local_type_ = 0;
    std::string local_name_;
};

void SymbolConverter::carry_relocation(Stream& out, std::uint32_t from, std::size_t to)
{
    auto r = relocations_.find(from);
    if (r == relocations_.end())
        return;
    coff::Relocation moved = r->second;
    moved.address = static_cast<std::uint32_t>(to);
    out.relocations.push_back(moved);
}

void SymbolConverter::procedure(const c13::SymbolRecord& s)
{
    auto name = cv::c_name(s.bytes, kProcName);
    if (s.bytes.size() < kProcName || !name) {
        result_.warnings.push_back("a procedure record is malformed and left out");
        return;
    }
    if (in_procedure_)
        end_procedure();
    bool global = s.kind == sym::kGlobalProcedure || s.kind == sym::kGlobalProcedureId;
    bool by_id = s.kind == sym::kGlobalProcedureId || s.kind == sym::kLocalProcedureId;
    std::uint32_t type = u32_at(s.bytes, kProcType);
    ByteWriter& w = procedures_.bytes;
    cv::RecordWriter record(w, global ? cv4::kGlobalProcedure : cv4::kLocalProcedure);
    w.u32(0);  // parent
    w.u32(0);  // end, set by the linker
    w.u32(0);  // next, set by the linker
    w.u32(u32_at(s.bytes, kProcLength));
    BodyBounds body{u32_at(s.bytes, kProcDebugStart), u32_at(s.bytes, kProcDebugEnd)};
    if (auto r = relocations_.find(s.offset + kProcOffset);
        body.start == 0 && body.end == 0 && r != relocations_.end() && body_of_)
        body = body_of_(r->second.symbol_index, u32_at(s.bytes, kProcOffset)).value_or(body);
    w.u32(body.start);
    w.u32(body.end);
    carry_relocation(procedures_, s.offset + kProcOffset, w.size());
    w.u32(u32_at(s.bytes, kProcOffset));
    carry_relocation(procedures_, s.offset + kProcSegment, w.size());
    w.u16(u16_at(s.bytes, kProcSegment));
    w.u16(by_id ? types_.function_type(type) : types_.map(type));
    w.u8(s.bytes[kProcFlags]);
    cv::put_name(w, *name);
    record.finish(false);
    in_procedure_ = true;
    block_depth_ = inline_depth_ = 0;
    frame_flags_ = saved_registers_ = realignment_ = 0;
    procedure_name_ = std::string(*name);
    if (auto r = relocations_.find(s.offset + kProcOffset); r != relocations_.end() && code_of_)
        realignment_ = prologue_realignment(code_of_(r->second.symbol_index, u32_at(s.bytes, kProcOffset)));
    local_pending_ = false;
}

void SymbolConverter::end_procedure()
{
    cv::RecordWriter end(procedures_.bytes, cv4::kEnd);
    end.finish(false);
    in_procedure_ = false;
    local_pending_ = false;
}

void SymbolConverter::data(const c13::SymbolRecord& s, Stream& out)
{
    auto name = cv::c_name(s.bytes, kDataName);
    if (!name) {
        result_.warnings.push_back("a data record is malformed and left out");
        return;
    }
    bool global = s.kind == sym::kGlobalData;
    ByteWriter& w = out.bytes;
    cv::RecordWriter record(w, global ? cv4::kGlobalData : cv4::kLocalData);
    carry_relocation(out, s.offset + kDataOffset, w.size());
    w.u32(u32_at(s.bytes, kDataOffset));
    carry_relocation(out, s.offset + kDataSegment, w.size());
    w.u16(u16_at(s.bytes, kDataSegment));
    w.u16(types_.map(u32_at(s.bytes, kDataType)));
    cv::put_name(w, *name);
    record.finish(false);
}

void SymbolConverter::local(const c13::SymbolRecord& s)
{
    auto name = cv::c_name(s.bytes, 10);
    local_pending_ = in_procedure_ && inline_depth_ == 0 && name.has_value();
    if (!local_pending_)
        return;
    local_type_ = types_.map(u32_at(s.bytes, 4));
    local_is_parameter_ = (u16_at(s.bytes, 8) & kLocalIsParameter) != 0;
    local_name_ = std::string(*name);
}

/* Writes the pending local as a frame-relative (offset from EBP) or a
   register record. */
void SymbolConverter::place_local(std::uint16_t kind, std::int32_t value)
{
    ByteWriter& w = procedures_.bytes;
    cv::RecordWriter record(w, kind);
    if (kind == cv4::kFrameRelative) {
        w.u32(static_cast<std::uint32_t>(value));
        w.u16(local_type_);
    } else {
        w.u16(local_type_);
        w.u16(static_cast<std::uint16_t>(value));
    }
    cv::put_name(w, local_name_);
    record.finish(false);
    local_pending_ = false;
}

/* A local in memory, at offset from the frame the procedure's frame record
   names for it. EBP-relative offsets stand as they are. The virtual frame
   of a realigned procedure is EBP less the saved registers, rounded down to
   the alignment; while that alignment is no more than the call sites keep
   for EBP, it is a fixed distance from EBP. Other frames cannot be
   described with EBP offsets, and the local is left out. */
void SymbolConverter::place_frame_local(std::int32_t offset, std::uint32_t frame)
{
    if (frame == kFramePointerIsEbp) {
        place_local(cv4::kFrameRelative, offset);
        return;
    }
    if (frame == kFramePointerIsVirtual && realignment_ != 0 && realignment_ <= kCallSiteAlignment) {
        std::uint32_t below_ebp = (saved_registers_ + realignment_ - 1) / realignment_ * realignment_;
        place_local(cv4::kFrameRelative, offset - static_cast<std::int32_t>(below_ebp));
        return;
    }
    result_.warnings.push_back("the place of local '" + local_name_ + "' of " + procedure_name_ +
                               " cannot be described (its frame is aligned beyond 8 bytes)");
    local_pending_ = false;
}

void SymbolConverter::udt(const c13::SymbolRecord& s)
{
    auto name = cv::c_name(s.bytes, 8);
    if (!name)
        return;
    cv::RecordWriter record(others_.bytes, cv4::kUdt);
    others_.bytes.u16(types_.map(u32_at(s.bytes, 4)));
    cv::put_name(others_.bytes, *name);
    record.finish(false);
}

void SymbolConverter::constant(const c13::SymbolRecord& s)
{
    auto numeric = cv::numeric_size(s.bytes, 8);
    auto name = numeric ? cv::c_name(s.bytes, 8 + *numeric) : std::nullopt;
    if (!name)
        return;
    cv::RecordWriter record(others_.bytes, cv4::kConstant);
    others_.bytes.u16(types_.map(u32_at(s.bytes, 4)));
    others_.bytes.bytes(s.bytes.subspan(8, *numeric));
    cv::put_name(others_.bytes, *name);
    record.finish(false);
}

void SymbolConverter::record(const c13::SymbolRecord& s)
{
    switch (s.kind) {
    case sym::kGlobalProcedure:
    case sym::kLocalProcedure:
    case sym::kGlobalProcedureId:
    case sym::kLocalProcedureId:
        procedure(s);
        break;
    case sym::kProcIdEnd:
        if (in_procedure_)
            end_procedure();
        break;
    case sym::kBlock:
        if (in_procedure_)
            ++block_depth_;
        break;
    case sym::kEnd:
        if (block_depth_ > 0)
            --block_depth_;
        else if (in_procedure_)
            end_procedure();
        break;
    case sym::kInlineSite:
        ++inline_depth_;
        local_pending_ = false;
        break;
    case sym::kInlineSiteEnd:
        if (inline_depth_ > 0)
            --inline_depth_;
        break;
    case sym::kFrameProc:
        frame_flags_ = u32_at(s.bytes, kFrameProcFlags);
        saved_registers_ = u32_at(s.bytes, kFrameProcSavedRegisters);
        break;
    case sym::kLocal:
        local(s);
        break;
    case sym::kDefRangeFramePointerRel:
    case sym::kDefRangeFramePointerRelFullScope:
        // Parameters and locals each have their frame in the frame record.
        if (local_pending_)
            place_frame_local(static_cast<std::int32_t>(u32_at(s.bytes, 4)),
                              (frame_flags_ >> (local_is_parameter_ ? 16 : 14)) & 3);
        break;
    case sym::kDefRangeRegisterRel:
        if (local_pending_ && u16_at(s.bytes, 4) == reg::kEbp)
            place_frame_local(static_cast<std::int32_t>(u32_at(s.bytes, 8)), kFramePointerIsEbp);
        else if (local_pending_ && u16_at(s.bytes, 4) == reg::kVirtualFrame)
            place_frame_local(static_cast<std::int32_t>(u32_at(s.bytes, 8)), kFramePointerIsVirtual);
        break;
    case sym::kDefRangeRegister:
        if (local_pending_ && u16_at(s.bytes, 4) >= reg::kAl && u16_at(s.bytes, 4) <= kLastPlainRegister)
            place_local(cv4::kRegister, u16_at(s.bytes, 4));
        break;
    case sym::kGlobalData:
        data(s, others_);
        break;
    case sym::kLocalData:
        data(s, others_);  // function statics too: CodeView 4 keeps only locals in a procedure
        break;
    case sym::kUdt:
        udt(s);
        break;
    case sym::kConstant:
        constant(s);
        break;
    default:
        break;
    }
}

SymbolConversion SymbolConverter::run()
{
    procedures_.bytes.u32(coff::codeview::kSignatureCv4);
    for (const c13::SymbolRecord& s : d_.symbols)
        record(s);
    if (in_procedure_)
        end_procedure();
    // The procedures come first, so that the start-search record finds the
    // first one near the block's start; data and types follow.
    std::size_t shift = procedures_.bytes.size();
    result_.section = procedures_.bytes.release();
    result_.section.insert(result_.section.end(), others_.bytes.bytes().begin(), others_.bytes.bytes().end());
    result_.relocations = std::move(procedures_.relocations);
    for (coff::Relocation r : others_.relocations) {
        r.address += static_cast<std::uint32_t>(shift);
        result_.relocations.push_back(r);
    }
    return std::move(result_);
}

}  // namespace

SymbolConversion convert_symbols(const c13::DebugSymbols& symbols, std::span<const coff::Relocation> relocations,
                                 const TypeMap& types, const CodeOf& code_of, const BodyOf& body_of)
{
    return SymbolConverter(symbols, relocations, types, code_of, body_of).run();
}

std::uint32_t prologue_realignment(std::span<const std::uint8_t> code)
{
    constexpr std::uint8_t kPushEbp = 0x55, kMov = 0x89, kEspToEbp = 0xE5, kPushFirst = 0x50, kPushLast = 0x57,
                           kGroup1Imm8 = 0x83, kGroup1Imm32 = 0x81, kAndEsp = 0xE4;
    std::size_t pos = 0;
    if (code.size() < 3 || code[0] != kPushEbp || code[1] != kMov || code[2] != kEspToEbp)
        return 0;
    pos = 3;
    while (pos < code.size() && code[pos] >= kPushFirst && code[pos] <= kPushLast)
        ++pos;
    if (code.size() - pos >= 3 && code[pos] == kGroup1Imm8 && code[pos + 1] == kAndEsp)
        return static_cast<std::uint32_t>(-static_cast<std::int32_t>(static_cast<std::int8_t>(code[pos + 2])));
    if (code.size() - pos >= 6 && code[pos] == kGroup1Imm32 && code[pos + 1] == kAndEsp)
        return static_cast<std::uint32_t>(-static_cast<std::int32_t>(u32_at(code, pos + 2)));
    return 0;
}

}  // namespace vyn::cc
