#include "plugins/delay/delay_effect.h"

#include "plugins/sdk/effect_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <string>

namespace vyn::fx {

namespace {

constexpr std::int32_t kDelayId = fourcc("lDly");
constexpr float kDefaultSampleRate = 44100.0f;
// Rates outside 1…kLargestSampleRate are refused: a zero, negative or absurd
// rate would size the delay line at nothing or beyond memory.
constexpr double kLargestSampleRate = 1'000'000.0;
// The smallest normal float; a filter state at or below it is flushed to 0.
constexpr float kSmallestNormal = 1.1754944e-38f;
constexpr double kCutoffScale = 22000.0;

struct ParameterText {
    const char* name;
    const char* label;
};

constexpr ParameterText kParameterTexts[kDelayParameterCount] = {
    {" Time  ", "  ms "},  {"Feedback", "   % "}, {"Pan", "L<--->R"},
    {"Cutoff", "  Hz"},    {"Wet/Dry", " ---"},   {" Output ", "   dB   "},
};

bool valid_index(std::int32_t index)
{
    return index >= 0 && index < kDelayParameterCount;
}

// Truncation toward zero that stays defined for any float: NaN gives 0 and
// values beyond int's range stop at its ends.
int truncate_to_int(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (value <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

std::string pan_text(float pan)
{
    double position = (static_cast<double>(pan) - 0.5) * 2.0;
    if (!std::isnan(position) && std::trunc(position * 1000.0) == 0.0)
        return "Center";
    char text[kTextBufferSize];
    if (position < 0.0)
        std::snprintf(text, sizeof text, "L %3.2f", -position);
    else
        std::snprintf(text, sizeof text, "R %3.2f", position);
    return text;
}

std::string wet_dry_text(float dry)
{
    char text[kTextBufferSize];
    std::snprintf(text, sizeof text, "%d%%/%d%%", truncate_to_int((1.0 - dry) * 100.0 + 0.1),
                  truncate_to_int(dry * 100.0 + 0.1));
    return text;
}

DelayProgram default_program()
{
    DelayProgram program{};
    program.delay = 100.0f;
    program.feedback = 0.625f;
    program.pan = 0.5f;
    program.cutoff = 8000.0f;
    program.output = 0.75f;
    program.dry = 0.5f;
    std::strcpy(program.name, "Initialized");
    return program;
}

}  // namespace

DelayEffect::DelayEffect(HostCallback host)
    : EffectBase(host, kDelayProgramCount, kDelayParameterCount),
      programs_(new (std::nothrow) DelayProgram[kDelayProgramCount]())
{
    if (!programs_ || !allocate_buffer(kDefaultSampleRate))
        return;
    for (std::int32_t i = 0; i < kDelayProgramCount; ++i)
        programs_[i] = default_program();
    set_num_inputs(1);
    set_num_outputs(2);
    set_can_process_replacing(true);
    set_unique_id(kDelayId);
    set_program(0);
}

/* allocate_buffer: a zero-filled line of trunc(rate) floats with the cursor at
   its start. On failure (or a rate outside 1…kLargestSampleRate) the old line
   stays as it was and the result is false. */
bool DelayEffect::allocate_buffer(float rate)
{
    if (!(rate >= 1.0f && rate <= kLargestSampleRate))
        return false;
    auto size = static_cast<std::size_t>(rate);
    std::unique_ptr<float[]> buffer(new (std::nothrow) float[size]());
    if (!buffer)
        return false;
    buffer_ = std::move(buffer);
    buffer_size_ = size;
    cursor_ = 0;
    return true;
}

void DelayEffect::set_program(std::int32_t program)
{
    if (program < 0 || program >= kDelayProgramCount)
        return;
    EffectBase::set_program(program);
    update_length();
    update_feedback();
    update_cutoff();
    update_gains();
    filter_state_ = 0.0f;
}

void DelayEffect::set_program_name(const char* name)
{
    char* target = current().name;
    std::size_t length = strnlen(name, sizeof current().name - 1);
    std::memcpy(target, name, length);
    std::memset(target + length, 0, sizeof current().name - length);
}

void DelayEffect::get_program_name(char* text) const
{
    copy_text(text, std::string(current().name, strnlen(current().name, sizeof current().name)));
}

/* set_sample_rate: a new, zeroed line for the rate and program 0 selected
   again for it. A rate the line cannot be sized for is refused and leaves
   everything as it was. */
bool DelayEffect::set_sample_rate(float rate)
{
    if (!allocate_buffer(rate))
        return false;
    EffectBase::set_sample_rate(rate);
    set_program(0);
    return true;
}

void DelayEffect::suspend()
{
    std::fill(buffer_.get(), buffer_.get() + buffer_size_, 0.0f);
}

/* update_length: n = trunc(rate × delay / 1000), at most trunc(rate - 1);
   a negative or meaningless delay gives 0. The cursor stays where it is: if
   it now lies past the end it wraps after the next sample. */
void DelayEffect::update_length()
{
    double rate = sample_rate();
    double samples = rate * static_cast<double>(current().delay) * 0.001;
    std::size_t n = 0;
    if (samples >= rate)
        n = static_cast<std::size_t>(rate - 1.0);
    else if (samples > 0.0)
        n = static_cast<std::size_t>(samples);
    end_ = std::min(n, buffer_size_);
}

void DelayEffect::update_feedback()
{
    feedback_coefficient_ = 2.0f * current().feedback - 1.0f;
}

/* update_cutoff: a cut-off at or above half the rate switches the filter off
   and is stored as 0. Otherwise a = π·fc / (√3·rate), b = 1 - a. */
void DelayEffect::update_cutoff()
{
    float rate = sample_rate();
    if (!(current().cutoff < rate * 0.5f))
        current().cutoff = 0.0f;
    if (current().cutoff != 0.0f) {
        double pi = 2.0 * std::asin(1.0);
        filter_a_ = static_cast<float>(pi * current().cutoff / (std::sqrt(3.0) * rate));
        filter_b_ = 1.0f - filter_a_;
    } else {
        filter_a_ = 1.0f;
        filter_b_ = 0.0f;
    }
}

void DelayEffect::update_gains()
{
    const DelayProgram& p = current();
    left_wet_gain_ = (1.0f - p.dry) * (1.0f - p.pan);
    right_wet_gain_ = (1.0f - p.dry) * p.pan;
    dry_gain_ = p.dry;
    output_gain_ = p.output;
}

void DelayEffect::set_parameter(std::int32_t index, float value)
{
    DelayProgram& p = current();
    switch (index) {
    case kDelayTime:
        p.delay = value * 1000.0f;
        update_length();
        break;
    case kDelayFeedback:
        p.feedback = value;
        update_feedback();
        break;
    case kDelayPan:
        p.pan = value;
        update_gains();
        break;
    case kDelayCutoff:
        p.cutoff = static_cast<float>(value * kCutoffScale);
        update_cutoff();
        break;
    case kDelayWetDry:
        p.dry = value;
        update_gains();
        break;
    case kDelayOutput:
        p.output = value;
        update_gains();
        break;
    default:
        break;
    }
}

float DelayEffect::parameter(std::int32_t index) const
{
    const DelayProgram& p = current();
    switch (index) {
    case kDelayTime:
        return static_cast<float>(p.delay * 0.001);
    case kDelayFeedback:
        return p.feedback;
    case kDelayPan:
        return p.pan;
    case kDelayCutoff:
        return static_cast<float>(p.cutoff / kCutoffScale);
    case kDelayWetDry:
        return p.dry;
    case kDelayOutput:
        return p.output;
    default:
        return 0.0f;
    }
}

void DelayEffect::get_parameter_name(std::int32_t index, char* text) const
{
    copy_text(text, valid_index(index) ? kParameterTexts[index].name : "");
}

void DelayEffect::get_parameter_label(std::int32_t index, char* text) const
{
    copy_text(text, valid_index(index) ? kParameterTexts[index].label : "");
}

void DelayEffect::get_parameter_display(std::int32_t index, char* text) const
{
    const DelayProgram& p = current();
    switch (index) {
    case kDelayTime:
        copy_text(text, float_text(p.delay));
        break;
    case kDelayFeedback:
        copy_text(text, float_text(p.feedback * 200.0f - 100.0f));
        break;
    case kDelayPan:
        copy_text(text, pan_text(p.pan));
        break;
    case kDelayCutoff:
        copy_text(text, float_text(p.cutoff));
        break;
    case kDelayWetDry:
        copy_text(text, wet_dry_text(p.dry));
        break;
    case kDelayOutput:
        copy_text(text, db_text(p.output));
        break;
    default:
        copy_text(text, "");
        break;
    }
}

/* run: the per-sample loop shared by both processing paths. For input x and
   y, the sample written one line length ago:
     f = (x + y·feedback)·a + state·b   (low-passed feedback, written back)
     left  = (x·dry + y·leftWet)·out,  right = (x·dry + y·rightWet)·out
   Accumulate adds left/right to the outputs, otherwise they are stored. After
   the block a filter state that has decayed to a denormal is flushed to 0. */
template <bool Accumulate>
void DelayEffect::run(float** inputs, float** outputs, std::int32_t frames)
{
    const float* in = inputs[0];
    float* left = outputs[0];
    float* right = outputs[1];
    float* line = buffer_.get();
    for (std::int32_t i = 0; i < frames; ++i) {
        float x = in[i];
        float y = line[cursor_];
        float f = (x + y * feedback_coefficient_) * filter_a_ + filter_state_ * filter_b_;
        filter_state_ = f;
        line[cursor_] = f;
        float d = x * dry_gain_;
        float l = (d + y * left_wet_gain_) * output_gain_;
        float r = (d + y * right_wet_gain_) * output_gain_;
        if constexpr (Accumulate) {
            left[i] += l;
            right[i] += r;
        } else {
            left[i] = l;
            right[i] = r;
        }
        cursor_ = (cursor_ + 1 >= end_) ? 0 : cursor_ + 1;
    }
    if (std::fabs(filter_state_) <= kSmallestNormal)
        filter_state_ = 0.0f;
}

void DelayEffect::process(float** inputs, float** outputs, std::int32_t frames)
{
    run<true>(inputs, outputs, frames);
}

void DelayEffect::process_replacing(float** inputs, float** outputs, std::int32_t frames)
{
    run<false>(inputs, outputs, frames);
}

}  // namespace vyn::fx
