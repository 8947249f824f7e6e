// vsthost as a tool: WAV files in and out, and its refusals of bad input.
#include "plugins/tests/vsthost_run.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace vyn::fxtest {
namespace {

void put16(std::vector<unsigned char>& b, unsigned v)
{
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
}

void put32(std::vector<unsigned char>& b, std::uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8)
        b.push_back(static_cast<unsigned char>(v >> shift));
}

void put_text(std::vector<unsigned char>& b, const char* text)
{
    b.insert(b.end(), text, text + std::strlen(text));
}

std::uint32_t get32(const std::vector<unsigned char>& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

float get_float(const std::vector<unsigned char>& b, std::size_t at)
{
    std::uint32_t bits = get32(b, at);
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

/* A WAV file written the way other programs write them: an extensible
   format chunk when asked, a LIST chunk of odd length before the data. */
std::vector<unsigned char> wav(int channels, std::uint32_t rate, const std::vector<float>& samples,
                               bool extensible, unsigned format = 3, unsigned bits = 32)
{
    std::vector<unsigned char> fmt;
    put16(fmt, extensible ? 0xFFFE : format);
    put16(fmt, static_cast<unsigned>(channels));
    put32(fmt, rate);
    put32(fmt, rate * static_cast<std::uint32_t>(channels) * bits / 8);
    put16(fmt, static_cast<unsigned>(channels) * bits / 8);
    put16(fmt, bits);
    if (extensible) {
        put16(fmt, 22);
        put16(fmt, bits);
        put32(fmt, 0);
        put32(fmt, format);
        const unsigned char tail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        fmt.insert(fmt.end(), tail, tail + 12);
    }
    std::vector<unsigned char> body;
    put_text(body, "WAVE");
    put_text(body, "fmt ");
    put32(body, static_cast<std::uint32_t>(fmt.size()));
    body.insert(body.end(), fmt.begin(), fmt.end());
    put_text(body, "LIST");
    put32(body, 3);
    put_text(body, "abc");
    body.push_back(0);  // pad byte
    put_text(body, "data");
    put32(body, static_cast<std::uint32_t>(samples.size() * 4));
    for (float s : samples) {
        std::uint32_t v;
        std::memcpy(&v, &s, 4);
        put32(body, v);
    }
    std::vector<unsigned char> file;
    put_text(file, "RIFF");
    put32(file, static_cast<std::uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

// The sample data of a WAV file written by vsthost, found by walking its chunks here.
struct WavView {
    unsigned format = 0, channels = 0, bits = 0;
    std::uint32_t rate = 0;
    std::vector<float> samples;
};

WavView view(const std::vector<unsigned char>& file)
{
    WavView v;
    if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 || std::memcmp(file.data() + 8, "WAVE", 4) != 0)
        return v;
    EXPECT_EQ(get32(file, 4), file.size() - 8);
    for (std::size_t at = 12; at + 8 <= file.size();) {
        std::uint32_t size = get32(file, at + 4);
        if (std::memcmp(file.data() + at, "fmt ", 4) == 0) {
            v.format = file[at + 8] | (file[at + 9] << 8);
            v.channels = file[at + 10] | (file[at + 11] << 8);
            v.rate = get32(file, at + 12);
            v.bits = file[at + 22] | (file[at + 23] << 8);
        } else if (std::memcmp(file.data() + at, "data", 4) == 0) {
            for (std::size_t i = 0; i + 4 <= size && at + 8 + i + 4 <= file.size(); i += 4)
                v.samples.push_back(get_float(file, at + 8 + i));
        }
        at += 8 + size + (size & 1);
    }
    return v;
}

TEST(VstHost, ProcessesWavFilesInBothFormatsIntoFloatWav)
{
    std::vector<float> stereo = {0.5f, -0.5f, 2.0f, -2.0f, 0.1f, 0.2f};
    for (bool extensible : {false, true}) {
        std::string in = scratch_path("in.wav"), out = scratch_path("out.WAV");
        write_bytes(in, wav(2, 48000, stereo, extensible));
        HostRun run = run_vsthost({plugin_path("Vodaruvezuz"), "--rate", "48000", "--set", "1=1", "--process", in, out});
        ASSERT_EQ(run.exit_code, 0) << run.err;
        EXPECT_EQ(run.err, "");
        WavView v = view(read_bytes(out));
        EXPECT_EQ(v.format, 3u);
        EXPECT_EQ(v.channels, 2u);
        EXPECT_EQ(v.bits, 32u);
        EXPECT_EQ(v.rate, 48000u);
        EXPECT_EQ(v.samples, (std::vector<float>{0.5f, -0.5f, 1.0f, -1.0f, 0.1f, 0.2f}));
    }
}

TEST(VstHost, NotesARateMismatchButProcesses)
{
    std::string in = scratch_path("mono.wav"), out = scratch_path("mono_out.wav");
    write_bytes(in, wav(1, 22050, {1.0f, 0.0f}, false));
    HostRun run = run_vsthost({plugin_path("delay"), "--process", in, out});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.err.find("22050 Hz"), std::string::npos) << run.err;
    WavView v = view(read_bytes(out));
    EXPECT_EQ(v.channels, 2u);
    EXPECT_EQ(v.rate, 44100u);
    EXPECT_EQ(v.samples.size(), 4u);
}

TEST(VstHost, RefusesUnusableAudioWithAMessage)
{
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
        const char* file;
        const char* message;
    };
    std::vector<unsigned char> truncated = wav(2, 44100, std::vector<float>(8, 0.5f), false);
    truncated.resize(truncated.size() - 5);
    std::vector<unsigned char> no_data = wav(2, 44100, {}, false);
    no_data.resize(no_data.size() - 8);
    std::vector<unsigned char> not_riff = {'R', 'I', 'F'};
    std::vector<unsigned char> partial_frame(4 * 3 + 1, 0);
    const Case cases[] = {
        {"16-bit samples", wav(2, 44100, {0.0f, 0.0f}, false, 1, 16), "pcm.wav", "not 32-bit float"},
        {"wrong channel count", wav(1, 44100, {0.0f, 0.0f}, false), "mono.wav", "takes 2"},
        {"data beyond the end", truncated, "short.wav", "claims"},
        {"no data chunk", no_data, "nodata.wav", "no data chunk"},
        {"not a WAV file", not_riff, "bad.wav", "not a WAV file"},
        {"raw, part of a frame", partial_frame, "partial.raw", "whole number"},
    };
    for (const Case& c : cases) {
        std::string in = scratch_path(c.file), out = scratch_path("never.raw");
        write_bytes(in, c.bytes);
        HostRun run = run_vsthost({plugin_path("Vodaruvezuz"), "--process", in, out});
        EXPECT_EQ(run.exit_code, 2) << c.what;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.what << ": " << run.err;
    }
}

TEST(VstHost, AccumulateNeedsAMatchingBase)
{
    std::string in = scratch_path("acc.raw"), base = scratch_path("acc_base.raw"), out = scratch_path("acc_out.raw");
    write_floats(in, {1.0f, 1.0f, 1.0f});
    write_floats(base, {0.0f, 0.0f});  // one stereo frame for three input frames
    HostRun run = run_vsthost({plugin_path("delay"), "--accumulate", in, base, out});
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_NE(run.err.find("base audio"), std::string::npos) << run.err;
}

TEST(VstHost, RejectsBadCommandLinesAndLibraries)
{
    struct Case {
        std::vector<std::string> args;
        int exit_code;
        const char* message;
    };
    std::string not_a_library = scratch_path("text.so");
    write_bytes(not_a_library, {'h', 'e', 'l', 'l', 'o'});
    const Case cases[] = {
        {{plugin_path("delay"), "--set", "3"}, 1, "bad argument for --set"},
        {{plugin_path("delay"), "--set", "x=1"}, 1, "bad argument for --set"},
        {{plugin_path("delay"), "--rate", "fast"}, 1, "bad argument for --rate"},
        {{plugin_path("delay"), "--process", "only-one"}, 1, "needs 2 arguments"},
        {{plugin_path("delay"), "--frobnicate"}, 1, "unknown option"},
        {{"--show"}, 1, "no plug-in named"},
        {{plugin_path("delay"), "--block", "0"}, 2, "block size must be positive"},
        {{plugin_path("delay"), "--rate", "-44100"}, 2, "sample rate must be positive"},
        {{plugin_path("delay"), "--dispatch", "1"}, 2, "closes the effect itself"},
        {{not_a_library}, 2, "cannot load"},
        {{scratch_path("missing.so")}, 2, "cannot load"},
    };
    for (const Case& c : cases) {
        HostRun run = run_vsthost(c.args);
        EXPECT_EQ(run.exit_code, c.exit_code) << c.args.back();
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.args.back() << ": " << run.err;
    }
}

}  // namespace
}  // namespace vyn::fxtest
