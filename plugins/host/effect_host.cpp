#include "plugins/host/effect_host.h"

#include "common/strings.h"

#include <algorithm>
#include <array>
#include <vector>

namespace vyn::host {

namespace {

// Channel counts a host can reasonably wire up; a record claiming more is damaged.
constexpr std::int32_t kMaxChannels = 64;
// Text buffers are far larger than the interface's size so that an effect
// writing a little too much does not overrun the host.
constexpr std::size_t kHostTextBuffer = 256;

std::intptr_t g_host_version = 1;

std::intptr_t VYN_FX_CALL host_callback(fx::EffectRecord*, std::int32_t opcode, std::int32_t, std::intptr_t, void*,
                                        float)
{
    if (opcode == static_cast<std::int32_t>(fx::HostOpcode::Version))
        return g_host_version;
    return 0;
}

std::string check_record(const fx::EffectRecord& record)
{
    if (record.magic != fx::kEffectMagic)
        return format("the effect record has the wrong magic 0x%08X", static_cast<unsigned>(record.magic));
    if (!record.dispatcher || !record.set_parameter || !record.get_parameter)
        return "the effect record lacks an entry point";
    if (record.num_inputs < 0 || record.num_inputs > kMaxChannels || record.num_outputs < 0 ||
        record.num_outputs > kMaxChannels)
        return format("the effect record claims %d inputs and %d outputs", record.num_inputs, record.num_outputs);
    if (record.num_params < 0 || record.num_programs < 0)
        return "the effect record claims a negative count";
    return {};
}

// Splits interleaved samples into one vector per channel.
std::vector<std::vector<float>> split_channels(const Audio& audio)
{
    std::vector<std::vector<float>> channels(static_cast<std::size_t>(audio.channels),
                                             std::vector<float>(audio.frames()));
    for (std::size_t frame = 0; frame < audio.frames(); ++frame)
        for (std::size_t c = 0; c < channels.size(); ++c)
            channels[c][frame] = audio.samples[frame * channels.size() + c];
    return channels;
}

void interleave(const std::vector<std::vector<float>>& channels, std::size_t frames, Audio& audio)
{
    audio.channels = static_cast<int>(channels.size());
    audio.samples.assign(frames * channels.size(), 0.0f);
    for (std::size_t frame = 0; frame < frames; ++frame)
        for (std::size_t c = 0; c < channels.size(); ++c)
            audio.samples[frame * channels.size() + c] = channels[c][frame];
}

}  // namespace

EffectHost::~EffectHost()
{
    if (effect_)
        effect_->dispatcher(effect_, static_cast<std::int32_t>(fx::Opcode::Close), 0, 0, nullptr, 0.0f);
}

std::optional<EffectHost> EffectHost::start(fx::MainProc main, std::intptr_t host_version, std::string& error)
{
    g_host_version = host_version;
    fx::EffectRecord* effect = main(host_callback);
    if (!effect) {
        error = "the plug-in returned no effect";
        return std::nullopt;
    }
    if (std::string problem = check_record(*effect); !problem.empty()) {
        // The record is not trusted enough to be closed through it.
        error = problem;
        return std::nullopt;
    }
    return EffectHost(effect);
}

std::intptr_t EffectHost::dispatch(std::int32_t opcode, std::int32_t index, std::intptr_t value, float opt,
                                   std::string* text)
{
    std::array<char, kHostTextBuffer> buffer{};
    std::intptr_t result = effect_->dispatcher(effect_, opcode, index, value, buffer.data(), opt);
    if (text) {
        buffer.back() = '\0';
        *text = buffer.data();
    }
    return result;
}

std::string EffectHost::text(fx::Opcode opcode, std::int32_t index)
{
    std::array<char, kHostTextBuffer> text{};
    effect_->dispatcher(effect_, static_cast<std::int32_t>(opcode), index, 0, text.data(), 0.0f);
    text.back() = '\0';
    return text.data();
}

std::intptr_t EffectHost::send_text(fx::Opcode opcode, const std::string& text)
{
    std::vector<char> buffer(text.begin(), text.end());
    buffer.resize(std::max(buffer.size() + 1, kHostTextBuffer), '\0');
    return effect_->dispatcher(effect_, static_cast<std::int32_t>(opcode), 0, 0, buffer.data(), 0.0f);
}

void EffectHost::set_parameter(std::int32_t index, float value)
{
    effect_->set_parameter(effect_, index, value);
}

float EffectHost::parameter(std::int32_t index)
{
    return effect_->get_parameter(effect_, index);
}

/* process: the audio is split into per-channel buffers (the layout the
   effect expects) and handed over block by block through pointer arrays
   advanced by the block's start. */
bool EffectHost::process(const Audio& input, const Audio* base, ProcessPath path, std::int32_t block_size,
                         Audio& output, std::string& error)
{
    const fx::EffectRecord& r = *effect_;
    bool replacing = path == ProcessPath::Replacing;
    if (replacing && (!(r.flags & fx::kFlagCanReplacing) || !r.process_replacing)) {
        error = "the effect cannot process replacing; use the accumulating path";
        return false;
    }
    if (!replacing && !r.process) {
        error = "the effect has no accumulating process";
        return false;
    }
    if (input.channels != r.num_inputs) {
        error = format("the input has %d channels, the effect takes %d", input.channels, r.num_inputs);
        return false;
    }
    std::size_t frames = input.frames();
    if (base && (base->channels != r.num_outputs || base->frames() != frames)) {
        error = format("the base audio must have %d channels and %s frames (it has %d and %s)", r.num_outputs,
                       std::to_string(frames).c_str(), base->channels, std::to_string(base->frames()).c_str());
        return false;
    }
    if (block_size <= 0) {
        error = "the block size must be positive";
        return false;
    }
    auto in = split_channels(input);
    auto out = base ? split_channels(*base)
                    : std::vector<std::vector<float>>(static_cast<std::size_t>(r.num_outputs),
                                                      std::vector<float>(frames));
    std::vector<float*> in_ptrs(in.size() + 1), out_ptrs(out.size() + 1);
    for (std::size_t start = 0; start < frames; start += static_cast<std::size_t>(block_size)) {
        auto count = static_cast<std::int32_t>(std::min<std::size_t>(frames - start, static_cast<std::size_t>(block_size)));
        for (std::size_t c = 0; c < in.size(); ++c)
            in_ptrs[c] = in[c].data() + start;
        for (std::size_t c = 0; c < out.size(); ++c)
            out_ptrs[c] = out[c].data() + start;
        fx::ProcessProc proc = replacing ? r.process_replacing : r.process;
        proc(effect_, in_ptrs.data(), out_ptrs.data(), count);
    }
    interleave(out, frames, output);
    return true;
}

}  // namespace vyn::host
