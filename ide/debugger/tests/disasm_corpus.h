// A generated corpus for the decoder: every entry of the opcode maps, the
// groups and the floating-point tables, with every ModRM form (each mod and
// r/m, SIB bytes with and without base and index, 8- and 32-bit
// displacements) and the prefixes that apply (operand and address size,
// segment overrides, lock, rep).
#pragma once

#include <cstdint>
#include <vector>

namespace vyn::dbg::test {

struct CorpusInstruction {
    std::vector<std::uint8_t> bytes;
};

// Each instruction is cut to the length the decoder gives it, so a wrong
// length shows as a disagreement with the oracle at that offset.
std::vector<CorpusInstruction> generate_corpus();

}  // namespace vyn::dbg::test
