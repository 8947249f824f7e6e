// Decoding one instruction: prefixes, opcode, the table entry (through a
// group or the floating-point escape), then the operands, each into its own
// buffer, printed in reverse table order.
#include "ide/debugger/disasm.h"

#include "ide/debugger/disasm_tables.h"

#include <array>
#include <cstdio>

namespace vyn::dbg {
namespace {

using tables::Entry;
using tables::Op;

constexpr const char* kReg32[8] = {"%eax", "%ecx", "%edx", "%ebx", "%esp", "%ebp", "%esi", "%edi"};
constexpr const char* kReg16[8] = {"%ax", "%cx", "%dx", "%bx", "%sp", "%bp", "%si", "%di"};
constexpr const char* kReg8[8] = {"%al", "%cl", "%dl", "%bl", "%ah", "%ch", "%dh", "%bh"};
constexpr const char* kSegment[8] = {"%es", "%cs", "%ss", "%ds", "%fs", "%gs", nullptr, nullptr};
// 16-bit address forms by r/m: base and index.
constexpr const char* kBase16[8] = {"%bx", "%bx", "%bp", "%bp", "%si", "%di", "%bp", "%bx"};
constexpr const char* kIndex16[8] = {"%si", "%di", "%si", "%di", nullptr, nullptr, nullptr, nullptr};
constexpr int kEbp = 5, kEsp = 4;

std::string hex(std::uint32_t v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%x", v);
    return buf;
}

// "0x%x" when not negative, "%d" when negative.
std::string displacement(std::int32_t v)
{
    char buf[16];
    if (v < 0)
        std::snprintf(buf, sizeof buf, "%d", v);
    else
        std::snprintf(buf, sizeof buf, "0x%x", static_cast<std::uint32_t>(v));
    return buf;
}

class Decoder {
public:
    Decoder(std::uint32_t address, InstructionBytes& bytes) : address_(address), bytes_(bytes) {}

    Instruction run();

private:
    void body();

private:
    std::uint8_t next();
    std::uint8_t peek();
    std::uint16_t next16() { std::uint16_t lo = next(); return static_cast<std::uint16_t>(lo | next() << 8); }
    std::uint32_t next32() { std::uint32_t lo = next16(); return lo | static_cast<std::uint32_t>(next16()) << 16; }
    void modrm();

    void prefixes();
    bool decode_fpu(std::uint8_t escape);
    std::string mnemonic(std::string_view tmpl) const;
    std::string operand(Op op);
    std::string memory();
    std::string memory16();
    std::string segment_override() const;
    std::string reg_by_size(int number, char size) const;
    std::string string_operand(bool source) const;
    void finish(const std::string& text, const std::array<std::string, 3>& ops, bool table_order);
    void bad();

