#include "ide/shell/version_text.h"

#include <ctime>

#include "common/byte_reader.h"
#include "common/strings.h"

namespace vyn::shell {

std::optional<std::uint32_t> link_time_stamp(std::span<const std::uint8_t> image)
{
    std::uint32_t header = 0, signature = 0, stamp = 0;
    if (image.size() < 2 || image[0] != 'M' || image[1] != 'Z' || !vyn::read_u32_at(image, 60, header) ||
        !vyn::read_u32_at(image, header, signature) || signature != 0x00004550 ||
        !vyn::read_u32_at(image, std::size_t(header) + 8, stamp))
        return std::nullopt;
    return stamp;
}

std::string version_message(const std::string& version, std::optional<std::uint32_t> stamp)
{
    std::string when = "<not known>";
    if (stamp) {
        std::time_t time = std::time_t(*stamp);
        char text[64];
        if (std::strftime(text, sizeof text, "%a %b %d %H:%M:%S %Y", std::gmtime(&time)))
            when = text;
    }
    return vyn::format("Tavra %s\nCompiled %s", version.c_str(), when.c_str());
}

}  // namespace vyn::shell
