// Arbitrary bytes as code: decoding walks them instruction by instruction.
// Each instruction must take at least one byte, never more than remain,
// and have a text; the fetch source never hands out bytes past the end.
#include "ide/debugger/disasm.h"

#include <cstdlib>

using namespace vyn::dbg;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::span<const std::uint8_t> bytes(data, size);
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        Instruction in = Decode(0x401000 + static_cast<std::uint32_t>(pos), bytes.subspan(pos));
        if (in.length == 0 || in.length > bytes.size() - pos || in.text.empty() ||
            in.operand_column > in.text.size())
            std::abort();
        if (in.truncated && pos + in.length != bytes.size())
            std::abort();
        pos += in.length;
    }
    return 0;
}
