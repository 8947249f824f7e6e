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

// The fields of a format chunk, the extensible ones included.
struct Fmt {
    unsigned tag = 3;  // the plain tag, or the subformat of an extensible chunk
    unsigned channels = 2;
    std::uint32_t rate = 44100;
    unsigned bits = 32;
    bool extensible = false;
    unsigned block_align = 0;  // 0: channels × bits / 8
    unsigned valid_bits = 0;   // extensible: 0 means every bit
    unsigned extra = 22;       // extensible: the size of what follows the size word
};

std::vector<unsigned char> float_data(const std::vector<float>& samples)
{
    std::vector<unsigned char> data;
    for (float s : samples) {
        std::uint32_t v;
        std::memcpy(&v, &s, 4);
        put32(data, v);
    }
    return data;
}

/* A WAV file written the way other programs write them: the format chunk,
   a LIST chunk of odd length (with its pad byte), then the data. */
std::vector<unsigned char> wav_file(const Fmt& f, const std::vector<unsigned char>& data)
{
    unsigned align = f.block_align ? f.block_align : f.channels * f.bits / 8;
    std::vector<unsigned char> fmt;
    put16(fmt, f.extensible ? 0xFFFE : f.tag);
    put16(fmt, f.channels);
    put32(fmt, f.rate);
    put32(fmt, f.rate * align);
    put16(fmt, align);
    put16(fmt, f.bits);
    if (f.extensible) {
        put16(fmt, f.extra);
        put16(fmt, f.valid_bits);
        put32(fmt, 0);
        put32(fmt, f.tag);
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
    put32(body, static_cast<std::uint32_t>(data.size()));
    body.insert(body.end(), data.begin(), data.end());
    std::vector<unsigned char> file;
    put_text(file, "RIFF");
    put32(file, static_cast<std::uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

std::vector<unsigned char> wav(int channels, std::uint32_t rate, const std::vector<float>& samples,
                               bool extensible = false)
{
    Fmt f;
    f.channels = static_cast<unsigned>(channels);
    f.rate = rate;
    f.extensible = extensible;
    return wav_file(f, float_data(samples));
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

// 16-, 24- and 32-bit PCM samples as their bytes, from integers of that width.
std::vector<unsigned char> pcm_data(const std::vector<std::int32_t>& values, unsigned bits)
{
    std::vector<unsigned char> data;
    for (std::int32_t v : values)
        for (unsigned shift = 0; shift < bits; shift += 8)
            data.push_back(static_cast<unsigned char>(static_cast<std::uint32_t>(v) >> shift));
    return data;
}

TEST(VstHost, ReadsPcmSamplesAtFullScale)
{
    struct Case {
        unsigned bits;
        bool extensible;
        std::vector<std::int32_t> values;
        std::vector<float> expected;
    };
    const Case cases[] = {
        {16, true, {-32768, 16384, 32767, -1}, {-1.0f, 0.5f, 32767.0f / 32768.0f, -1.0f / 32768.0f}},
        {24, false, {-8388608, 4194304, -2097152, 1}, {-1.0f, 0.5f, -0.25f, 1.0f / 8388608.0f}},
        {32, true, {INT32_MIN, 1 << 30, -(1 << 29), 0}, {-1.0f, 0.5f, -0.25f, 0.0f}},
    };
    for (const Case& c : cases) {
        Fmt f;
        f.tag = 1;
        f.bits = c.bits;
        f.extensible = c.extensible;
        f.valid_bits = c.extensible ? c.bits : 0;
        std::string in = scratch_path("pcm.wav"), out = scratch_path("pcm_out.wav");
        write_bytes(in, wav_file(f, pcm_data(c.values, c.bits)));
        HostRun run = run_vsthost({plugin_path("Vodaruvezuz"), "--set", "1=1", "--process", in, out});
        ASSERT_EQ(run.exit_code, 0) << c.bits << ": " << run.err;
        EXPECT_EQ(view(read_bytes(out)).samples, c.expected) << c.bits;
    }
}

/* The delay at 10 ms, dry off and the filter off, panned left: an impulse
   comes back on the left after exactly rate / 100 samples. */
std::vector<std::string> echo_args(const std::vector<std::string>& before = {})
{
    std::vector<std::string> args = {plugin_path("delay")};
    args.insert(args.end(), before.begin(), before.end());
    args.insert(args.end(), {"--set", "0=0.01", "--set", "1=0.5", "--set", "2=0", "--set", "3=0", "--set", "4=0"});
    return args;
}

std::size_t first_echo(const WavView& v)
{
    for (std::size_t frame = 1; 2 * frame < v.samples.size(); ++frame)
        if (v.samples[2 * frame] != 0.0f)
            return frame;
    return 0;
}

TEST(VstHost, RunsTheEffectAtTheRateOfTheInputFileUnlessTold)
{
    std::vector<float> impulse(1000, 0.0f);
    impulse[0] = 1.0f;
    std::string in = scratch_path("rate48k.wav"), out = scratch_path("rate48k_out.wav");
    write_bytes(in, wav(1, 48000, impulse));

    std::vector<std::string> args = echo_args({"--program", "3"});
    args.insert(args.end(), {"--process", in, out, "--dispatch", "3", "--show"});
    HostRun run = run_vsthost(args);
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.err, "");
    WavView v = view(read_bytes(out));
    EXPECT_EQ(v.rate, 48000u);
    EXPECT_EQ(first_echo(v), 480u);
    // The program the user chose is kept across the host's change of rate.
    EXPECT_EQ(dispatch_results(run.out), std::vector<long>{3});
    EXPECT_EQ(heading(run.out, "sample rate"), "48000");

    // --rate wins over the file, with a note; the file says what the effect ran at.
    args = echo_args();
    args.insert(args.end(), {"--rate", "44100", "--process", in, out});
    run = run_vsthost(args);
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.err.find("48000 Hz; processed at 44100 Hz"), std::string::npos) << run.err;
    v = view(read_bytes(out));
    EXPECT_EQ(v.rate, 44100u);
    EXPECT_EQ(first_echo(v), 441u);
}

TEST(VstHost, RatesTheEffectRefusesOrNoFileCanHoldEndWithAnError)
{
    struct Case {
        const char* what;
        const char* plugin;
        std::vector<std::string> actions;  // before --process
        std::uint32_t file_rate;
        const char* message;
    };
    const Case cases[] = {
        {"file rate the delay refuses", "delay", {}, 2000000, "refuses a sample rate of 2000000 Hz"},
        {"--rate the delay refuses", "delay", {"--rate", "2000000"}, 44100, "refuses a sample rate of 2000000 Hz"},
        {"file rate 0", "Vodaruvezuz", {}, 0, "sample rate is 0 Hz"},
        {"file rate beyond a float", "Vodaruvezuz", {}, 20000001, "whole number of Hz from 1 to 16777216"},
        {"--rate 0", "Vodaruvezuz", {"--rate", "0"}, 44100, "whole number of Hz"},
        {"--rate with a fraction", "Vodaruvezuz", {"--rate", "44100.5"}, 44100, "whole number of Hz"},
        {"rate request refused", "delay", {"--dispatch", "10,0,0,-5"}, 44100, ""},
    };
    for (const Case& c : cases) {
        std::string in = scratch_path("refused.wav"), out = scratch_path("refused_out.wav");
        write_bytes(in, wav(c.plugin == std::string("delay") ? 1 : 2, c.file_rate, {0.5f, 0.25f}));
        std::vector<std::string> args = {plugin_path(c.plugin)};
        args.insert(args.end(), c.actions.begin(), c.actions.end());
        args.insert(args.end(), {"--process", in, out});
        HostRun run = run_vsthost(args);
        if (*c.message == '\0') {
            // A refused request changes nothing: the effect still runs at the file's rate.
            ASSERT_EQ(run.exit_code, 0) << c.what << ": " << run.err;
            EXPECT_EQ(dispatch_results(run.out), std::vector<long>{1}) << c.what;
            EXPECT_EQ(view(read_bytes(out)).rate, 44100u) << c.what;
            continue;
        }
        EXPECT_EQ(run.exit_code, 2) << c.what;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.what << ": " << run.err;
        EXPECT_TRUE(read_bytes(out).empty()) << c.what << ": an output was written";
    }
}

TEST(VstHost, AccumulatesOnlyOntoABaseOfTheSameRate)
{
    std::string in = scratch_path("acc_rate_in.wav"), base = scratch_path("acc_rate_base.wav");
    std::string out = scratch_path("acc_rate_out.wav");
    write_bytes(in, wav(2, 48000, {0.5f, 0.25f}));
    write_bytes(base, wav(2, 44100, {0.125f, 0.125f}));
    HostRun run = run_vsthost({plugin_path("Vodaruvezuz"), "--set", "1=1", "--accumulate", in, base, out});
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_NE(run.err.find("is 44100 Hz, the effect runs at 48000 Hz"), std::string::npos) << run.err;
    write_bytes(base, wav(2, 48000, {0.125f, 0.125f}));
    run = run_vsthost({plugin_path("Vodaruvezuz"), "--set", "1=1", "--accumulate", in, base, out});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    WavView v = view(read_bytes(out));
    EXPECT_EQ(v.rate, 48000u);
    EXPECT_EQ(v.samples, (std::vector<float>{0.625f, 0.375f}));
}

TEST(VstHost, RefusesUnusableAudioWithAMessage)
{
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
        const char* file;
        const char* message;
    };
    auto with = [](auto change) {
        Fmt f;
        change(f);
        return wav_file(f, float_data({0.0f, 0.0f}));
    };
    std::vector<unsigned char> truncated = wav(2, 44100, std::vector<float>(8, 0.5f));
    truncated.resize(truncated.size() - 5);
    std::vector<unsigned char> no_data = wav(2, 44100, {});
    no_data.resize(no_data.size() - 8);
    std::vector<unsigned char> not_riff = {'R', 'I', 'F'};
    std::vector<unsigned char> partial_frame(4 * 3 + 1, 0);
    Fmt short_fmt;
    std::vector<unsigned char> short_format = wav_file(short_fmt, {});
    short_format[16] = 12;  // the format chunk's size: 12 of its 16 bytes
    short_format.erase(short_format.begin() + 20 + 12, short_format.begin() + 20 + 16);
    const Case cases[] = {
        {"8-bit samples", with([](Fmt& f) { f.tag = 1; f.bits = 8; }), "pcm8.wav", "samples are 8-bit PCM"},
        {"64-bit floats", with([](Fmt& f) { f.bits = 64; }), "double.wav", "samples are 64-bit float"},
        {"A-law", with([](Fmt& f) { f.tag = 6; f.bits = 8; }), "alaw.wav", "samples are format 0x0006"},
        {"frame size that lies", with([](Fmt& f) { f.block_align = 6; }), "align.wav", "cannot be 6 bytes"},
        {"no channels", with([](Fmt& f) { f.channels = 0; }), "none.wav", "channel count 0"},
        {"valid bits beyond the sample",
         with([](Fmt& f) { f.tag = 1; f.bits = 16; f.extensible = true; f.valid_bits = 20; }), "valid.wav",
         "20 valid bits in 16-bit samples"},
        {"short extensible part", with([](Fmt& f) { f.extensible = true; f.extra = 10; }), "ext.wav", "too short"},
        {"unknown subformat", with([](Fmt& f) { f.extensible = true; f.tag = 0x10003; }), "sub.wav", "subformat"},
        {"short format chunk", short_format, "short_fmt.wav", "fewer than 16"},
        {"no samples", wav(2, 44100, {}), "empty.wav", "holds no samples"},
        {"part of a frame", wav_file(Fmt{}, float_data({0.5f, 0.5f, 0.5f})), "part.wav", "whole number of 8-byte"},
        {"stereo into a mono effect", wav(2, 44100, {0.0f, 0.0f}), "stereo.wav", "takes 1"},
        {"data beyond the end", truncated, "short.wav", "claims"},
        {"no data chunk", no_data, "nodata.wav", "no data chunk"},
        {"not a WAV file", not_riff, "bad.wav", "not a WAV file"},
        {"raw, part of a frame", partial_frame, "partial.raw", "whole number"},
    };
    for (const Case& c : cases) {
        std::string in = scratch_path(c.file), out = scratch_path("never.raw");
        write_bytes(in, c.bytes);
        bool stereo_case = std::string(c.file) == "stereo.wav";
        HostRun run = run_vsthost({plugin_path(stereo_case ? "delay" : "Vodaruvezuz"), "--process", in, out});
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
        {{plugin_path("delay"), "--rate", "-44100"}, 2, "whole number of Hz"},
        {{plugin_path("delay"), "--set", "3=-0.5"}, 1, "--set 3=-0.5: parameter values lie between 0 and 1"},
        {{plugin_path("Vodaruvezuz"), "--set", "1=1.0001"}, 1, "lie between 0 and 1"},
        {{plugin_path("delay"), "--set", "0=nan"}, 1, "bad argument for --set"},
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
