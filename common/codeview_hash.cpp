#include "common/codeview_hash.h"

namespace vyn {

std::uint32_t DWordXorLrl(std::string_view name)
{
    std::size_t n = name.size();
    std::uint32_t tail = 0;
    while (n % 4 != 0) {
        tail |= static_cast<std::uint8_t>(name[n - 1]) & 0xDFu;
        tail <<= 8;
        --n;
    }
    std::uint32_t h = 0;
    for (std::size_t i = 0; i < n; i += 4) {
        std::uint32_t word = 0;
        for (std::size_t k = 0; k < 4; ++k)
            word |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(name[i + k])) << (8 * k);
        h ^= word & 0xDFDFDFDFu;
        h = (h << 4) | (h >> 28);
    }
    return h ^ tail;
}

}  // namespace vyn
