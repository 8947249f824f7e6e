// WAV files: the RIFF chunk walk, the format chunk in its plain and its
// extensible form, the sample codings vsthost reads, and the float WAV it
// writes.
#include "plugins/host/audio_file.h"

#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "common/strings.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace vyn::host {

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
// The plain format chunk; the float and extensible ones add a size word.
constexpr std::uint32_t kPlainFormatSize = 16;
// What the extensible format adds after its size word: valid bits, channel
// mask and the 16-byte subformat GUID.
constexpr std::uint16_t kExtensibleExtraSize = 22;
// The tail that every subformat GUID of the extensible format shares after
// its first four bytes (which carry the plain format tag).
constexpr std::uint8_t kSubformatTail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                             0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// The format chunk's fields, with the extensible format reduced to its
// subformat tag and the valid bits it declares (container bits otherwise).
struct WavFormat {
    std::uint16_t tag = 0;
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::uint16_t block_align = 0;
    std::uint16_t bits = 0;        // bits of one sample's container
    std::uint16_t valid_bits = 0;  // bits that carry the sample, at most bits
};

/* read_format: the "fmt " chunk. False with the reason when the chunk is too
   short for what it claims or its extensible part is not one we know. */
bool read_format(ByteReader chunk, WavFormat& format, std::string& error)
{
    format.tag = chunk.u16();
    format.channels = chunk.u16();
    format.rate = chunk.u32();
    chunk.u32();  // bytes per second: derived, not needed
    format.block_align = chunk.u16();
    format.bits = chunk.u16();
    format.valid_bits = format.bits;
    if (!chunk.ok()) {
        error = vyn::format("the format chunk holds %s bytes, fewer than %u",
                            std::to_string(chunk.size()).c_str(), static_cast<unsigned>(kPlainFormatSize));
        return false;
    }
    if (format.tag != kFormatExtensible)
        return true;
    std::uint16_t extra = chunk.u16();
    format.valid_bits = chunk.u16();
    chunk.u32();  // channel mask: which speakers; the order of the channels is what counts here
    std::uint32_t subformat = chunk.u32();
    auto tail = chunk.take(sizeof kSubformatTail);
    if (!chunk.ok() || extra < kExtensibleExtraSize) {
        error = "the extensible format chunk is too short for its subformat";
        return false;
    }
    if (!std::equal(tail.begin(), tail.end(), kSubformatTail) || subformat > 0xFFFF) {
        error = "the extensible format chunk names a subformat that is not a plain format tag";
        return false;
    }
    format.tag = static_cast<std::uint16_t>(subformat);
    if (format.valid_bits == 0)
        format.valid_bits = format.bits;  // 0: every bit of the container is valid
    return true;
}

std::string coding_text(const WavFormat& format)
{
    if (format.tag == kFormatPcm)
        return vyn::format("%u-bit PCM", format.bits);
    if (format.tag == kFormatFloat)
        return vyn::format("%u-bit float", format.bits);
    return vyn::format("format 0x%04X", format.tag);
}

/* check_format: what the data chunk needs of the format before a sample is
   read. The reason in error when the samples cannot be read. */
bool check_format(const WavFormat& format, std::string& error)
{
    bool pcm = format.tag == kFormatPcm && (format.bits == 16 || format.bits == 24 || format.bits == 32);
    bool floats = format.tag == kFormatFloat && format.bits == 32;
    if (!pcm && !floats) {
        error = "samples are " + coding_text(format) + "; vsthost reads 16-, 24- and 32-bit PCM and 32-bit float";
        return false;
    }
    if (format.valid_bits > format.bits) {
        error = vyn::format("the format claims %u valid bits in %u-bit samples", format.valid_bits, format.bits);
        return false;
    }
    if (format.channels == 0 || format.channels > kMaxAudioChannels) {
        error = vyn::format("unusable channel count %u", format.channels);
        return false;
    }
    if (format.block_align != format.channels * (format.bits / 8)) {
        error = vyn::format("a frame of %u channels of %u bits cannot be %u bytes", format.channels, format.bits,
                            format.block_align);
        return false;
    }
    if (format.rate == 0) {
        error = "the sample rate is 0 Hz";
        return false;
    }
    return true;
}

// One sample of the format's coding, scaled so that PCM full scale is -1 … 1.
float read_sample(ByteReader& reader, const WavFormat& format)
{
    if (format.tag == kFormatFloat)
        return std::bit_cast<float>(reader.u32());
    switch (format.bits) {
    case 16:
        return static_cast<float>(reader.i16()) / 32768.0f;
    case 24: {
        std::uint32_t low = reader.u16();
        std::uint32_t high = reader.u8();
        // Shift the 24 bits to the top of 32 and back, so that the sign spreads.
        auto value = static_cast<std::int32_t>((high << 24) | (low << 8)) >> 8;
        return static_cast<float>(value) / 8388608.0f;
    }
    default:
        return static_cast<float>(static_cast<double>(reader.i32()) / 2147483648.0);
    }
}

/* read_samples: the data chunk as whole frames of the checked format. */
std::optional<Audio> read_samples(std::span<const std::uint8_t> data, const WavFormat& format, std::string& error)
{
    if (data.empty()) {
        error = "the file holds no samples (its data chunk is empty)";
        return std::nullopt;
    }
    if (data.size() % format.block_align != 0) {
        error = vyn::format("the data chunk (%s bytes) is not a whole number of %u-byte frames",
                            std::to_string(data.size()).c_str(), format.block_align);
        return std::nullopt;
    }
    Audio audio;
    audio.channels = format.channels;
    audio.sample_rate = format.rate;
    audio.samples.resize(data.size() / (format.bits / 8));
    ByteReader reader(data);
    for (float& sample : audio.samples)
        sample = read_sample(reader, format);
    if (!reader.ok()) {
        error = "the sample data ends early: " + reader.error();
        return std::nullopt;
    }
    return audio;
}

// A chunk or form tag, byte by byte.
void tag(ByteWriter& writer, const char (&name)[5])
{
    for (int i = 0; i < 4; ++i)
        writer.u8(static_cast<std::uint8_t>(name[i]));
}

// The rate field of a written file; rates that no field can hold give 0,
// which write_audio_file refuses before it gets here.
std::uint32_t rate_field(double rate)
{
    if (!(rate >= 1.0 && rate <= 4294967295.0))
        return 0;
    return static_cast<std::uint32_t>(rate);
}

}  // namespace

/* parse_wav: walks the RIFF chunks (each padded to an even size) for "fmt "
   and "data". No chunk may claim more bytes than the file holds. */
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
            if (!read_format(chunk, f, error))
                return std::nullopt;
            format = f;
        } else if (name == "data") {
            if (!format) {
                error = "data chunk before the format chunk";
                return std::nullopt;
            }
            if (!check_format(*format, error))
                return std::nullopt;
            return read_samples(chunk.take(size), *format, error);
        }
    }
    error = "no data chunk";
    return std::nullopt;
}

/* wav_bytes: RIFF/WAVE with an 18-byte float "fmt " chunk, the "fact" chunk
   that non-PCM formats carry (the frame count), and the data. */
std::vector<std::uint8_t> wav_bytes(const Audio& audio)
{
    auto data_size = static_cast<std::uint32_t>(audio.samples.size() * 4);
    auto channels = static_cast<std::uint16_t>(audio.channels);
    std::uint32_t rate = rate_field(audio.sample_rate);
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

bool wav_rate_writable(double rate)
{
    return rate_field(rate) != 0 && std::trunc(rate) == rate;
}

}  // namespace vyn::host