    std::uint32_t address_;
    InstructionBytes& bytes_;
    std::size_t pos_ = 0;
    std::uint32_t flags_ = 0;
    bool op32_ = true, addr32_ = true;
    bool have_modrm_ = false;
    int mod_ = 0, reg_ = 0, rm_ = 0;
    std::uint8_t opcode_ = 0;
    bool truncated_ = false;  // the byte source ended inside the instruction
    bool invalid_ = false;    // an operand form without a meaning (a register where memory is required)
    Instruction out_;
};

std::uint8_t Decoder::next()
{
    std::uint8_t b = 0;
    if (!bytes_.fetch(pos_, b)) {
        truncated_ = true;  // sticky: the rest decodes zeros and the result is "(bad)"
        return 0;
    }
    ++pos_;
    return b;
}

std::uint8_t Decoder::peek()
{
    std::uint8_t b = 0;
    if (!bytes_.fetch(pos_, b))
        truncated_ = true;
    return b;
}

// Consumes the ModRM byte the first time an operand needs it.
void Decoder::modrm()
{
    if (have_modrm_)
        return;
    std::uint8_t b = next();
    mod_ = b >> 6;
    reg_ = (b >> 3) & 7;
    rm_ = b & 7;
    have_modrm_ = true;
}

void Decoder::prefixes()
{
    for (;;) {
        std::uint32_t flag = 0;
        switch (peek()) {
        case 0xF3: flag = prefix::kRepz; break;
        case 0xF2: flag = prefix::kRepnz; break;
        case 0xF0: flag = prefix::kLock; break;
        case 0x2E: flag = prefix::kCs; break;
        case 0x36: flag = prefix::kSs; break;
        case 0x3E: flag = prefix::kDs; break;
        case 0x26: flag = prefix::kEs; break;
        case 0x64: flag = prefix::kFs; break;
        case 0x65: flag = prefix::kGs; break;
        case 0x66: flag = prefix::kOperandSize; break;
        case 0x67: flag = prefix::kAddressSize; break;
        case 0x9B: flag = prefix::kFwait; break;
        default: return;
        }
        flags_ |= flag;
        ++pos_;
        // An fwait ends the prefixes unless an escape follows: it is then an
        // instruction of its own.
        if (flag == prefix::kFwait) {
            std::uint8_t b = 0;
            if (!bytes_.fetch(pos_, b) || b < 0xD8 || b > 0xDF)
                return;
        }
    }
}

std::string Decoder::mnemonic(std::string_view tmpl) const
{
    std::size_t bar = tmpl.find('|');
    if (bar != std::string_view::npos)
        tmpl = op32_ ? tmpl.substr(0, bar) : tmpl.substr(bar + 1);
    std::string m;
    for (char c : tmpl) {
        if (c == 'S')
            m += op32_ ? 'l' : 'w';
        else if (c == 'N') {
            if (!(flags_ & prefix::kFwait))
                m += 'n';
        } else if (c == 'C') {
            if (addr32_)
                m += 'e';
        } else
            m += c;
    }
    return m;
}

std::string Decoder::segment_override() const
{
    if (flags_ & prefix::kCs) return "%cs:";
    if (flags_ & prefix::kSs) return "%ss:";
    if (flags_ & prefix::kDs) return "%ds:";
    if (flags_ & prefix::kEs) return "%es:";
    if (flags_ & prefix::kFs) return "%fs:";
    if (flags_ & prefix::kGs) return "%gs:";
    return {};
}

std::string Decoder::reg_by_size(int number, char size) const
{
    switch (size) {
    case 'b': return kReg8[number];
    case 'w': return kReg16[number];
    case 'd': return kReg32[number];
    default: return op32_ ? kReg32[number] : kReg16[number];
    }
}

// The memory operand of a ModRM byte already read (mod != 3), 32-bit addresses.
std::string Decoder::memory()
{
    if (!addr32_)
        return memory16();
    std::string text = segment_override();
    bool sib = rm_ == kEsp;
    int base = rm_, index = kEsp, scale = 0;
    if (sib) {
        std::uint8_t s = next();
        scale = s >> 6;
        index = (s >> 3) & 7;
        base = s & 7;
    }
    bool has_base = true;
    std::int32_t disp = 0;
    bool has_disp = false;
    if (mod_ == 0 && base == kEbp) {
        has_base = false;
        disp = static_cast<std::int32_t>(next32());
        has_disp = true;
    } else if (mod_ == 1) {
        disp = static_cast<std::int8_t>(next());
        has_disp = true;
    } else if (mod_ == 2) {
        disp = static_cast<std::int32_t>(next32());
        has_disp = true;
    }
    bool has_index = sib && index != kEsp;
    if (!has_base && !has_index) {
        text += hex(static_cast<std::uint32_t>(disp));  // an absolute address
        return text;
    }
    if (has_disp)
        text += displacement(disp);
    if (has_base && base == kEbp && has_disp)
        out_.ebp_displacement = disp;
    text += '(';
    if (has_base)
        text += kReg32[base];
    if (has_index) {
        text += ',';
        text += kReg32[index];
    }
    if (sib) {
        text += ',';
        text += std::to_string(1 << scale);
    }
    text += ')';
    return text;
}

// 16-bit addresses: base and index by r/m, no SIB byte.
std::string Decoder::memory16()
{
    std::string text = segment_override();
    std::int32_t disp = 0;
    if (mod_ == 0 && rm_ == 6)
        return text + hex(next16());
    bool has_disp = mod_ != 0;
    if (mod_ == 1)
        disp = static_cast<std::int8_t>(next());
    else if (mod_ == 2)
        disp = static_cast<std::int16_t>(next16());
    if (has_disp)
        text += displacement(disp);
    text += '(';
    text += kBase16[rm_];
    if (kIndex16[rm_]) {
        text += ',';
        text += kIndex16[rm_];
    }
    text += ')';
    return text;
}

std::string Decoder::string_operand(bool source) const
{
    if (source) {
        std::string seg = segment_override();
        return (seg.empty() ? std::string("%ds:") : seg) + "[" + (addr32_ ? "%esi" : "%si") + "]";
    }
    return std::string("es:[") + (addr32_ ? "%edi" : "%di") + "]";
}

std::string Decoder::operand(Op op)
{
    auto rm_operand = [this](char size) {
        modrm();
        return mod_ == 3 ? reg_by_size(rm_, size) : memory();
    };
    switch (op) {
    case Op::None: return {};
    case Op::Eb: return rm_operand('b');
    case Op::Ew: return rm_operand('w');
    case Op::Ev: return rm_operand('v');
    case Op::Ed: return rm_operand('d');
    case Op::Gb: modrm(); return kReg8[reg_];
    case Op::Gw: modrm(); return kReg16[reg_];
    case Op::Gv: modrm(); return reg_by_size(reg_, 'v');
    case Op::Gd: modrm(); return kReg32[reg_];
    case Op::M:
        modrm();
        if (mod_ == 3) {
            invalid_ = true;
            return {};
            }
        return memory();
    case Op::IndirEv: return "*" + rm_operand('v');
    case Op::IndirM:
        modrm();
        if (mod_ == 3) {
            invalid_ = true;
            return {};
            }
        return "*" + memory();
    case Op::Ib: return "$" + hex(next());
    case Op::Iw: return "$" + hex(next16());
    case Op::Iv: return "$" + hex(op32_ ? next32() : next16());
    case Op::SIb: {
        auto v = static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int8_t>(next())));
        return "$" + hex(op32_ ? v : (v & 0xFFFF));
    }
    case Op::Jb:
    case Op::Jv: {
        std::int32_t disp = op == Op::Jb ? static_cast<std::int8_t>(next())
                                         : (op32_ ? static_cast<std::int32_t>(next32())
                                                  : static_cast<std::int16_t>(next16()));
        std::uint32_t target = address_ + static_cast<std::uint32_t>(pos_) + static_cast<std::uint32_t>(disp);
        out_.target = target;
        return hex(target);
    }
    case Op::Ap: {
        std::uint32_t offset = op32_ ? next32() : next16();
        std::uint16_t segment = next16();
        return hex(segment) + "," + hex(offset);
    }
    case Op::Ob:
    case Op::Ov: return segment_override() + hex(addr32_ ? next32() : next16());
    case Op::Sw:
        modrm();
        if (!kSegment[reg_]) {
            invalid_ = true;
            return {};
        }
        return kSegment[reg_];
    case Op::Cd: modrm(); return "%cr" + std::to_string(reg_);
    case Op::Dd: modrm(); return "%db" + std::to_string(reg_);
    case Op::Td: modrm(); return "%tr" + std::to_string(reg_);
    case Op::Rd: modrm(); return kReg32[rm_];
    case Op::Xb:
    case Op::Xv: return string_operand(true);
    case Op::Yb:
    case Op::Yv: return string_operand(false);
    case Op::Dx: return "(%dx)";
    case Op::Cl: return "%cl";
    case Op::Al: return "%al";
    case Op::EAx: return op32_ ? "%eax" : "%ax";
    case Op::Eax32: return "%eax";
    case Op::RegB: return kReg8[opcode_ & 7];
    case Op::RegV: return reg_by_size(opcode_ & 7, 'v');
    case Op::Es: return "%es";
    case Op::Cs: return "%cs";
    case Op::Ss: return "%ss";
    case Op::Ds: return "%ds";
    case Op::Fs: return "%fs";
    case Op::Gs: return "%gs";
    case Op::Pq: modrm(); return "%mm" + std::to_string(reg_);
    case Op::Qq: modrm(); return mod_ == 3 ? "%mm" + std::to_string(rm_) : memory();
    case Op::Nq:
        modrm();
        if (mod_ != 3) {
            invalid_ = true;
            return {};
        }
        return "%mm" + std::to_string(rm_);
    case Op::St: return "%st";
    case Op::Sti: modrm(); return "%st(" + std::to_string(rm_) + ")";
    }
    return "<bad dis table>";
}

