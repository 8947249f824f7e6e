// vsthost reading WAV files written by another program (plugins/tests/wav,
// made by make_wavs.sh): every coding it accepts gives the same samples, a
// mono file feeds both inputs of a stereo effect, and the output carries the
// file's rate.
#include "plugins/tests/vsthost_run.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace vyn::fxtest {
namespace {

std::string wav_file(const char* name)
{
    return std::string(PLUGINS_WAV_DIR) + "/" + name;
}

// The frames make_wavs.sh writes: left k/8 and right -k/16 for k = -8 … 7.
std::vector<float> ramp(bool mono)
{
    std::vector<float> samples;
    for (int k = -8; k <= 7; ++k) {
        samples.push_back(static_cast<float>(k) / 8.0f);
        samples.push_back(mono ? static_cast<float>(k) / 8.0f : static_cast<float>(-k) / 16.0f);
    }
    return samples;
}

std::uint32_t le32(const std::vector<unsigned char>& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// The rate and the float samples of a file vsthost wrote (its fixed layout:
// an 18-byte format chunk, a fact chunk, then the data).
struct Written {
    std::uint32_t rate = 0;
    std::vector<float> samples;
};

Written written(const std::string& path)
{
    std::vector<unsigned char> b = read_bytes(path);
    Written w;
    if (b.size() < 58)
        return w;
    w.rate = le32(b, 24);
    for (std::size_t at = 58; at + 4 <= b.size(); at += 4) {
        std::uint32_t bits = le32(b, at);
        float value;
        std::memcpy(&value, &bits, 4);
        w.samples.push_back(value);
    }
    return w;
}

TEST(WavInput, EveryCodingGivesTheSameSamplesAtTheFilesRate)
{
    struct Case {
        const char* file;
        std::uint32_t rate;
        bool mono;
    };
    const Case cases[] = {
        {"mono_pcm16.wav", 22050, true},       {"stereo_pcm16.wav", 44100, false},
        {"stereo_pcm24.wav", 96000, false},    {"stereo_pcm24_extensible.wav", 48000, false},
        {"mono_float.wav", 48000, true},       {"stereo_float.wav", 32000, false},
    };
    for (const Case& c : cases) {
        std::string out = scratch_path("wav_input_out.wav");
        // Gain 0 and clip level 1 pass the ramp through unchanged.
        HostRun run = run_vsthost({plugin_path("Vodaruvezuz"), "--set", "1=1", "--process", wav_file(c.file), out});
        ASSERT_EQ(run.exit_code, 0) << c.file << ": " << run.err;
        EXPECT_EQ(run.err, "") << c.file;
        Written w = written(out);
        EXPECT_EQ(w.rate, c.rate) << c.file;
        EXPECT_EQ(w.samples, ramp(c.mono)) << c.file;
    }
}

TEST(WavInput, FilesTheEffectCannotTakeAreRefusedWithAMessage)
{
    struct Case {
        const char* plugin;
        const char* file;
        const char* message;
    };
    const Case cases[] = {
        {"Vodaruvezuz", "empty.wav", "holds no samples"},
        {"Vodaruvezuz", "three_channels.wav", "the input has 3 channels, the effect takes 2"},
        {"delay", "stereo_pcm16.wav", "the input has 2 channels, the effect takes 1"},
    };
    for (const Case& c : cases) {
        std::string out = scratch_path("wav_refused_out.wav");
        HostRun run = run_vsthost({plugin_path(c.plugin), "--process", wav_file(c.file), out});
        EXPECT_EQ(run.exit_code, 2) << c.file;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.file << ": " << run.err;
        EXPECT_TRUE(read_bytes(out).empty()) << c.file;
    }
}

}  // namespace
}  // namespace vyn::fxtest
