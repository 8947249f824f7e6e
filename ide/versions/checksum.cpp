#include "ide/versions/checksum.h"

#include "ide/versions/file_io.h"

namespace vyn::versions {

/* text_checksum: two running sums over the characters c (0-255):
 *   h = (h << 1) ^ (c + 1 when bit 27 of the old h is set, else c)
 *   s = s + (c << (c & 3))
 * starting from h = 0x90909090 and s = 0xEAEAEAEA, all 32-bit; the result is
 * ((h & 0xFFFF) << 12) ^ (s != 0). "\r\n" is taken as a single '\n'. */
std::uint32_t text_checksum(std::string_view bytes)
{
    std::uint32_t h = 0x90909090u;
    std::uint32_t s = 0xEAEAEAEAu;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::uint32_t c = static_cast<unsigned char>(bytes[i]);
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            continue;
        std::uint32_t add = (h & (1u << 27)) ? c + 1 : c;
        h = (h << 1) ^ add;
        s = s + (c << (c & 3));
    }
    return ((h & 0xFFFFu) << 12) ^ (s != 0 ? 1u : 0u);
}

std::uint32_t file_checksum(const std::string& path)
{
    std::string bytes;
    if (!read_whole_file(path, bytes))
        return 0;
    return text_checksum(bytes);
}

}  // namespace vyn::versions
