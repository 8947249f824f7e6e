// The effect class that plug-ins derive from. It owns the host-facing record,
// turns the host's requests into virtual calls, and keeps the state every
// effect shares: the host callback, the sample rate and the block size.
//
// Objects live in a zero-filled allocation with a 32-byte header in front
// that records the allocation; Opcode::Close destroys the object through it,
// so effects are created with new and never deleted by anyone else.
#pragma once

#include "plugins/sdk/effect_interface.h"

#include <cstddef>
#include <cstdint>

namespace vyn::fx {

class EffectBase {
public:
    EffectBase(HostCallback host, std::int32_t num_programs, std::int32_t num_params);
    virtual ~EffectBase() = default;
    EffectBase(const EffectBase&) = delete;
    EffectBase& operator=(const EffectBase&) = delete;

    static void* operator new(std::size_t size) noexcept;
    static void operator delete(void* object) noexcept;

    EffectRecord* record() { return &record_; }
    // False when construction could not get its memory; the effect must then
    // be deleted instead of handed to the host.
    virtual bool constructed() const { return true; }

    // Lifecycle and program requests.
    virtual void open() {}
    virtual void close() {}
    virtual void set_program(std::int32_t program) { current_program_ = program; }
    virtual std::int32_t program() const { return current_program_; }
    virtual void set_program_name(const char* /*name*/) {}
    virtual void get_program_name(char* text) const;
    // False when the effect cannot run at rate; it then keeps the rate it had.
    virtual bool set_sample_rate(float rate);
    virtual void set_block_size(std::int32_t frames) { block_size_ = frames; }
    virtual void suspend() {}
    virtual void resume() {}
    virtual float vu() const { return 0.0f; }

    // Parameters, normalised to 0…1; the values that reach set_parameter
    // have been clamped to that range.
    virtual void set_parameter(std::int32_t index, float value) = 0;
    virtual float parameter(std::int32_t index) const = 0;
    virtual void get_parameter_name(std::int32_t index, char* text) const;
    virtual void get_parameter_label(std::int32_t index, char* text) const;
    virtual void get_parameter_display(std::int32_t index, char* text) const;

    // Audio: process adds into outputs, process_replacing stores.
    virtual void process(float** inputs, float** outputs, std::int32_t frames) = 0;
    virtual void process_replacing(float** inputs, float** outputs, std::int32_t frames) = 0;

    // The request dispatcher behind record()->dispatcher.
    std::intptr_t dispatch(std::int32_t opcode, std::int32_t index, std::intptr_t value, void* ptr, float opt);

protected:
    void set_num_inputs(std::int32_t count) { record_.num_inputs = count; }
    void set_num_outputs(std::int32_t count) { record_.num_outputs = count; }
    void set_unique_id(std::int32_t id) { record_.unique_id = id; }
    void set_can_process_replacing(bool on);
    float sample_rate() const { return sample_rate_; }
    std::int32_t block_size() const { return block_size_; }
    std::int32_t num_programs() const { return record_.num_programs; }
    HostCallback host() const { return host_; }

private:
    EffectRecord record_{};
    HostCallback host_ = nullptr;
    float sample_rate_ = 44100.0f;
    std::int32_t block_size_ = 1024;
    std::int32_t current_program_ = 0;
};

// What an exported `main` does for an effect class: asks the host for its
// interface version, creates the effect when the host has one, and hands out
// its record (nullptr when the host answered 0 or the effect could not be built).
template <typename Effect>
EffectRecord* start_effect(HostCallback host)
{
    if (!host || host(nullptr, static_cast<std::int32_t>(HostOpcode::Version), 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    EffectBase* effect = new Effect(host);
    if (!effect)
        return nullptr;
    if (!effect->constructed()) {
        delete effect;
        return nullptr;
    }
    return effect->record();
}

}  // namespace vyn::fx
