// Any bytes as a clang object: the conversion reports or converts, and a
// converted object reads back.
#include "kit/vyn/convert/coff_object.h"
#include "kit/vyn/convert/object_converter.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vyn::cc::ConversionResult r = vyn::cc::convert_object({data, size}, {"C:\\src\\fuzz.c", "/src/fuzz.c"});
    if (r.object) {
        std::string error;
        if (!vyn::cc::read_coff_object(*r.object, error))
            std::abort();  // what was written must read back
    }
    return 0;
}
