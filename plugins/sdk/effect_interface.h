// The host-facing side of an audio effect plug-in.
//
// A plug-in library exports one function, `main`. The host calls it with its
// callback; the plug-in answers with an EffectRecord, and from then on the
// host reaches the effect only through the record's entry points. The record
// is a binary contract with hosts built separately, so its fields keep their
// order and widths exactly: 32-bit integers, native pointers, a 60-byte tail.
//
// Text buffers handed through the dispatcher (names, labels, displays,
// program names) hold at least kTextBufferSize bytes; an effect writes at most
// kTextBufferSize - 1 characters and a terminating NUL.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define VYN_FX_CALL __cdecl
#else
#define VYN_FX_CALL
#endif

namespace vyn::fx {

struct EffectRecord;

using HostCallback = std::intptr_t(VYN_FX_CALL*)(EffectRecord* effect, std::int32_t opcode, std::int32_t index,
                                                  std::intptr_t value, void* ptr, float opt);
using DispatcherProc = std::intptr_t(VYN_FX_CALL*)(EffectRecord* effect, std::int32_t opcode, std::int32_t index,
                                                    std::intptr_t value, void* ptr, float opt);
// inputs[channel][frame] and outputs[channel][frame], frames samples per channel.
using ProcessProc = void(VYN_FX_CALL*)(EffectRecord* effect, float** inputs, float** outputs, std::int32_t frames);
using SetParameterProc = void(VYN_FX_CALL*)(EffectRecord* effect, std::int32_t index, float value);
using GetParameterProc = float(VYN_FX_CALL*)(EffectRecord* effect, std::int32_t index);
// The exported entry: the record, or nullptr when the effect refuses to start.
using MainProc = EffectRecord*(VYN_FX_CALL*)(HostCallback host);

// Four characters packed big-end first, as identifiers are compared by hosts:
// fourcc("VstP") == 0x56737450.
constexpr std::int32_t fourcc(const char (&text)[5])
{
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) << 24) |
                                     (static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 16) |
                                     (static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 8) |
                                     static_cast<std::uint32_t>(static_cast<unsigned char>(text[3])));
}

constexpr std::int32_t kEffectMagic = fourcc("VstP");
// What an effect answers to Opcode::Identify.
constexpr std::int32_t kIdentifyAnswer = fourcc("NvEf");
// The identifier of an effect that has not chosen its own.
constexpr std::int32_t kDefaultUniqueId = fourcc("NoEf");

constexpr std::size_t kTextBufferSize = 32;

// The answer to Opcode::SetSampleRate of an effect that cannot run at the
// rate and keeps the one it had. A rate that is taken is answered with 0, so
// hosts that never look at the answer see what they always saw.
constexpr std::intptr_t kSampleRateRefused = 1;

// Parameter values travel normalised; an effect clamps what it is given to this range.
constexpr float kParameterMin = 0.0f;
constexpr float kParameterMax = 1.0f;

// value limited to kParameterMin … kParameterMax; NaN, which has no place in
// the range, becomes kParameterMin.
inline float clamp_parameter(float value)
{
    if (!(value >= kParameterMin))
        return kParameterMin;
    return value > kParameterMax ? kParameterMax : value;
}

// Whether an effect could run at rate at all: a finite number of samples per second above 0.
inline bool usable_sample_rate(float rate)
{
    return rate > 0.0f && std::isfinite(rate);
}

enum EffectFlags : std::int32_t {
    kFlagCanMono = 0x08,
    kFlagCanReplacing = 0x10,
};

// Requests the host sends through the dispatcher. Opcodes outside this table
// are answered with 0.
enum class Opcode : std::int32_t {
    Open = 0,
    Close = 1,              // the host is done: the effect frees itself
    SetProgram = 2,         // value: program index
    GetProgram = 3,         // result: program index
    SetProgramName = 4,     // ptr: NUL-terminated name
    GetProgramName = 5,     // ptr: text buffer
    GetParameterLabel = 6,  // index, ptr: text buffer
    GetParameterDisplay = 7,
    GetParameterName = 8,
    GetVu = 9,              // result: level × 32767
    SetSampleRate = 10,     // opt: samples per second; result: 0, or kSampleRateRefused
    SetBlockSize = 11,      // value: largest frames per process call
    MainsChanged = 12,      // value: 0 suspend, otherwise resume
    FirstEditorRequest = 13,
    LastEditorRequest = 21,
    Identify = 22,          // result: kIdentifyAnswer
    GetChunk = 23,
    SetChunk = 24,
};

// Requests an effect sends to its host through the callback.
enum class HostOpcode : std::int32_t {
    Version = 1,  // result: the host's interface version, 0 when it has none
};

struct EffectRecord {
    std::int32_t magic;
    DispatcherProc dispatcher;
    ProcessProc process;  // accumulating: adds to the outputs
    SetParameterProc set_parameter;
    GetParameterProc get_parameter;
    std::int32_t num_programs;
    std::int32_t num_params;
    std::int32_t num_inputs;
    std::int32_t num_outputs;
    std::int32_t flags;
    std::int32_t reserved1;
    std::int32_t reserved2;
    std::int32_t initial_delay;
    std::int32_t real_qualities;
    std::int32_t off_qualities;
    float io_ratio;
    void* object;
    void* user;
    std::int32_t unique_id;
    std::int32_t version;
    ProcessProc process_replacing;  // stores into the outputs
    char future[60];
};

static_assert(sizeof(void*) != 4 || sizeof(EffectRecord) == 144, "the record is 144 bytes on 32-bit hosts");
static_assert(offsetof(EffectRecord, magic) == 0);

}  // namespace vyn::fx
