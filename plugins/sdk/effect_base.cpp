#include "plugins/sdk/effect_base.h"

#include "plugins/sdk/effect_text.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace vyn::fx {

namespace {

// The header in front of every effect object: where the allocation starts.
// 32 bytes keep the object aligned for anything the compiler may place in it.
constexpr std::size_t kHeaderSize = 32;
static_assert(kHeaderSize % alignof(std::max_align_t) == 0);

EffectBase* effect_of(EffectRecord* record)
{
    return record ? static_cast<EffectBase*>(record->object) : nullptr;
}

std::intptr_t VYN_FX_CALL dispatcher_entry(EffectRecord* record, std::int32_t opcode, std::int32_t index,
                                           std::intptr_t value, void* ptr, float opt)
{
    EffectBase* effect = effect_of(record);
    return effect ? effect->dispatch(opcode, index, value, ptr, opt) : 0;
}

void VYN_FX_CALL process_entry(EffectRecord* record, float** inputs, float** outputs, std::int32_t frames)
{
    if (EffectBase* effect = effect_of(record); effect && frames > 0)
        effect->process(inputs, outputs, frames);
}

void VYN_FX_CALL process_replacing_entry(EffectRecord* record, float** inputs, float** outputs, std::int32_t frames)
{
    if (EffectBase* effect = effect_of(record); effect && frames > 0)
        effect->process_replacing(inputs, outputs, frames);
}

void VYN_FX_CALL set_parameter_entry(EffectRecord* record, std::int32_t index, float value)
{
    if (EffectBase* effect = effect_of(record))
        effect->set_parameter(index, clamp_parameter(value));
}

float VYN_FX_CALL get_parameter_entry(EffectRecord* record, std::int32_t index)
{
    EffectBase* effect = effect_of(record);
    return effect ? effect->parameter(index) : 0.0f;
}

}  // namespace

void* EffectBase::operator new(std::size_t size) noexcept
{
    void* block = std::calloc(1, kHeaderSize + size);
    if (!block)
        return nullptr;
    std::memcpy(block, &block, sizeof(void*));
    return static_cast<unsigned char*>(block) + kHeaderSize;
}

void EffectBase::operator delete(void* object) noexcept
{
    if (!object)
        return;
    void* block = nullptr;
    std::memcpy(&block, static_cast<unsigned char*>(object) - kHeaderSize, sizeof(void*));
    std::free(block);
}

EffectBase::EffectBase(HostCallback host, std::int32_t num_programs, std::int32_t num_params) : host_(host)
{
    record_.magic = kEffectMagic;
    record_.dispatcher = dispatcher_entry;
    record_.process = process_entry;
    record_.set_parameter = set_parameter_entry;
    record_.get_parameter = get_parameter_entry;
    record_.num_programs = num_programs;
    record_.num_params = num_params;
    record_.num_inputs = 1;
    record_.num_outputs = 2;
    record_.io_ratio = 1.0f;
    record_.object = this;
    record_.unique_id = kDefaultUniqueId;
    record_.version = 1;
    record_.process_replacing = process_replacing_entry;
}

void EffectBase::set_can_process_replacing(bool on)
{
    if (on)
        record_.flags |= kFlagCanReplacing;
    else
        record_.flags &= ~kFlagCanReplacing;
}

bool EffectBase::set_sample_rate(float rate)
{
    if (!usable_sample_rate(rate))
        return false;
    sample_rate_ = rate;
    return true;
}

void EffectBase::get_program_name(char* text) const
{
    copy_text(text, "");
}

void EffectBase::get_parameter_name(std::int32_t, char* text) const
{
    copy_text(text, "");
}

void EffectBase::get_parameter_label(std::int32_t, char* text) const
{
    copy_text(text, "");
}

void EffectBase::get_parameter_display(std::int32_t, char* text) const
{
    copy_text(text, "");
}

/* dispatch: one host request. Text requests write into ptr (a buffer of
   kTextBufferSize bytes, ignored when null). Close ends the object's life:
   nothing of it may be touched after close() returns, so the result is
   computed before the deletion. */
std::intptr_t EffectBase::dispatch(std::int32_t opcode, std::int32_t index, std::intptr_t value, void* ptr, float opt)
{
    auto* text = static_cast<char*>(ptr);
    switch (static_cast<Opcode>(opcode)) {
    case Opcode::Open:
        open();
        return 0;
    case Opcode::Close:
        close();
        delete this;
        return 0;
    case Opcode::SetProgram:
        if (value >= 0 && value < record_.num_programs)
            set_program(static_cast<std::int32_t>(value));
        return 0;
    case Opcode::GetProgram:
        return program();
    case Opcode::SetProgramName:
        if (text)
            set_program_name(text);
        return 0;
    case Opcode::GetProgramName:
        if (text)
            get_program_name(text);
        return 0;
    case Opcode::GetParameterLabel:
        if (text)
            get_parameter_label(index, text);
        return 0;
    case Opcode::GetParameterDisplay:
        if (text)
            get_parameter_display(index, text);
        return 0;
    case Opcode::GetParameterName:
        if (text)
            get_parameter_name(index, text);
        return 0;
    case Opcode::GetVu:
        return static_cast<std::intptr_t>(vu() * 32767.0f);
    case Opcode::SetSampleRate:
        return set_sample_rate(opt) ? 0 : kSampleRateRefused;
    case Opcode::SetBlockSize:
        set_block_size(static_cast<std::int32_t>(value));
        return 0;
    case Opcode::MainsChanged:
        if (value == 0)
            suspend();
        else
            resume();
        return 0;
    case Opcode::Identify:
        return kIdentifyAnswer;
    default:
        return 0;  // editor and chunk requests, and anything unknown
    }
}

}  // namespace vyn::fx
