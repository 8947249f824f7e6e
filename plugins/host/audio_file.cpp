#include "plugins/host/audio_file.h"

#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "common/strings.h"

#include <bit>
#include <fstream>
#include <iterator>

namespace vyn::host {

namespace {

/* read_floats: interleaved little-endian floats of channels channels; the
   size must be whole frames. */
bool read_floats(std::span<const std::uint8_t> bytes, int channels, Audio& audio, std::string& error)
{
    std::size_t frame_bytes = static_cast<std::size_t>(channels) * 4;
    if (bytes.size() % frame_bytes != 0) {
        error = format("the sample data (%s bytes) is not a whole number of %d-channel float frames",
                       std::to_string(bytes.size()).c_str(), channels);
        return false;
    }
    ByteReader reader(bytes);
    audio.channels = channels;
    audio.samples.resize(bytes.size() / 4);
    for (float& sample : audio.samples)
        sample = std::bit_cast<float>(reader.u32());
    return reader.ok();
}

}  // namespace

Audio spread_mono(const Audio& mono, int channels)
{
    Audio spread;
    spread.channels = channels;
    spread.sample_rate = mono.sample_rate;
    spread.samples.reserve(mono.samples.size() * static_cast<std::size_t>(channels));
    for (float sample : mono.samples)
        spread.samples.insert(spread.samples.end(), static_cast<std::size_t>(channels), sample);
    return spread;
}

bool is_wav_name(const std::string& name)
{
    return ends_with_nocase(name, ".wav");
}

std::optional<Audio> parse_raw(std::span<const std::uint8_t> bytes, int channels, std::string& error)
{
    if (channels <= 0 || channels > kMaxAudioChannels) {
        error = vyn::format("cannot read raw audio of %d channels", channels);
        return std::nullopt;
    }
    Audio audio;
    if (!read_floats(bytes, channels, audio, error))
        return std::nullopt;
    return audio;
}

std::vector<std::uint8_t> raw_bytes(const Audio& audio)
{
    ByteWriter writer;
    for (float sample : audio.samples)
        writer.u32(std::bit_cast<std::uint32_t>(sample));
    return writer.release();
}

std::optional<Audio> read_audio_file(const std::string& path, int raw_channels, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    std::string reason;
    auto audio = is_wav_name(path) ? parse_wav(bytes, reason) : parse_raw(bytes, raw_channels, reason);
    if (!audio)
        error = path + ": " + reason;
    return audio;
}

bool write_audio_file(const std::string& path, const Audio& audio, std::string& error)
{
    if (is_wav_name(path) && audio.samples.size() * 4 > 0xFFFFFFFFull - 64) {
        error = path + ": too long for a WAV file";
        return false;
    }
    if (is_wav_name(path) && !wav_rate_writable(audio.sample_rate)) {
        error = vyn::format("%s: a WAV file cannot carry a rate of %.10g Hz", path.c_str(), audio.sample_rate);
        return false;
    }
    std::vector<std::uint8_t> bytes = is_wav_name(path) ? wav_bytes(audio) : raw_bytes(audio);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace vyn::host
