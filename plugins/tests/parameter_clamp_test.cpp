// What the plug-ins do with parameter values a host sends outside 0…1:
// loaded in this process through their exported `main`, the way any host
// loads them (vsthost itself refuses such values before they are sent).
#include "plugins/host/effect_host.h"
#include "plugins/host/plugin_library.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>

namespace vyn::host {
namespace {

struct Loaded {
    std::optional<PluginLibrary> library;
    std::optional<EffectHost> effect;
};

// The library and its started effect; the effect is closed before the library unloads.
void load(const char* path, Loaded& loaded)
{
    std::string error;
    loaded.library = PluginLibrary::load(path, error);
    ASSERT_TRUE(loaded.library) << error;
    auto main_entry = reinterpret_cast<fx::MainProc>(loaded.library->entry("main"));
    ASSERT_NE(main_entry, nullptr);
    auto effect = EffectHost::start(main_entry, 1, error);
    ASSERT_TRUE(effect) << error;
    loaded.effect.emplace(std::move(*effect));
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInfinity = std::numeric_limits<float>::infinity();

TEST(ParameterClamp, EveryParameterOfBothPluginsReadsBackWithinTheRange)
{
    for (const char* path : {DELAY_PLUGIN, VODARUVEZUZ_PLUGIN}) {
        Loaded loaded;
        load(path, loaded);
        EffectHost& effect = *loaded.effect;
        for (std::int32_t index = 0; index < effect.record().num_params; ++index) {
            for (auto [sent, kept] : {std::pair{-0.5f, 0.0f}, std::pair{3.0f, 1.0f}, std::pair{-kInfinity, 0.0f},
                                      std::pair{kInfinity, 1.0f}, std::pair{kNaN, 0.0f}, std::pair{0.5f, 0.5f}}) {
                effect.set_parameter(index, sent);
                float got = effect.parameter(index);
                // The delay's cut-off stores Hz and reads back through a division.
                EXPECT_NEAR(got, kept, 1e-6) << path << " parameter " << index << " set to " << sent;
            }
        }
    }
}

// Runs an impulse through the effect; every output sample.
std::vector<float> impulse_response(EffectHost& effect)
{
    Audio input;
    input.channels = effect.record().num_inputs;
    input.samples.assign(static_cast<std::size_t>(input.channels) * 4000, 0.0f);
    input.samples[0] = 1.0f;
    Audio output;
    std::string error;
    EXPECT_TRUE(effect.process(input, nullptr, ProcessPath::Replacing, 512, output, error)) << error;
    return output.samples;
}

TEST(ParameterClamp, ANegativeCutoffLeavesTheDelayStable)
{
    Loaded loaded;
    load(DELAY_PLUGIN, loaded);
    EffectHost& effect = *loaded.effect;
    effect.set_parameter(0, 0.001f);  // a one-millisecond line: many trips round the feedback path
    effect.set_parameter(3, -0.5f);   // was a filter coefficient below 0
    effect.set_parameter(1, 1.5f);    // was a feedback coefficient beyond 1
    std::vector<float> samples = impulse_response(effect);
    ASSERT_FALSE(samples.empty());
    for (std::size_t i = 0; i < samples.size(); ++i)
        ASSERT_TRUE(std::isfinite(samples[i])) << "sample " << i << " is " << samples[i];
}

TEST(ParameterClamp, ANegativeClipLevelSilencesTheDistortionLikeZero)
{
    Loaded loaded;
    load(VODARUVEZUZ_PLUGIN, loaded);
    EffectHost& effect = *loaded.effect;
    effect.set_parameter(1, -0.5f);  // would clip every sample to +0.5
    for (float sample : impulse_response(effect))
        ASSERT_EQ(sample, 0.0f);
}

}  // namespace
}  // namespace vyn::host
