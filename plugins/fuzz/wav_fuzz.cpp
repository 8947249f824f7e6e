// The WAV and raw readers of vsthost over arbitrary bytes. Seeds: the WAV
// files of plugins/tests/wav.
#include "plugins/host/audio_file.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace {

// What every audio the readers hand out keeps: whole frames of a usable
// channel count, and a rate a WAV file can carry.
bool well_formed(const vyn::host::Audio& audio, bool from_wav)
{
    if (audio.channels < 1 || audio.channels > vyn::host::kMaxAudioChannels)
        return false;
    if (audio.samples.size() % static_cast<std::size_t>(audio.channels) != 0)
        return false;
    return !from_wav || (!audio.samples.empty() && vyn::host::wav_rate_writable(audio.sample_rate));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::span<const std::uint8_t> bytes(data, size);
    std::string error;
    if (auto audio = vyn::host::parse_wav(bytes, error)) {
        if (!well_formed(*audio, true))
            __builtin_trap();
        // What was read must survive being written and read again, and a
        // mono file being spread over two channels.
        std::string again_error;
        auto again = vyn::host::parse_wav(vyn::host::wav_bytes(*audio), again_error);
        if (!again || again->samples.size() != audio->samples.size() || again->sample_rate != audio->sample_rate)
            __builtin_trap();
        if (audio->channels == 1 && vyn::host::spread_mono(*audio, 2).frames() != audio->frames())
            __builtin_trap();
    } else if (error.empty()) {
        __builtin_trap();  // a refusal always says why
    }
    if (auto raw = vyn::host::parse_raw(bytes, 2, error); raw && !well_formed(*raw, false))
        __builtin_trap();
    return 0;
}