void Decoder::bad()
{
    out_.valid = false;
    out_.text = "(bad)";
    out_.operand_column = out_.text.size();
}

/* Pads prefixes and mnemonic to six characters and one blank (also when no
   operand follows), then writes the operands reversed (or in table order
   for enter), joined by ",". */
void Decoder::finish(const std::string& text, const std::array<std::string, 3>& ops, bool table_order)
{
    std::string line = text;
    if (line.size() < 6)
        line.resize(6, ' ');
    line += ' ';
    out_.operand_column = line.size();
    bool first = true;
    for (int k = 0; k < 3; ++k) {
        const std::string& o = ops[static_cast<std::size_t>(table_order ? k : 2 - k)];
        if (o.empty())
            continue;
        if (!first)
            line += ',';
        line += o;
        first = false;
    }
    out_.text = line;
}

std::string prefix_text(std::uint32_t flags)
{
    std::string t;
    if (flags & prefix::kRepz) t += "repz ";
    if (flags & prefix::kRepnz) t += "repnz ";
    if (flags & prefix::kLock) t += "lock ";
    if (flags & prefix::kAddressSize) t += "addr16 ";
    return t;
}

// The escapes 0xD8 to 0xDF; false when the form has no meaning.
bool Decoder::decode_fpu(std::uint8_t escape)
{
    modrm();
    std::size_t index = static_cast<std::size_t>((escape - 0xD8) * 8 + reg_);
    std::string text = prefix_text(flags_);
    std::array<std::string, 3> ops;
    if (mod_ != 3) {
        std::string_view tmpl = tables::fpu_memory()[index];
        if (tmpl.empty())
            return false;
        text += mnemonic(tmpl);
        ops[0] = memory();
    } else {
        const tables::FpuRegisterForm& f = tables::fpu_register()[index];
        if (f.by_rm) {
            std::string_view name = f.names[static_cast<std::size_t>(rm_)];
            if (name.empty())
                return false;
            text += mnemonic(name);
        } else {
            if (f.entry.tmpl.empty())
                return false;
            // The status-word store to the accumulator exists only as DF E0.
            if (escape == 0xDF && rm_ != 0)
                return false;
            text += mnemonic(f.entry.tmpl);
            for (std::size_t k = 0; k < 3; ++k)
                ops[k] = operand(f.entry.ops[k]);
        }
    }
    finish(text, ops, false);
    return true;
}

