// The instruction decoder of the debugger: one 32-bit x86 instruction (i386,
// i387 and MMX instruction sets, 486 system additions) to one line of text in
// AT&T operand order: source first, registers with "%", immediates with "$",
// code and data addresses as "0x%x".
//
// The decoder asks its byte source for each byte before it uses it, so it
// never reads past what the source holds; an instruction that runs past the
// end of the source is reported as truncated and consumes what was there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vyn::dbg {

// The bytes of the code being decoded, asked for one at a time.
class InstructionBytes {
public:
    virtual ~InstructionBytes() = default;
    // Byte index counted from the instruction's first byte; false when the
    // source holds no such byte.
    virtual bool fetch(std::size_t index, std::uint8_t& byte) = 0;
};

// A source over a span of memory.
class SpanBytes final : public InstructionBytes {
public:
    explicit SpanBytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool fetch(std::size_t index, std::uint8_t& byte) override
    {
        if (index >= bytes_.size())
            return false;
        byte = bytes_[index];
        return true;
    }

private:
    std::span<const std::uint8_t> bytes_;
};

// Prefix flags, one bit per prefix byte seen before the opcode.
namespace prefix {
constexpr std::uint32_t kRepz = 1, kRepnz = 2, kLock = 4, kCs = 8, kSs = 0x10, kDs = 0x20, kEs = 0x40,
                        kFs = 0x80, kGs = 0x100, kOperandSize = 0x200, kAddressSize = 0x400, kFwait = 0x800;
}

// What one decoded instruction is.
struct Instruction {
    std::size_t length = 0;       // bytes consumed, prefixes included (at least 1)
    std::string text;             // mnemonic padded to column 8, operands source first
    bool valid = true;            // false for "(bad)" and truncated instructions
    bool truncated = false;       // the source ended inside the instruction
    std::uint32_t prefixes = 0;   // prefix flags
    // A relative jump or call: its absolute target, and which of the two.
    std::optional<std::uint32_t> target;
    bool is_call = false;
    bool is_jump = false;
    // The displacement of the last memory operand based on EBP.
    std::optional<std::int32_t> ebp_displacement;
    // Where the operands begin in text (text.size() when there are none).
    std::size_t operand_column = 0;
};

/* Decodes the instruction whose first byte is bytes.fetch(0), located at
   address (used for relative targets). Never fails: a meaningless byte
   sequence is "(bad)" with a length of at least 1. */
Instruction Decode(std::uint32_t address, InstructionBytes& bytes);

// The same over a span; decoding stops at the span's end.
Instruction Decode(std::uint32_t address, std::span<const std::uint8_t> bytes);

}  // namespace vyn::dbg
