#include "plugins/vodaruvezuz/vodaruvezuz.h"

#include "plugins/sdk/effect_text.h"

#include <algorithm>
#include <cstdio>
#include <new>

namespace vyn::fx {

namespace {

DistortionRecord* distortion_of(EffectRecord* effect)
{
    return effect ? static_cast<DistortionRecord*>(effect->object) : nullptr;
}

void write_display(std::int32_t index, const DistortionRecord& d, char* text)
{
    char display[kTextBufferSize] = "";
    if (index == kDistortionGain)
        std::snprintf(display, sizeof display, "%3.2f", 100.0 + 899.0 * d.gain);
    else if (index == kDistortionClip)
        std::snprintf(display, sizeof display, "%3.2f", 100.0 * d.clip_level);
    copy_text(text, display);
}

const char* parameter_name(std::int32_t index)
{
    switch (index) {
    case kDistortionGain:
        return "Gain";
    case kDistortionClip:
        return "Clip lvl.";
    default:
        return "";
    }
}

/* dispatcher: every request of the opcode table; anything outside 2…24 is
   answered with 0. Close (1) also answers 0 but frees the record, which the
   host may not touch afterwards. Text requests ignore a null buffer. */
std::intptr_t VYN_FX_CALL dispatcher(EffectRecord* effect, std::int32_t opcode, std::int32_t index,
                                     std::intptr_t value, void* ptr, float opt)
{
    DistortionRecord* d = distortion_of(effect);
    if (!d)
        return 0;
    auto* text = static_cast<char*>(ptr);
    switch (static_cast<Opcode>(opcode)) {
    case Opcode::Close:
        delete d;
        return 0;
    case Opcode::SetProgram:
        // Accepted when in range; with one program there is nothing to change.
        return 0;
    case Opcode::GetProgram:
        return d->current_program;
    case Opcode::GetProgramName:
        copy_text(text, "");
        return 0;
    case Opcode::GetParameterLabel:
        copy_text(text, (index == kDistortionGain || index == kDistortionClip) ? "%" : "");
        return 0;
    case Opcode::GetParameterDisplay:
        write_display(index, *d, text);
        return 0;
    case Opcode::GetParameterName:
        copy_text(text, parameter_name(index));
        return 0;
    case Opcode::GetVu:
        return 0;  // the level is always 0, and 32767 × 0 is what is reported
    case Opcode::SetSampleRate:
        // The rate does not enter the sound; one no effect could run at is still refused.
        if (!usable_sample_rate(opt))
            return kSampleRateRefused;
        d->sample_rate = opt;
        return 0;
    case Opcode::SetBlockSize:
        d->block_size = static_cast<std::int32_t>(value);
        return 0;
    case Opcode::Identify:
        return kIdentifyAnswer;
    default:
        return 0;  // open, set program name, mains, editor and chunk requests, unknown opcodes
    }
}

void VYN_FX_CALL set_parameter(EffectRecord* effect, std::int32_t index, float value)
{
    DistortionRecord* d = distortion_of(effect);
    if (!d)
        return;
    // Outside 0…1 a clip level below 0 would turn the clipping inside out.
    if (index == kDistortionGain)
        d->gain = clamp_parameter(value);
    else if (index == kDistortionClip)
        d->clip_level = clamp_parameter(value);
}

float VYN_FX_CALL get_parameter(EffectRecord* effect, std::int32_t index)
{
    DistortionRecord* d = distortion_of(effect);
    if (!d)
        return 0.0f;
    if (index == kDistortionGain)
        return d->gain;
    if (index == kDistortionClip)
        return d->clip_level;
    return 0.0f;
}

float clip(float sample, float level)
{
    return std::max(-level, std::min(sample, level));
}

/* process_replacing: out = clip(in × (1 + 8.9·gain)) on both channels. */
void VYN_FX_CALL process_replacing(EffectRecord* effect, float** inputs, float** outputs, std::int32_t frames)
{
    DistortionRecord* d = distortion_of(effect);
    if (!d)
        return;
    float factor = 1.0f + 8.9f * d->gain;
    for (int channel = 0; channel < 2; ++channel)
        for (std::int32_t i = 0; i < frames; ++i)
            outputs[channel][i] = clip(inputs[channel][i] * factor, d->clip_level);
}

/* process: out += clip(in × (1 + 8.99·gain)) on both channels; 1 + 8.99·gain
   is the factor the gain display shows in per cent. */
void VYN_FX_CALL process(EffectRecord* effect, float** inputs, float** outputs, std::int32_t frames)
{
    DistortionRecord* d = distortion_of(effect);
    if (!d)
        return;
    float factor = 1.0f + 8.99f * d->gain;
    for (int channel = 0; channel < 2; ++channel)
        for (std::int32_t i = 0; i < frames; ++i)
            outputs[channel][i] += clip(inputs[channel][i] * factor, d->clip_level);
}

}  // namespace

DistortionRecord* create_distortion(HostCallback host)
{
    auto* d = new (std::nothrow) DistortionRecord{};
    if (!d)
        return nullptr;
    EffectRecord& e = d->effect;
    e.magic = kEffectMagic;
    e.dispatcher = dispatcher;
    e.process = process;
    e.set_parameter = set_parameter;
    e.get_parameter = get_parameter;
    e.num_programs = 1;
    e.num_params = kDistortionParameterCount;
    e.num_inputs = 2;
    e.num_outputs = 2;
    e.flags = kFlagCanMono | kFlagCanReplacing;
    e.io_ratio = 0.0f;
    e.object = d;
    e.user = nullptr;
    e.unique_id = fourcc("Null");
    e.version = 1;
    e.process_replacing = process_replacing;
    d->host = host;
    d->sample_rate = 44100.0f;
    d->block_size = 1024;
    d->current_program = 0;
    d->gain = 0.0f;
    d->clip_level = 0.8f;
    return d;
}

}  // namespace vyn::fx