void Decoder::body()
{
    {
        prefixes();
        op32_ = !(flags_ & prefix::kOperandSize);
        addr32_ = !(flags_ & prefix::kAddressSize);
        out_.prefixes = flags_;
        // An fwait not followed by an escape is an instruction of its own.
        if (flags_ & prefix::kFwait) {
            std::uint8_t b = 0;
            if (!bytes_.fetch(pos_, b) || b < 0xD8 || b > 0xDF) {
                out_.text = "fwait";
                out_.operand_column = out_.text.size();
                return;
            }
        }
        opcode_ = next();
        const Entry* e = &tables::one_byte()[opcode_];
        bool two_byte = false;
        if (opcode_ == 0x0F) {
            opcode_ = next();
            e = &tables::two_byte()[opcode_];
            two_byte = true;
        }
        if (e->fpu) {
            if (!decode_fpu(opcode_))
                bad();
            return;
        }
        if (e->group >= 0) {
            modrm();
            e = &tables::group(e->group)[static_cast<std::size_t>(reg_)];
        }
        if (e->tmpl.empty()) {
            bad();
            return;
        }
        std::string text = prefix_text(flags_) + mnemonic(e->tmpl);
        std::array<std::string, 3> ops;
        for (std::size_t k = 0; k < 3; ++k)
            ops[k] = operand(e->ops[k]);
        if (out_.target) {
            out_.is_call = e->tmpl == "call";
            out_.is_jump = !out_.is_call && e->tmpl[0] == 'j';
        }
        finish(text, ops, !two_byte && opcode_ == 0xC8);
    }
}

Instruction Decoder::run()
{
    body();
    if (truncated_) {
        bad();
        out_.truncated = true;
    } else if (invalid_) {
        bad();
    }
    out_.length = pos_ == 0 ? 1 : pos_;
    return out_;
}

}  // namespace

Instruction Decode(std::uint32_t address, InstructionBytes& bytes)
{
    return Decoder(address, bytes).run();
}

Instruction Decode(std::uint32_t address, std::span<const std::uint8_t> bytes)
{
    SpanBytes source(bytes);
    return Decode(address, source);
}

}  // namespace vyn::dbg
