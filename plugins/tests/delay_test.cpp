// The delay plug-in through vsthost: its identity, parameters, programs and
// the audio it produces, against references computed here.
#include "plugins/tests/vsthost_run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace vyn::fxtest {
namespace {

// A rate that makes milliseconds and samples the same number.
constexpr double kRate = 1000.0;

struct DelaySettings {
    double delay_param = 0.01;  // × 1000 ms
    double feedback = 0.5;      // coefficient 2f - 1
    double pan = 0.5;
    double cutoff_param = 1.0;  // × 22000 Hz; at or above rate/2 the filter is off
    double dry = 0.5;
    double output = 1.0;
};

std::vector<std::string> set_args(const DelaySettings& s)
{
    auto set = [](int index, double value) { return std::to_string(index) + "=" + std::to_string(value); };
    return {"--rate", std::to_string(kRate), "--set", set(0, s.delay_param), "--set", set(1, s.feedback),
            "--set", set(2, s.pan), "--set", set(3, s.cutoff_param), "--set", set(4, s.dry),
            "--set", set(5, s.output)};
}

struct Stereo {
    std::vector<double> left, right;
};

/* The delay line as a plain circular buffer of n slots (n at least 1),
   computed in double from the settings. It writes the filtered feedback
   sum and reads the value written n samples earlier; the filter state is
   flushed to 0 at the end of every block of block_size samples when its
   magnitude is at or below the smallest normal float. */
Stereo reference(const DelaySettings& s, const std::vector<float>& input, std::size_t block_size)
{
    double cutoff = static_cast<float>(static_cast<float>(s.cutoff_param) * 22000.0);
    if (!(cutoff < kRate / 2))
        cutoff = 0;
    double a = cutoff != 0 ? std::numbers::pi * cutoff / (std::sqrt(3.0) * kRate) : 1.0;
    double b = 1.0 - a;
    double ms = static_cast<float>(static_cast<float>(s.delay_param) * 1000.0f);
    auto n = static_cast<std::size_t>(std::min(kRate * ms / 1000.0, kRate - 1));
    std::vector<double> line(std::max<std::size_t>(n, 1), 0.0);
    double fb = 2 * s.feedback - 1, state = 0;
    Stereo out;
    for (std::size_t t = 0; t < input.size(); ++t) {
        std::size_t slot = t % line.size();
        double x = input[t], y = line[slot];
        state = (x + y * fb) * a + state * b;
        line[slot] = state;
        out.left.push_back((x * s.dry + y * (1 - s.dry) * (1 - s.pan)) * s.output);
        out.right.push_back((x * s.dry + y * (1 - s.dry) * s.pan) * s.output);
        if ((t + 1) % block_size == 0 && std::fabs(state) <= 1.1754944e-38)
            state = 0;
    }
    return out;
}

Stereo deinterleave(const std::vector<float>& samples)
{
    Stereo s;
    for (std::size_t i = 0; i + 1 < samples.size(); i += 2) {
        s.left.push_back(samples[i]);
        s.right.push_back(samples[i + 1]);
    }
    return s;
}

// Runs the delay over input with the settings; the stereo result.
Stereo run_delay(const DelaySettings& s, const std::vector<float>& input, int block_size = 1024)
{
    std::string in = scratch_path("delay_in.raw"), out = scratch_path("delay_out.raw");
    write_floats(in, input);
    std::vector<std::string> args = {plugin_path("delay")};
    for (const std::string& a : set_args(s))
        args.push_back(a);
    for (const std::string& a : {std::string("--block"), std::to_string(block_size), std::string("--process"), in, out})
        args.push_back(a);
    HostRun run = run_vsthost(args);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    return deinterleave(read_floats(out));
}

std::vector<float> impulse(std::size_t length, float height = 1.0f)
{
    std::vector<float> samples(length, 0.0f);
    samples[0] = height;
    return samples;
}

void expect_near_all(const std::vector<double>& expected, const std::vector<double>& actual, const char* what)
{
    ASSERT_EQ(expected.size(), actual.size()) << what;
    for (std::size_t i = 0; i < expected.size(); ++i)
        ASSERT_NEAR(expected[i], actual[i], 1e-5) << what << " sample " << i;
}

TEST(DelayPlugin, IdentityAndLayout)
{
    HostRun run = run_vsthost({plugin_path("delay")});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(heading(run.out, "magic"), "VstP (0x56737450)");
    EXPECT_EQ(heading(run.out, "unique id"), "lDly (0x6C446C79)");
    EXPECT_EQ(heading(run.out, "identify"), "NvEf (0x4E764566)");
    EXPECT_EQ(heading(run.out, "programs"), "32");
    EXPECT_EQ(heading(run.out, "parameters"), "6");
    EXPECT_EQ(heading(run.out, "inputs"), "1");
    EXPECT_EQ(heading(run.out, "outputs"), "2");
    EXPECT_EQ(heading(run.out, "flags"), "0x10 can-process-replacing");
    EXPECT_EQ(heading(run.out, "io ratio"), "1");
    EXPECT_EQ(heading(run.out, "program"), "0 [Initialized]");
    const char* names[] = {" Time  ", "Feedback", "Pan", "Cutoff", "Wet/Dry", " Output "};
    const char* labels[] = {"  ms ", "   % ", "L<--->R", "  Hz", " ---", "   dB   "};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(parameter_field(run.out, i, "name"), names[i]);
        EXPECT_EQ(parameter_field(run.out, i, "label"), labels[i]);
    }
}

