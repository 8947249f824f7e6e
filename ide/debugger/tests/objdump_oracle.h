// llvm-objdump as the decoder's oracle: bytes are put into the ".text" of an
// i386 COFF object, disassembled in AT&T syntax, and each instruction's
// offset, length and text are read back; plus the normalisation that makes
// the two spellings comparable.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vyn::dbg::test {

struct OracleInstruction {
    std::size_t length = 0;
    std::string text;  // mnemonic and operands as llvm-objdump prints them
};

// Offsets of the instructions of code, as llvm-objdump decodes them in order.
std::map<std::size_t, OracleInstruction> objdump_code(const std::vector<std::uint8_t>& code,
                                                      const std::string& scratch_name);
// The ".text" instructions of an existing object or image, offsets from the section start.
std::map<std::size_t, OracleInstruction> objdump_file(const std::string& path, std::size_t* text_size);

// The two spellings in one form (see the table in disasm_test.cpp).
std::string normalise_ours(const std::string& text, bool operand_size_16);
std::string normalise_llvm(const std::string& text, bool operand_size_16);

// A scratch directory for this test binary.
std::string scratch_dir();

}  // namespace vyn::dbg::test
