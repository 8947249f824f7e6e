// The delay effect: one input delayed by up to a second, fed back through a
// one-pole low-pass filter, panned, mixed with the dry signal and scaled by
// an output gain into two outputs. 32 programs of six parameters each.
#pragma once

#include "plugins/sdk/effect_base.h"

#include <cstdint>
#include <memory>

namespace vyn::fx {

// One program as the host sees it through the parameters; 56 bytes.
struct DelayProgram {
    float delay;     // milliseconds, 0…1000
    float feedback;  // normalised 0…1
    float pan;       // 0 left … 1 right, for the delayed signal
    float cutoff;    // low-pass cut-off in Hz; 0 = no filtering
    float output;    // linear output gain
    float dry;       // dry share of the wet/dry mix, 0…1
    char name[32];
};
static_assert(sizeof(DelayProgram) == 56);

enum DelayParameter : std::int32_t {
    kDelayTime = 0,
    kDelayFeedback,
    kDelayPan,
    kDelayCutoff,
    kDelayWetDry,
    kDelayOutput,
    kDelayParameterCount
};

constexpr std::int32_t kDelayProgramCount = 32;

class DelayEffect : public EffectBase {
public:
    explicit DelayEffect(HostCallback host);

    bool constructed() const override { return programs_ && buffer_; }

    void set_program(std::int32_t program) override;
    void set_program_name(const char* name) override;
    void get_program_name(char* text) const override;
    bool set_sample_rate(float rate) override;
    void suspend() override;

    void set_parameter(std::int32_t index, float value) override;
    float parameter(std::int32_t index) const override;
    void get_parameter_name(std::int32_t index, char* text) const override;
    void get_parameter_label(std::int32_t index, char* text) const override;
    void get_parameter_display(std::int32_t index, char* text) const override;

    void process(float** inputs, float** outputs, std::int32_t frames) override;
    void process_replacing(float** inputs, float** outputs, std::int32_t frames) override;

private:
    DelayProgram& current() { return programs_[program()]; }
    const DelayProgram& current() const { return programs_[program()]; }

    bool allocate_buffer(float rate);
    void update_length();
    void update_feedback();
    void update_cutoff();
    void update_gains();
    template <bool Accumulate>
    void run(float** inputs, float** outputs, std::int32_t frames);

    // Program table: kDelayProgramCount entries, all copies of the first at start.
    std::unique_ptr<DelayProgram[]> programs_;

    // Delay line. Invariant: buffer_size_ >= 1, 0 <= cursor_ < buffer_size_ and
    // end_ <= buffer_size_; the cursor is the next slot to read and overwrite,
    // and it returns to 0 when cursor_ + 1 reaches end_ (with end_ 0 it stays at
    // 0, a one-sample line).
    std::unique_ptr<float[]> buffer_;
    std::size_t buffer_size_ = 0;
    std::size_t cursor_ = 0;
    std::size_t end_ = 0;

    float feedback_coefficient_ = 0.0f;  // -1…+1
    float filter_a_ = 1.0f;              // weight of the new value
    float filter_b_ = 0.0f;              // weight of the previous output, 1 - a
    float filter_state_ = 0.0f;          // previous low-pass output
    float left_wet_gain_ = 0.0f;
    float right_wet_gain_ = 0.0f;
    float dry_gain_ = 0.0f;
    float output_gain_ = 0.0f;
};

}  // namespace vyn::fx
