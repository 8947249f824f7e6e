#include "plugins/host/audio_file.h"

#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "common/strings.h"

#include <algorithm>
#include <bit>
#include <fstream>
#include <iterator>

namespace vyn::host {

namespace {

constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
// The tail that every subformat GUID of the extensible format shares after
// its first four bytes (which carry the plain format tag).
constexpr std::uint8_t kSubformatTail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                             0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr int kMaxChannels = 64;

struct WavFormat {
    std::uint16_t tag = 0;
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::uint16_t block_align = 0;
    std::uint16_t bits = 0;
};

/* read_format: the "fmt " chunk's fields, with the extensible format reduced
   to its subformat tag. False when the chunk is too short for what it claims. */
bool read_format(ByteReader chunk, WavFormat& format)
{
    format.tag = chunk.u16();
    format.channels = chunk.u16();
    format.rate = chunk.u32();
    chunk.u32();  // bytes per second: derived, not needed
    format.block_align = chunk.u16();
    format.bits = chunk.u16();
    if (!chunk.ok())
        return false;
    if (format.tag == kFormatExtensible) {
        std::uint16_t extra = chunk.u16();
        if (!chunk.ok() || extra < 22)
            return false;
        chunk.u16();  // valid bits
        chunk.u32();  // channel mask
        std::uint32_t subformat = chunk.u32();
        auto tail = chunk.take(sizeof kSubformatTail);
        if (!chunk.ok() || !std::equal(tail.begin(), tail.end(), kSubformatTail) || subformat > 0xFFFF)
            return false;
        format.tag = static_cast<std::uint16_t>(subformat);
    }
    return true;
}

bool parse_floats(std::span<const std::uint8_t> bytes, int channels, Audio& audio, std::string& error)
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

// A chunk or form tag, byte by byte.
void tag(ByteWriter& writer, const char (&name)[5])
{
    for (int i = 0; i < 4; ++i)
        writer.u8(static_cast<std::uint8_t>(name[i]));
}

}  // namespace

bool is_wav_name(const std::string& name)
{
    return ends_with_nocase(name, ".wav");
}

/* parse_wav: walks the RIFF chunks (each padded to an even size) for "fmt "
   and "data". The data chunk may not claim more bytes than the file holds. */
std::optional<Audio> parse_wav(std::span<const std::uint8_t> bytes, std::string& error)
{
    ByteReader reader(bytes);
    auto riff = reader.take(4);
    reader.u32();  // RIFF size: the chunks are walked up to the file's end instead
    auto wave = reader.take(4);
    if (!reader.ok() || !std::equal(riff.begin(), riff.end(), "RIFF") || !std::equal(wave.begin(), wave.end(), "WAVE")) {
        error = "not a WAV file";
        return std::nullopt;
    }
    std::optional<WavFormat> format;
    while (reader.remaining() >= 8) {
        auto id = reader.take(4);
        std::uint32_t size = reader.u32();
        if (size > reader.remaining()) {
            error = vyn::format("chunk at offset %s claims %u bytes, only %s follow",
                                std::to_string(reader.position() - 8).c_str(), static_cast<unsigned>(size),
                                std::to_string(reader.remaining()).c_str());
            return std::nullopt;
        }
        ByteReader chunk = reader.sub(reader.position(), size);
        reader.skip(size);
        if (size % 2 != 0 && !reader.at_end())
            reader.skip(1);
        std::string name(id.begin(), id.end());
        if (name == "fmt ") {
            WavFormat f;
            if (!read_format(chunk, f)) {
                error = "damaged format chunk";
                return std::nullopt;
            }
            format = f;
        } else if (name == "data") {
            if (!format) {
                error = "data chunk before the format chunk";
                return std::nullopt;
            }
            if (format->tag != kFormatFloat || format->bits != 32) {
                error = vyn::format("samples are not 32-bit float (format %u, %u bits)", format->tag, format->bits);
                return std::nullopt;
            }
            if (format->channels == 0 || format->channels > kMaxChannels || format->block_align != format->channels * 4) {
                error = vyn::format("unusable channel layout (%u channels, %u bytes per frame)", format->channels,
                                    format->block_align);
                return std::nullopt;
            }
            Audio audio;
            audio.sample_rate = format->rate;
            if (!parse_floats(chunk.take(size), format->channels, audio, error))
                return std::nullopt;
            return audio;
        }
    }
    error = "no data chunk";
    return std::nullopt;
}

std::optional<Audio> parse_raw(std::span<const std::uint8_t> bytes, int channels, std::string& error)
{
    if (channels <= 0 || channels > kMaxChannels) {
        error = vyn::format("cannot read raw audio of %d channels", channels);
        return std::nullopt;
    }
    Audio audio;
    if (!parse_floats(bytes, channels, audio, error))
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

/* wav_bytes: RIFF/WAVE with an 18-byte float "fmt " chunk, the "fact" chunk
   that non-PCM formats carry (the frame count), and the data. */
std::vector<std::uint8_t> wav_bytes(const Audio& audio)
{
    auto data_size = static_cast<std::uint32_t>(audio.samples.size() * 4);
    auto channels = static_cast<std::uint16_t>(audio.channels);
    auto rate = static_cast<std::uint32_t>(audio.sample_rate);
    ByteWriter writer;
    tag(writer, "RIFF");
    writer.u32(4 + (8 + 18) + (8 + 4) + (8 + data_size));
    tag(writer, "WAVE");
    tag(writer, "fmt ");
    writer.u32(18);
    writer.u16(kFormatFloat);
    writer.u16(channels);
    writer.u32(rate);
    writer.u32(rate * channels * 4);
    writer.u16(static_cast<std::uint16_t>(channels * 4));
    writer.u16(32);
    writer.u16(0);
    tag(writer, "fact");
    writer.u32(4);
    writer.u32(static_cast<std::uint32_t>(audio.frames()));
    tag(writer, "data");
    writer.u32(data_size);
    writer.bytes(raw_bytes(audio));
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
