// Arbitrary bytes as an executable: the load, every look-up, import
// resolution over the bytes themselves as the debuggee's memory, a DLL load
// on top, and the listing of every function. None may crash, hang or read
// outside the bytes.
#include "ide/debugger/dbginfo.h"
#include "ide/debugger/listing.h"
#include "ide/debugger/vyndump/image_memory.h"

#include <cstdlib>

using namespace vyn::dbg;

namespace {
struct FileMemory : MemoryReader {
    std::span<const std::uint8_t> bytes;
    bool read(std::uint32_t address, std::span<std::uint8_t> out) override
    {
        std::uint32_t at = address - 0x400000;
        if (address < 0x400000 || at > bytes.size() || out.size() > bytes.size() - at)
            return false;
        std::copy_n(bytes.begin() + at, out.size(), out.begin());
        return true;
    }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::span<const std::uint8_t> bytes(data, size);
    DebugInfo d;
    Tell quiet = [](const std::string& m) {
        if (m.empty())
            std::abort();  // every message says something
    };
    d.load_executable(bytes, "fuzz.exe", 0x400000, quiet);
    d.find_entry_function(quiet);
    FileMemory memory;
    memory.bytes = bytes;
    d.resolve_imports(memory, quiet);
    for (int m = 1; m <= d.module_count(); ++m) {
        const ModuleEntry& e = d.modules[static_cast<std::size_t>(m)];
        if (e.line_addresses.size() != e.line_numbers.size())
            std::abort();
        for (std::size_t k = 0; k < e.line_addresses.size() && k < 64; ++k) {
            d.line_of_address(e.line_addresses[k]);
            d.addresses_of_line(m, e.line_numbers[k]);
        }
        ImageMemory image(d, bytes);
        ListingOptions options;
        options.source_annotation = true;
        options.code_bytes = true;
        options.source_line = [](int, std::uint16_t) { return std::string("text"); };
        int listed = 0;
        for (const FunctionRecord& f : e.functions) {
            d.function_lines(m, f);
            if (f.end > f.start && f.end - f.start <= 0x10000 && listed++ < 8)
                BuildFunctionListing(d, image, m, f, options);
        }
    }
    for (std::size_t t = 0; t < d.types.offsets.size() && t < 256; ++t)
        d.type_record(static_cast<std::uint16_t>(0x1000 + t));
    d.coff_function(d.code_start + 16);
    d.find_symbol("main", 1);
    d.find_constant("x", 1);
    DllRecord dll;
    dll.base = 0x10000000;
    d.load_dll(bytes, dll, quiet);
    primitive_type_name(static_cast<std::uint16_t>(size));
    return 0;
}
