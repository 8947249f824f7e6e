// Feeds arbitrary files to the PE32 reader. Whatever the bytes, it must
// either build an image or give an error, and never read outside the file;
// an image it accepts must have its entry point and IAT slots inside the
// mapped bytes, since the machine writes there without further checks.
#include "testing/i386/pe_image.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vyn::i386::PeImage image;
    std::string error;
    if (!vyn::i386::read_pe_image(std::span<const std::uint8_t>(data, size), image, error)) {
        if (error.empty())
            std::abort();
        return 0;
    }
    if (image.entry_rva >= image.mapped.size())
        std::abort();
    for (const auto& import : image.imports)
        if (std::size_t(import.slot_rva) + 4 > image.mapped.size())
            std::abort();
    return 0;
}
