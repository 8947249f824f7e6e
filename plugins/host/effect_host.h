// The host side of one effect: starts it through its `main`, checks the
// record it gets, and offers the requests a host makes (dispatcher calls,
// texts, parameters, processing files of audio in blocks).
#pragma once

#include "plugins/host/audio_file.h"
#include "plugins/sdk/effect_interface.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vyn::host {

enum class ProcessPath { Replacing, Accumulating };

class EffectHost {
public:
    EffectHost(EffectHost&& other) noexcept : effect_(other.effect_) { other.effect_ = nullptr; }
    EffectHost& operator=(EffectHost&&) = delete;
    EffectHost(const EffectHost&) = delete;
    EffectHost& operator=(const EffectHost&) = delete;
    // Sends Close: the effect frees itself.
    ~EffectHost();

    // Calls main with this host's callback, which answers the version query
    // with host_version. Nothing, with a message in error, when the effect
    // refuses or its record is not usable.
    static std::optional<EffectHost> start(fx::MainProc main, std::intptr_t host_version, std::string& error);

    const fx::EffectRecord& record() const { return *effect_; }

    // A request with a zeroed text buffer as its pointer; what the effect
    // wrote there lands in text when given.
    std::intptr_t dispatch(std::int32_t opcode, std::int32_t index = 0, std::intptr_t value = 0, float opt = 0.0f,
                           std::string* text = nullptr);
    // A dispatcher request that writes a text (name, label, display, program name).
    std::string text(fx::Opcode opcode, std::int32_t index = 0);
    // Sends a NUL-terminated text (SetProgramName).
    std::intptr_t send_text(fx::Opcode opcode, const std::string& text);
    void set_parameter(std::int32_t index, float value);
    float parameter(std::int32_t index);

    /* Runs input through the effect in blocks of at most block_size frames.
       input has the effect's input count of channels; output receives its
       output count. For the accumulating path output starts as base (same
       frames, output channels), for the replacing path as silence. */
    bool process(const Audio& input, const Audio* base, ProcessPath path, std::int32_t block_size, Audio& output,
                 std::string& error);

private:
    explicit EffectHost(fx::EffectRecord* effect) : effect_(effect) {}

    fx::EffectRecord* effect_ = nullptr;
};

}  // namespace vyn::host
