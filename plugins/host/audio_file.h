// 32-bit float audio files: raw (interleaved little-endian floats, the
// channel count known from elsewhere) and WAV with IEEE float samples.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vyn::host {

struct Audio {
    int channels = 0;
    double sample_rate = 0.0;    // 0 when the file does not say (raw)
    std::vector<float> samples;  // interleaved; size is a multiple of channels

    std::size_t frames() const { return channels > 0 ? samples.size() / static_cast<std::size_t>(channels) : 0; }
};

// Whether a file name asks for WAV (it ends in ".wav", any case).
bool is_wav_name(const std::string& name);

// Parses a WAV file holding 32-bit IEEE float samples (format 3, or the
// extensible format with the float subformat). Nothing on any other or a
// damaged file, with the reason in error.
std::optional<Audio> parse_wav(std::span<const std::uint8_t> bytes, std::string& error);
// Interleaved floats of channels channels; the size must be whole frames.
std::optional<Audio> parse_raw(std::span<const std::uint8_t> bytes, int channels, std::string& error);

std::vector<std::uint8_t> wav_bytes(const Audio& audio);
std::vector<std::uint8_t> raw_bytes(const Audio& audio);

// Reads or writes a file as WAV or raw by its name (raw files have
// raw_channels channels). Failures give nothing / false with error set.
std::optional<Audio> read_audio_file(const std::string& path, int raw_channels, std::string& error);
bool write_audio_file(const std::string& path, const Audio& audio, std::string& error);

}  // namespace vyn::host
