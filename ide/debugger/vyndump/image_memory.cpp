#include "ide/debugger/vyndump/image_memory.h"

#include <algorithm>

namespace vyn::dbg {

bool ImageMemory::read(std::uint32_t address, std::span<std::uint8_t> out)
{
    std::uint64_t rva = std::uint64_t{address} - info_.image_base;
    if (address < info_.image_base)
        return false;
    for (const DebugInfo::Section& s : info_.sections) {
        std::uint64_t size = std::max(s.virtual_size, s.raw_size);
        if (rva < s.virtual_address || rva + out.size() > std::uint64_t{s.virtual_address} + size)
            continue;
        for (std::size_t k = 0; k < out.size(); ++k) {
            std::uint64_t offset = rva - s.virtual_address + k;
            std::uint64_t pos = std::uint64_t{s.raw_pos} + offset;
            out[k] = offset < s.raw_size && pos < file_.size() ? file_[static_cast<std::size_t>(pos)] : 0;
        }
        return true;
    }
    return false;
}

}  // namespace vyn::dbg
