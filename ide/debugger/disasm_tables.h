// The opcode tables of the decoder: the one-byte and two-byte maps, the 19
// ModRM-reg groups and the floating-point escape tables. Each entry is a
// mnemonic template and up to three operand decoders in table order
// (destination first); the decoder prints them reversed.
//
// Template letters: "S" becomes "l" or "w" by operand size, "N" becomes "n"
// unless an fwait prefix was seen, "C" becomes "e" with 32-bit addresses. A
// template "a|b" is a for 32-bit operands and b for 16-bit ones.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace vyn::dbg::tables {

// Operand decoders; the letters after the kind say the size: b byte, w word,
// v word or long by operand size, d long, q MMX quadword.
enum class Op : std::uint8_t {
    None,
    Eb, Ew, Ev, Ed,            // register or memory from ModRM r/m
    Gb, Gw, Gv, Gd,            // register from ModRM reg
    M,                          // memory only
    IndirEv, IndirM,            // "*" indirect jump and call targets
    Ib, Iw, Iv, SIb,            // immediates; SIb is sign-extended to the operand size
    Jb, Jv,                     // relative targets
    Ap,                         // far pointer segment:offset
    Ob, Ov,                     // absolute memory offset (moffs)
    Sw, Cd, Dd, Td, Rd,         // segment, control, debug, test registers; Rd the r/m register
    Xb, Xv, Yb, Yv,             // string source and destination
    Dx,                         // "(%dx)" port
    Cl, Al, EAx,                // fixed registers (EAx by operand size)
    RegB, RegV,                 // register in the opcode's low three bits
    Es, Cs, Ss, Ds, Fs, Gs,     // segment registers by name
    Pq, Qq, Nq,                 // MMX register from reg, MMX or memory from r/m, MMX from r/m
    St, Sti,                    // "%st" and "%st(i)" from r/m
    Eax32,                      // "%eax" regardless of size (status word store)
};

struct Entry {
    std::string_view tmpl;      // empty for a group or the floating-point escape
    std::array<Op, 3> ops{};
    std::int8_t group = -1;     // group number, or -1
    bool fpu = false;           // escape 0xD8 to 0xDF
};

// The group numbers, in the order the group tables are kept.
enum Group : std::int8_t {
    kGroup80, kGroup81, kGroup83, kGroupC0, kGroupC1, kGroupD0, kGroupD1, kGroupD2, kGroupD3,
    kGroupF6, kGroupF7, kGroupFE, kGroupFF, kGroup0F00, kGroup0F01, kGroup0FBA, kGroup0F71, kGroup0F72,
    kGroup0F73, kGroupCount,
    kGroup8F = kGroupCount, kGroupC6, kGroupC7, kGroupAllCount  // reg 0 only: pop, mov
};

struct FpuRegisterForm {
    Entry entry;                       // used when names is empty
    std::array<std::string_view, 8> names{};  // a sub-group by r/m; "" means "(bad)"
    bool by_rm = false;
};

const std::array<Entry, 256>& one_byte();
const std::array<Entry, 256>& two_byte();
const std::array<Entry, 8>& group(int number);
// Memory forms: index (escape - 0xD8) * 8 + reg.
const std::array<std::string_view, 64>& fpu_memory();
// Register forms: index (escape - 0xD8) * 8 + reg.
const std::array<FpuRegisterForm, 64>& fpu_register();

}  // namespace vyn::dbg::tables
