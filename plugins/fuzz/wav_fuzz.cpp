// The WAV and raw readers of vsthost over arbitrary bytes.
#include "plugins/host/audio_file.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::span<const std::uint8_t> bytes(data, size);
    std::string error;
    if (auto audio = vyn::host::parse_wav(bytes, error)) {
        // What was read must survive being written and read again.
        std::string again_error;
        auto again = vyn::host::parse_wav(vyn::host::wav_bytes(*audio), again_error);
        if (!again || again->samples.size() != audio->samples.size())
            __builtin_trap();
    }
    vyn::host::parse_raw(bytes, 2, error);
    return 0;
}
