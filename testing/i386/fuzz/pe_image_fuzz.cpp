// Feeds arbitrary files to the PE32 reader and the loader. Whatever the
// bytes, the reader must either describe an image or give an error, and
// never read outside the file; what it keeps must respect the loader's
// limits and stay proportional to the file. An image it accepts is then
// loaded into a machine (imports bound, relocations applied, TLS set up),
// which must succeed or give a message.
//
// The seed corpus (corpus/) holds real linked images: vynlnk's and
// lld-link's, with imports, base relocations and a TLS directory, and DLLs
// with exports (one of lld-link's with forwarders).
#include "testing/i386/machine.h"
#include "testing/i386/pe_image.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace vyn::i386;

bool inside(std::span<const std::uint8_t> part, const std::uint8_t* data, std::size_t size)
{
    return part.empty() || (part.data() >= data && part.data() + part.size() <= data + size);
}

void check_image(const PeImage& image, const std::uint8_t* data, std::size_t size)
{
    if (image.entry_rva >= image.size_of_image || image.imports.size() > kMaxImports ||
        image.sections.size() > kMaxSections || !inside(image.headers, data, size))
        std::abort();
    std::uint64_t previous_end = 0, kept = image.headers.size();
    for (const Section& s : image.sections) {
        if (s.rva < previous_end || std::uint64_t(s.rva) + s.virtual_size > image.size_of_image ||
            s.data.size() > s.virtual_size || !inside(s.data, data, size))
            std::abort();
        previous_end = std::uint64_t(s.rva) + s.virtual_size;
    }
    for (const ImportedFunction& import : image.imports) {
        if (std::size_t(import.slot_rva) + 4 > image.size_of_image)
            std::abort();
        kept += import.name.size();
    }
    for (const Relocation& r : image.relocations)
        if (std::uint64_t(r.rva) + relocation_width(r.type) > image.size_of_image)
            std::abort();
    // Names come from the file (ordinals add a few characters each).
    if (kept > size + 8 * image.imports.size())
        std::abort();
    // So do export names and forwarders; an export the image holds lies in it.
    std::uint64_t export_text = 0;
    for (const Export& e : image.exports) {
        if (e.forwarder.empty() && e.rva >= image.size_of_image)
            std::abort();
        export_text += e.name.size() + e.forwarder.size();
    }
    if (export_text > size || image.exports.size() > 2 * std::size_t(kMaxExports))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::span<const std::uint8_t> file(data, size);
    PeImage image;
    std::string error;
    if (!read_pe_image(file, image, error)) {
        if (error.empty())
            std::abort();
        return 0;
    }
    check_image(image, data, size);
    BufferConsole console;
    Machine machine(console);
    if (!machine.load(file, "fuzz.exe") && machine.error().empty())
        std::abort();
    return 0;
}
