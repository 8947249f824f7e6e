// Drives the reader with operations chosen by the input itself: the first
// bytes select reads, seeks and sub-ranges over the rest. Any out-of-bounds
// access shows up under AddressSanitizer.
#include <cstddef>
#include <cstdint>

#include "common/byte_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    std::size_t ops = data[0] % 32;
    if (ops + 1 > size)
        return 0;
    std::span<const std::uint8_t> script(data + 1, ops);
    vyn::ByteReader r(std::span<const std::uint8_t>(data + 1 + ops, size - 1 - ops));
    for (std::uint8_t op : script) {
        switch (op % 12) {
        case 0: r.u8(); break;
        case 1: r.u16(); break;
        case 2: r.u32(); break;
        case 3: r.u64(); break;
        case 4: r.c_string(); break;
        case 5: r.fixed_string(op / 12); break;
        case 6: r.length_prefixed_string(); break;
        case 7: r.skip(op / 12); break;
        case 8: r.seek(op); break;
        case 9: r.align(op / 12 + 1); break;
        case 10: {
            vyn::ByteReader inner = r.sub(op / 24, op / 12);
            inner.u32();
            inner.c_string();
            break;
        }
        case 11: r.take(op / 4); break;
        }
        if (r.position() > r.size())
            __builtin_trap();
    }
    return 0;
}
