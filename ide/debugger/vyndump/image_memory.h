// The memory of an image as the loader would lay it out, read from the
// file's sections: what vyndump disassembles without a running process.
#pragma once

#include "ide/debugger/dbginfo.h"

namespace vyn::dbg {

class ImageMemory final : public MemoryReader {
public:
    ImageMemory(const DebugInfo& info, std::span<const std::uint8_t> file) : info_(info), file_(file) {}
    // Bytes of a section beyond its raw data read as zeros; addresses
    // outside every section fail.
    bool read(std::uint32_t address, std::span<std::uint8_t> out) override;

private:
    const DebugInfo& info_;
    std::span<const std::uint8_t> file_;
};

}  // namespace vyn::dbg
