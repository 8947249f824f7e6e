// Any bytes as a clang object, or (starting with the C13 signature) as the
// contents of a ".debug$S" or ".debug$T" section: the conversion reports or
// converts, never reads outside its input, and a converted object reads back.
#include "kit/vyn/convert/c13_reader.h"
#include "kit/vyn/convert/coff_object.h"
#include "kit/vyn/convert/object_converter.h"
#include "kit/vyn/convert/symbol_converter.h"
#include "kit/vyn/convert/type_converter.h"

#include <cstdint>
#include <cstdlib>

namespace {

void convert_sections(std::span<const std::uint8_t> bytes)
{
    vyn::cc::TypeConversion types = vyn::cc::convert_types(bytes);
    std::string error;
    if (auto symbols = vyn::cc::c13::read_debug_symbols(bytes, error)) {
        // Relocations at every fourth offset, as clang's records carry them.
        std::vector<vyn::coff::Relocation> relocations;
        for (std::uint32_t at = 0; at < bytes.size() && relocations.size() < 64; at += 4)
            relocations.push_back({at, at / 4, vyn::coff::reloc_i386::kSecRel});
        vyn::cc::convert_symbols(*symbols, relocations, types.map,
                                 [&](std::uint32_t, std::uint32_t addend) { return bytes.subspan(addend % (bytes.size() + 1)); });
        for (const auto& block : symbols->lines)
            for (const auto& file : block.files)
                vyn::cc::c13::file_name(*symbols, file.file_id);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::span<const std::uint8_t> bytes(data, size);
    if (size >= 4 && data[0] == 4 && data[1] == 0 && data[2] == 0 && data[3] == 0) {
        convert_sections(bytes);
        return 0;
    }
    vyn::cc::ConversionResult r = vyn::cc::convert_object(bytes, {"C:\\src\\fuzz.c", "/src/fuzz.c"});
    if (r.object) {
        std::string error;
        if (!vyn::cc::read_coff_object(*r.object, error))
            std::abort();  // what was written must read back
    }
    return 0;
}
