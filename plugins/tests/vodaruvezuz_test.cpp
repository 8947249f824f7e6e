// The distortion plug-in through vsthost: its record, every opcode and both
// processing paths against a clipping reference computed here.
#include "plugins/tests/vsthost_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace vyn::fxtest {
namespace {

// A stereo test signal swinging beyond ±1 with different channels.
std::vector<float> stereo_signal(std::size_t frames)
{
    std::vector<float> samples;
    for (std::size_t i = 0; i < frames; ++i) {
        samples.push_back(static_cast<float>(1.6 * std::sin(0.05 * static_cast<double>(i))));
        samples.push_back(static_cast<float>(0.3 * std::cos(0.11 * static_cast<double>(i)) - 0.02));
    }
    return samples;
}

double clipped(double x, double factor, double level)
{
    return std::clamp(x * factor, -level, level);
}

// Runs Vodaruvezuz with gain and clip level over input, replacing or onto base.
std::vector<float> distort(double gain, double clip, const std::vector<float>& input,
                           const std::vector<float>* base = nullptr)
{
    std::string in = scratch_path("dist_in.raw"), out = scratch_path("dist_out.raw");
    std::string base_file = scratch_path("dist_base.raw");
    write_floats(in, input);
    std::vector<std::string> args = {plugin_path("Vodaruvezuz"), "--block", "100", "--set",
                                     "0=" + std::to_string(gain), "--set", "1=" + std::to_string(clip)};
    if (base) {
        write_floats(base_file, *base);
        args.insert(args.end(), {"--accumulate", in, base_file, out});
    } else {
        args.insert(args.end(), {"--process", in, out});
    }
    HostRun run = run_vsthost(args);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    return read_floats(out);
}

TEST(Vodaruvezuz, RecordFields)
{
    HostRun run = run_vsthost({plugin_path("Vodaruvezuz")});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(heading(run.out, "magic"), "VstP (0x56737450)");
    EXPECT_EQ(heading(run.out, "unique id"), "Null (0x4E756C6C)");
    EXPECT_EQ(heading(run.out, "programs"), "1");
    EXPECT_EQ(heading(run.out, "parameters"), "2");
    EXPECT_EQ(heading(run.out, "inputs"), "2");
    EXPECT_EQ(heading(run.out, "outputs"), "2");
    EXPECT_EQ(heading(run.out, "flags"), "0x18 can-mono can-process-replacing");
    EXPECT_EQ(heading(run.out, "io ratio"), "0");
    EXPECT_EQ(heading(run.out, "version"), "1");
    EXPECT_EQ(heading(run.out, "program"), "0 []");
    EXPECT_EQ(parameter_field(run.out, 0, "name"), "Gain");
    EXPECT_EQ(parameter_field(run.out, 1, "name"), "Clip lvl.");
    EXPECT_EQ(parameter_field(run.out, 0, "label"), "%");
    EXPECT_EQ(parameter_field(run.out, 1, "label"), "%");
    EXPECT_EQ(parameter_field(run.out, 0, "value"), "0.000000");
    EXPECT_EQ(parameter_field(run.out, 1, "value"), "0.800000");
}

TEST(Vodaruvezuz, EveryOpcodeAnswersAsTabled)
{
    std::vector<std::string> args = {plugin_path("Vodaruvezuz")};
    std::vector<long> expected;
    for (int opcode = -2; opcode <= 30; ++opcode) {
        if (opcode == 1)
            continue;  // close: the host does that itself
        args.insert(args.end(), {"--dispatch", std::to_string(opcode) + ",0,0,48000"});
        expected.push_back(opcode == 22 ? 0x4E764566 : 0);
    }
    // Out-of-range texts are empty, set program never moves off 0.
    args.insert(args.end(), {"--dispatch", "7,2", "--dispatch", "8,-1", "--dispatch", "6,5", "--dispatch", "2,0,5",
                             "--dispatch", "3", "--set", "2=0.5", "--set", "1=0.25", "--show"});
    expected.insert(expected.end(), {0, 0, 0, 0, 0});
    HostRun run = run_vsthost(args);
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(dispatch_results(run.out), expected);
    auto count = [&](const std::string& line) {
        std::size_t n = 0;
        for (std::size_t at = run.out.find(line); at != std::string::npos; at = run.out.find(line, at + 1))
            ++n;
        return n;
    };
    // The sweep asked for index 0 and got texts; the out-of-range requests got none.
    EXPECT_EQ(count("dispatch 7 -> 0 [100.00]\n"), 1u);
    EXPECT_EQ(count("dispatch 8 -> 0 [Gain]\n"), 1u);
    EXPECT_EQ(count("dispatch 6 -> 0 [%]\n"), 1u);
    EXPECT_EQ(count("dispatch 7 -> 0\n"), 1u);
    EXPECT_EQ(count("dispatch 8 -> 0\n"), 1u);
    EXPECT_EQ(count("dispatch 6 -> 0\n"), 1u);
    EXPECT_EQ(parameter_field(run.out, 1, "value"), "0.250000");
    EXPECT_EQ(parameter_field(run.out, 0, "value"), "0.000000");
}

TEST(Vodaruvezuz, ReplacingClipsTheAmplifiedSignal)
{
    std::vector<float> input = stereo_signal(450);
    for (auto [gain, clip] : {std::pair{0.0, 1.0}, std::pair{0.5, 0.8}, std::pair{1.0, 0.25}, std::pair{0.1, 0.5}}) {
        std::vector<float> got = distort(gain, clip, input);
        ASSERT_EQ(got.size(), input.size());
        for (std::size_t i = 0; i < input.size(); ++i)
            ASSERT_NEAR(got[i], clipped(input[i], 1 + 8.9 * gain, clip), 1e-5) << gain << " " << clip << " " << i;
    }
}

TEST(Vodaruvezuz, GainZeroClipOnePassesAllButThePeaks)
{
    std::vector<float> input = stereo_signal(300);
    std::vector<float> got = distort(0.0, 1.0, input);
    ASSERT_EQ(got.size(), input.size());
    for (std::size_t i = 0; i < input.size(); ++i) {
        if (std::fabs(input[i]) <= 1.0f)
            EXPECT_EQ(got[i], input[i]) << i;
        else
            EXPECT_EQ(got[i], input[i] > 0 ? 1.0f : -1.0f) << i;
    }
}

TEST(Vodaruvezuz, ClipLevelZeroSilencesBothPaths)
{
    std::vector<float> input = stereo_signal(200);
    for (float v : distort(0.7, 0.0, input))
        ASSERT_EQ(v, 0.0f);
    std::vector<float> base(input.size(), 0.25f);
    for (float v : distort(0.7, 0.0, input, &base))
        ASSERT_EQ(v, 0.25f);
}

TEST(Vodaruvezuz, AccumulatingAddsWithItsOwnFactor)
{
    std::vector<float> input = stereo_signal(333);
    std::vector<float> base(input.size());
    for (std::size_t i = 0; i < base.size(); ++i)
        base[i] = static_cast<float>(i % 7) * 0.1f - 0.3f;
    const double gain = 0.05, clip = 0.9;
    std::vector<float> got = distort(gain, clip, input, &base);
    ASSERT_EQ(got.size(), input.size());
    for (std::size_t i = 0; i < input.size(); ++i)
        ASSERT_NEAR(got[i], base[i] + clipped(input[i], 1 + 8.99 * gain, clip), 1e-5) << i;
}

TEST(Vodaruvezuz, RefusesSampleRatesNoEffectCouldRunAt)
{
    HostRun run = run_vsthost({plugin_path("Vodaruvezuz"), "--dispatch", "10,0,0,0", "--dispatch", "10,0,0,-1",
                               "--dispatch", "10,0,0,96000", "--show"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(dispatch_results(run.out), (std::vector<long>{1, 1, 0}));
    EXPECT_EQ(heading(run.out, "sample rate"), "96000");
}

TEST(Vodaruvezuz, RefusesAHostWithoutVersion)
{
    HostRun run = run_vsthost({"--host-version", "0", plugin_path("Vodaruvezuz")});
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_NE(run.err.find("returned no effect"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace vyn::fxtest