TEST(DelayPlugin, ParametersReadBackInHostUnits)
{
    HostRun run = run_vsthost({plugin_path("delay"), "--set", "0=0.25", "--set", "3=0.5", "--set", "1=0.1",
                               "--set", "7=0.9", "--set", "-1=0.9", "--show"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(parameter_field(run.out, 0, "value"), "0.250000");
    EXPECT_EQ(parameter_field(run.out, 0, "display"), "250.0000");
    EXPECT_EQ(parameter_field(run.out, 3, "value"), "0.500000");
    EXPECT_EQ(parameter_field(run.out, 1, "value"), "0.100000");
    // Unknown indices change nothing, read as 0 and have empty texts.
    run = run_vsthost({plugin_path("delay"), "--set", "6=0.9", "--dispatch", "7,6", "--dispatch", "8,-1",
                       "--dispatch", "6,6", "--show"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out.find("dispatch 7 -> 0 ["), std::string::npos);
    EXPECT_EQ(run.out.find("dispatch 8 -> 0 ["), std::string::npos);
    EXPECT_EQ(parameter_field(run.out, 5, "value"), "0.750000");
}

TEST(DelayPlugin, CutoffAtOrAboveHalfTheRateSwitchesTheFilterOffAndReadsZero)
{
    // 11000 Hz is below half of 44100 but not of 22000.
    HostRun run = run_vsthost({plugin_path("delay"), "--set", "3=0.5", "--show", "--rate", "22000", "--set", "3=0.5",
                               "--show"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    auto sections = shows(run.out);
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_EQ(parameter_field(sections[0], 3, "value"), "0.500000");
    EXPECT_EQ(parameter_field(sections[1], 3, "value"), "0.000000");
    EXPECT_EQ(parameter_field(sections[1], 3, "display"), "0.000000");
}

TEST(DelayPlugin, ImpulseResponseWithFeedbackAndFilterMatchesReference)
{
    DelaySettings s;
    s.delay_param = 0.01;   // 10 samples
    s.feedback = 0.8;       // coefficient 0.6
    s.cutoff_param = 0.01;  // 220 Hz
    s.pan = 0.25;
    s.dry = 0.3;
    s.output = 0.5;
    std::vector<float> input = impulse(300);
    input[57] = -0.5f;
    Stereo got = run_delay(s, input, 7);
    Stereo want = reference(s, input, 7);
    expect_near_all(want.left, got.left, "left");
    expect_near_all(want.right, got.right, "right");
    // The first echo comes exactly ten samples late, filtered once.
    double a = std::numbers::pi * 220.0 / (std::sqrt(3.0) * kRate);
    EXPECT_NEAR(got.left[0], 0.3 * 0.5, 1e-6);
    for (int t = 1; t < 10; ++t)
        EXPECT_EQ(got.left[t], 0.0f) << t;
    EXPECT_NEAR(got.left[10], a * 0.7 * 0.75 * 0.5, 1e-6);
    EXPECT_NEAR(got.right[10], a * 0.7 * 0.25 * 0.5, 1e-6);
}

TEST(DelayPlugin, BlockSizeDoesNotChangeTheResult)
{
    DelaySettings s;
    s.delay_param = 0.023;
    s.feedback = 0.9;
    s.cutoff_param = 0.005;
    std::vector<float> input(500);
    for (std::size_t i = 0; i < input.size(); ++i)
        input[i] = static_cast<float>(std::sin(0.37 * static_cast<double>(i)));
    Stereo whole = run_delay(s, input, 1024);
    Stereo pieces = run_delay(s, input, 3);
    expect_near_all(whole.left, pieces.left, "left");
    expect_near_all(reference(s, input, 3).left, pieces.left, "reference");
}

TEST(DelayPlugin, ZeroMillisecondsIsAOneSampleDelay)
{
    DelaySettings s;
    s.delay_param = 0.0;
    s.dry = 0.0;
    s.pan = 0.0;
    std::vector<float> input = {1.0f, 2.0f, -3.0f, 0.5f, 0.0f, 4.0f};
    Stereo got = run_delay(s, input);
    std::vector<double> shifted = {0.0, 1.0, 2.0, -3.0, 0.5, 0.0};
    expect_near_all(shifted, got.left, "left");
    expect_near_all(std::vector<double>(6, 0.0), got.right, "right");
}

TEST(DelayPlugin, ASecondIsClampedToOneSampleLessThanTheRate)
{
    DelaySettings s;
    s.delay_param = 1.0;
    s.dry = 0.0;
    s.pan = 0.0;
    Stereo got = run_delay(s, impulse(1200));
    for (std::size_t t = 0; t < got.left.size(); ++t)
        ASSERT_EQ(got.left[t], t == 999 ? 1.0 : 0.0) << t;
}

TEST(DelayPlugin, ShorteningTheDelayWrapsTheCursorAtOnce)
{
    // 50 samples of line, 30 of them passed; then the line becomes 10 long.
    // The cursor (at 30, beyond the new end) reads one more slot and returns
    // to the start, where the impulse written at the very first sample waits.
    DelaySettings s;
    s.delay_param = 0.05;
    s.dry = 0.0;
    s.pan = 0.0;
    std::string in = scratch_path("short_in.raw"), silence = scratch_path("short_silence.raw");
    std::string first = scratch_path("short_1.raw"), second = scratch_path("short_2.raw");
    write_floats(in, impulse(30));
    write_floats(silence, std::vector<float>(40, 0.0f));
    std::vector<std::string> args = {plugin_path("delay")};
    for (const std::string& a : set_args(s))
        args.push_back(a);
    args.insert(args.end(), {"--process", in, first, "--set", "0=0.01", "--process", silence, second});
    HostRun run = run_vsthost(args);
    ASSERT_EQ(run.exit_code, 0) << run.err;
    Stereo got = deinterleave(read_floats(second));
    ASSERT_EQ(got.left.size(), 40u);
    for (std::size_t t = 0; t < got.left.size(); ++t)
        EXPECT_EQ(got.left[t], t == 1 ? 1.0 : 0.0) << t;
}

TEST(DelayPlugin, FeedbackTailDecaysToExactZero)
{
    // A slow filter, no line feedback and full wet gain: the output is the
    // filter's own decay. Left alone it would stick at the smallest denormal.
    DelaySettings s;
    s.delay_param = 0.001;
    s.feedback = 0.5;
    s.cutoff_param = 0.0025;  // a ≈ 0.1
    s.dry = 0.0;
    s.pan = 0.0;
    for (int block : {1, 64}) {
        Stereo got = run_delay(s, impulse(4000), block);
        for (std::size_t t = 3000; t < got.left.size(); ++t)
            ASSERT_EQ(got.left[t], 0.0) << "block " << block << " sample " << t;
        EXPECT_GT(got.left[1], 0.05);
    }
}

TEST(DelayPlugin, AccumulatingPathAddsToTheOutput)
{
    DelaySettings s;
    s.feedback = 0.75;
    s.cutoff_param = 0.02;
    std::vector<float> input = impulse(64, 0.8f);
    std::vector<float> base(128);
    for (std::size_t i = 0; i < base.size(); ++i)
        base[i] = 0.01f * static_cast<float>(i) - 0.5f;
    std::string in = scratch_path("acc_in.raw"), base_file = scratch_path("acc_base.raw");
    std::string replaced = scratch_path("acc_replaced.raw"), added = scratch_path("acc_added.raw");
    write_floats(in, input);
    write_floats(base_file, base);
    std::vector<std::string> args = {plugin_path("delay")};
    for (const std::string& a : set_args(s))
        args.push_back(a);
    auto with = [&](std::vector<std::string> tail) {
        std::vector<std::string> all = args;
        all.insert(all.end(), tail.begin(), tail.end());
        return run_vsthost(all);
    };
    ASSERT_EQ(with({"--process", in, replaced}).exit_code, 0);
    HostRun run = with({"--accumulate", in, base_file, added});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    std::vector<float> r = read_floats(replaced), sum = read_floats(added);
    ASSERT_EQ(r.size(), base.size());
    ASSERT_EQ(sum.size(), base.size());
    for (std::size_t i = 0; i < base.size(); ++i)
        EXPECT_EQ(sum[i], base[i] + r[i]) << i;
}

TEST(DelayPlugin, LineKeepsItsContentAcrossCallsUntilSuspended)
{
    DelaySettings s;
    s.dry = 0.0;
    s.pan = 0.0;  // 10-sample delay, straight through
    std::string in = scratch_path("susp_in.raw"), silence = scratch_path("susp_silence.raw");
    std::string first = scratch_path("susp_1.raw"), second = scratch_path("susp_2.raw");
    write_floats(in, impulse(5));
    write_floats(silence, std::vector<float>(20, 0.0f));
    std::vector<std::string> args = {plugin_path("delay")};
    for (const std::string& a : set_args(s))
        args.push_back(a);
    std::vector<std::string> kept = args;
    kept.insert(kept.end(), {"--process", in, first, "--process", silence, second});
    ASSERT_EQ(run_vsthost(kept).exit_code, 0);
    Stereo echo = deinterleave(read_floats(second));
    ASSERT_EQ(echo.left.size(), 20u);
    EXPECT_EQ(echo.left[5], 1.0);  // written at sample 0 of the first call
    std::vector<std::string> cleared = args;
    cleared.insert(cleared.end(), {"--process", in, first, "--suspend", "--resume", "--process", silence, second});
    ASSERT_EQ(run_vsthost(cleared).exit_code, 0);
    for (double v : deinterleave(read_floats(second)).left)
        EXPECT_EQ(v, 0.0);
}

TEST(DelayPlugin, ProgramsAreSeparateAndNamed)
{
    HostRun run = run_vsthost({plugin_path("delay"), "--program", "5", "--set", "0=0.3", "--program-name",
                               "Slapback with a rather long name", "--show", "--program", "0", "--show",
                               "--program", "32", "--program", "-1", "--dispatch", "3"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    auto sections = shows(run.out);
    ASSERT_EQ(sections.size(), 2u);
    const std::string &five = sections[0], &zero = sections[1];
    EXPECT_EQ(heading(five, "program"), "5 [Slapback with a rather long nam]");  // 31 characters kept
    EXPECT_EQ(parameter_field(five, 0, "display"), "300.0000");
    EXPECT_EQ(heading(zero, "program"), "0 [Initialized]");
    EXPECT_EQ(parameter_field(zero, 0, "display"), "100.0000");
    // Programs outside 0…31 are refused: the current one stays 0.
    EXPECT_EQ(dispatch_results(run.out), std::vector<long>{0});
}

TEST(DelayPlugin, ChangingTheSampleRateSelectsProgramZero)
{
    HostRun run = run_vsthost({plugin_path("delay"), "--program", "7", "--set", "0=0.5", "--dispatch", "3",
                               "--rate", "48000", "--dispatch", "3", "--show", "--program", "7", "--show"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(dispatch_results(run.out), (std::vector<long>{7, 0}));
    auto sections = shows(run.out);
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_EQ(parameter_field(sections[0], 0, "display"), "100.0000");
    EXPECT_EQ(parameter_field(sections[1], 0, "display"), "500.0000");
}

TEST(DelayPlugin, OpcodesOutsideTheTableAnswerZero)
{
    HostRun run = run_vsthost({plugin_path("delay"), "--dispatch", "25", "--dispatch", "9", "--dispatch", "13",
                               "--dispatch", "23", "--dispatch", "22", "--dispatch", "-4", "--dispatch", "100000"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(dispatch_results(run.out), (std::vector<long>{0, 0, 0, 0, 0x4E764566, 0, 0}));
}

TEST(DelayPlugin, RefusesAHostWithoutVersionAndUnusableRates)
{
    HostRun run = run_vsthost({"--host-version", "0", plugin_path("delay")});
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_NE(run.err.find("returned no effect"), std::string::npos) << run.err;
    // Rates of zero, below zero or beyond memory leave the effect as it was
    // and still processing.
    DelaySettings s;
    s.dry = 0.0;
    s.pan = 0.0;
    std::string in = scratch_path("rate_in.raw"), out = scratch_path("rate_out.raw");
    write_floats(in, impulse(20));
    std::vector<std::string> args = {plugin_path("delay")};
    for (const std::string& a : set_args(s))
        args.push_back(a);
    for (const char* a : {"--dispatch", "10,0,0,0", "--dispatch", "10,0,0,-5", "--dispatch", "10,0,0,3e30"})
        args.push_back(a);
    args.insert(args.end(), {"--process", in, out});
    run = run_vsthost(args);
    ASSERT_EQ(run.exit_code, 0) << run.err;
    // Each refusal is answered as such.
    EXPECT_EQ(dispatch_results(run.out), (std::vector<long>{1, 1, 1}));
    Stereo got = deinterleave(read_floats(out));
    ASSERT_EQ(got.left.size(), 20u);
    EXPECT_EQ(got.left[10], 1.0);
}

}  // namespace
}  // namespace vyn::fxtest
