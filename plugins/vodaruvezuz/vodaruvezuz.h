// The distortion effect: both channels amplified and hard-clipped at a
// settable level. It has no effect class: one record, allocated and filled
// by hand, carries the host-facing fields followed by the effect's own.
#pragma once

#include "plugins/sdk/effect_interface.h"

#include <cstdint>

namespace vyn::fx {

struct DistortionRecord {
    EffectRecord effect;  // first, so the host's record is the whole block
    HostCallback host;
    float sample_rate;
    std::int32_t block_size;
    std::int32_t current_program;
    float gain;        // parameter 0
    float clip_level;  // parameter 1
};

enum DistortionParameter : std::int32_t { kDistortionGain = 0, kDistortionClip = 1, kDistortionParameterCount };

// A new record for host, or nullptr when memory is short. Opcode::Close frees it.
DistortionRecord* create_distortion(HostCallback host);

}  // namespace vyn::fx
