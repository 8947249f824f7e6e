// Audio files: raw (interleaved little-endian 32-bit floats, the channel
// count known from elsewhere) and WAV. WAV files are read with 16-, 24- or
// 32-bit PCM or 32-bit float samples, in the plain or the extensible format,
// and written with 32-bit float samples.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vyn::host {

// Channel counts beyond this are taken for damage, not audio.
inline constexpr int kMaxAudioChannels = 64;

struct Audio {
    int channels = 0;
    double sample_rate = 0.0;    // 0 when the file does not say (raw); WAV files always say
    std::vector<float> samples;  // interleaved; size is a multiple of channels

    std::size_t frames() const { return channels > 0 ? samples.size() / static_cast<std::size_t>(channels) : 0; }
};

// Mono audio copied into channels channels, frame by frame.
Audio spread_mono(const Audio& mono, int channels);

// Whether a file name asks for WAV (it ends in ".wav", any case).
bool is_wav_name(const std::string& name);

// Parses a WAV file whose samples are 16-, 24- or 32-bit PCM or 32-bit
// float (format 1 or 3, or the extensible format with one of those
// subformats), converted to floats (PCM full scale is -1 ... 1). Nothing on
// any other, damaged or empty file, with the reason in error.
std::optional<Audio> parse_wav(std::span<const std::uint8_t> bytes, std::string& error);
// Interleaved floats of channels channels; the size must be whole frames.
std::optional<Audio> parse_raw(std::span<const std::uint8_t> bytes, int channels, std::string& error);

// A WAV file of 32-bit float samples. audio.sample_rate must be a whole number of Hz.
std::vector<std::uint8_t> wav_bytes(const Audio& audio);
std::vector<std::uint8_t> raw_bytes(const Audio& audio);
// Whether a WAV file can carry rate: a whole number of Hz its 32-bit field holds.
bool wav_rate_writable(double rate);

// Reads or writes a file as WAV or raw by its name (raw files have
// raw_channels channels). Failures give nothing / false with error set.
std::optional<Audio> read_audio_file(const std::string& path, int raw_channels, std::string& error);
bool write_audio_file(const std::string& path, const Audio& audio, std::string& error);

}  // namespace vyn::host
