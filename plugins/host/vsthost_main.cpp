// vsthost: loads an audio effect plug-in, calls its `main` and runs the
// actions of the command line against it: printing its identity and
// parameters, setting parameters and programs, and processing audio files.
#include "common/strings.h"
#include "plugins/host/audio_file.h"
#include "plugins/host/effect_host.h"
#include "plugins/host/host_command_line.h"
#include "plugins/host/plugin_library.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using vyn::host::Action;
using vyn::host::ActionKind;
using vyn::host::EffectHost;
using vyn::fx::Opcode;

constexpr int kExitUsage = 1;
constexpr int kExitFailure = 2;

constexpr double kDefaultRate = 44100.0;
// Rates are whole numbers of Hz that a float (what the effect is given)
// holds exactly, so that a WAV file carries the very rate the effect ran at.
constexpr double kLargestRate = 16777216.0;

struct Session {
    EffectHost& effect;
    double sample_rate = kDefaultRate;  // the rate the effect runs at
    bool rate_chosen = false;           // set by the user (--rate, or a sample-rate request): files do not change it
    std::int32_t block_size = 1024;
};

std::int32_t op(Opcode opcode)
{
    return static_cast<std::int32_t>(opcode);
}

// Four characters when they are all printable, and the number beside them.
std::string id_text(std::int32_t id)
{
    auto u = static_cast<std::uint32_t>(id);
    std::string chars;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = static_cast<char>((u >> shift) & 0xFF);
        chars += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    return vyn::format("%s (0x%08X)", chars.c_str(), u);
}

std::string flags_text(std::int32_t flags)
{
    std::string text = vyn::format("0x%X", static_cast<unsigned>(flags));
    if (flags & vyn::fx::kFlagCanMono)
        text += " can-mono";
    if (flags & vyn::fx::kFlagCanReplacing)
        text += " can-process-replacing";
    return text;
}

/* check_rate: whether vsthost can run an effect at rate and write it into a
   WAV file; a message naming what the rate came from when not. */
bool check_rate(double rate, const std::string& source)
{
    if (rate >= 1.0 && rate <= kLargestRate && std::trunc(rate) == rate)
        return true;
    std::fprintf(stderr, "vsthost: %s: the sample rate must be a whole number of Hz from 1 to %.0f, not %.10g\n",
                 source.c_str(), kLargestRate, rate);
    return false;
}

// Sends the rate; false, with a message, when the effect refuses it and keeps its old one.
bool send_rate(Session& s, double rate, const std::string& source)
{
    if (s.effect.dispatch(op(Opcode::SetSampleRate), 0, 0, static_cast<float>(rate)) != 0) {
        std::fprintf(stderr, "vsthost: %s: the effect refuses a sample rate of %.10g Hz\n", source.c_str(), rate);
        return false;
    }
    s.sample_rate = rate;
    return true;
}

/* follow_file_rate: the effect switched to the rate of the file it is about
   to process, as a host does: switched off around the change and given back
   the program the user had selected (a new rate may select another). */
bool follow_file_rate(Session& s, double rate, const std::string& file)
{
    if (!check_rate(rate, file))
        return false;
    std::intptr_t program = s.effect.dispatch(op(Opcode::GetProgram));
    s.effect.dispatch(op(Opcode::MainsChanged), 0, 0);
    bool taken = send_rate(s, rate, file);
    if (taken)
        s.effect.dispatch(op(Opcode::SetProgram), 0, program);
    s.effect.dispatch(op(Opcode::MainsChanged), 0, 1);
    return taken;
}

void show(Session& s, const std::string& plugin)
{
    const vyn::fx::EffectRecord& r = s.effect.record();
    std::printf("plug-in     %s\n", plugin.c_str());
    std::printf("magic       %s\n", id_text(r.magic).c_str());
    std::printf("unique id   %s\n", id_text(r.unique_id).c_str());
    std::printf("identify    %s\n", id_text(static_cast<std::int32_t>(s.effect.dispatch(op(Opcode::Identify)))).c_str());
    std::printf("version     %d\n", r.version);
    std::printf("programs    %d\n", r.num_programs);
    std::printf("parameters  %d\n", r.num_params);
    std::printf("inputs      %d\n", r.num_inputs);
    std::printf("outputs     %d\n", r.num_outputs);
    std::printf("flags       %s\n", flags_text(r.flags).c_str());
    std::printf("delay       %d\n", r.initial_delay);
    std::printf("io ratio    %g\n", static_cast<double>(r.io_ratio));
    std::printf("sample rate %.10g\n", static_cast<double>(s.sample_rate));
    std::printf("block size  %d\n", s.block_size);
    auto program = s.effect.dispatch(op(Opcode::GetProgram));
    std::printf("program     %ld [%s]\n", static_cast<long>(program), s.effect.text(Opcode::GetProgramName).c_str());
    for (std::int32_t i = 0; i < r.num_params; ++i) {
        std::printf("parameter %d name [%s] label [%s] value %.6f display [%s]\n", i,
                    s.effect.text(Opcode::GetParameterName, i).c_str(),
                    s.effect.text(Opcode::GetParameterLabel, i).c_str(), static_cast<double>(s.effect.parameter(i)),
                    s.effect.text(Opcode::GetParameterDisplay, i).c_str());
    }
}

/* settle_rate: the effect's rate for one processing action. It follows the
   input file unless the user chose a rate (then a file that differs is only
   noted); a base to add onto must be at the rate the effect runs at. */
bool settle_rate(Session& s, const Action& a, const vyn::host::Audio& input, const vyn::host::Audio* base)
{
    if (input.sample_rate != 0.0 && input.sample_rate != s.sample_rate) {
        if (!s.rate_chosen && !follow_file_rate(s, input.sample_rate, a.files[0]))
            return false;
        if (s.rate_chosen)
            std::fprintf(stderr, "vsthost: note: %s is %.10g Hz; processed at %.10g Hz as asked\n",
                         a.files[0].c_str(), input.sample_rate, s.sample_rate);
    }
    if (base && base->sample_rate != 0.0 && base->sample_rate != s.sample_rate) {
        std::fprintf(stderr, "vsthost: %s is %.10g Hz, the effect runs at %.10g Hz\n", a.files[1].c_str(),
                     base->sample_rate, s.sample_rate);
        return false;
    }
    return true;
}

bool process(Session& s, const Action& a)
{
    const vyn::fx::EffectRecord& r = s.effect.record();
    bool accumulate = a.kind == ActionKind::Accumulate;
    const std::string& out_name = a.files.back();
    std::string error;
    auto input = vyn::host::read_audio_file(a.files[0], r.num_inputs, error);
    std::optional<vyn::host::Audio> base;
    if (input && accumulate)
        base = vyn::host::read_audio_file(a.files[1], r.num_outputs, error);
    if (!input || (accumulate && !base)) {
        std::fprintf(stderr, "vsthost: %s\n", error.c_str());
        return false;
    }
    if (input->channels == 1 && r.num_inputs > 1)
        *input = vyn::host::spread_mono(*input, r.num_inputs);  // one sound on every input, as a mono source is heard
    if (!settle_rate(s, a, *input, base ? &*base : nullptr))
        return false;
    vyn::host::Audio output;
    auto path = accumulate ? vyn::host::ProcessPath::Accumulating : vyn::host::ProcessPath::Replacing;
    if (!s.effect.process(*input, base ? &*base : nullptr, path, s.block_size, output, error)) {
        std::fprintf(stderr, "vsthost: %s\n", error.c_str());
        return false;
    }
    output.sample_rate = s.sample_rate;
    if (!vyn::host::write_audio_file(out_name, output, error)) {
        std::fprintf(stderr, "vsthost: %s\n", error.c_str());
        return false;
    }
    std::printf("processed %s frames into %s\n", std::to_string(output.frames()).c_str(), out_name.c_str());
    return true;
}

bool run_action(Session& s, const Action& a, const std::string& plugin)
{
    switch (a.kind) {
    case ActionKind::Show:
        show(s, plugin);
        return true;
    case ActionKind::Rate:
        if (!check_rate(a.real, "--rate") || !send_rate(s, a.real, "--rate"))
            return false;
        s.rate_chosen = true;
        return true;
    case ActionKind::Block:
        if (a.number <= 0) {
            std::fprintf(stderr, "vsthost: the block size must be positive\n");
            return false;
        }
        s.block_size = a.number;
        s.effect.dispatch(op(Opcode::SetBlockSize), 0, a.number);
        return true;
    case ActionKind::Program:
        s.effect.dispatch(op(Opcode::SetProgram), 0, a.number);
        return true;
    case ActionKind::ProgramName:
        s.effect.send_text(Opcode::SetProgramName, a.files[0]);
        return true;
    case ActionKind::Set:
        s.effect.set_parameter(a.index, a.real);
        return true;
    case ActionKind::Suspend:
        s.effect.dispatch(op(Opcode::MainsChanged), 0, 0);
        return true;
    case ActionKind::Resume:
        s.effect.dispatch(op(Opcode::MainsChanged), 0, 1);
        return true;
    case ActionKind::Dispatch: {
        if (a.number == op(Opcode::Close)) {
            // The effect would free itself under the host's feet.
            std::fprintf(stderr, "vsthost: the host closes the effect itself when it is done\n");
            return false;
        }
        std::string text;
        std::intptr_t result = s.effect.dispatch(a.number, a.index, a.value, a.real, &text);
        if (a.number == op(Opcode::SetSampleRate) && result == 0) {
            // The effect now runs at that rate, and what vsthost writes must say so.
            s.sample_rate = a.real;
            s.rate_chosen = true;
        }
        std::printf("dispatch %d -> %ld%s\n", a.number, static_cast<long>(result),
                    text.empty() ? "" : (" [" + text + "]").c_str());
        return true;
    }
    case ActionKind::Process:
    case ActionKind::Accumulate:
        return process(s, a);
    }
    return false;
}

/* run: load, start (open, rate, block size, switch on), the actions in
   order, then switch off; the effect is closed and the library unloaded on
   the way out, in that order. */
int run(const vyn::host::CommandLine& line)
{
    std::string error;
    auto library = vyn::host::PluginLibrary::load(line.plugin, error);
    if (!library) {
        std::fprintf(stderr, "vsthost: cannot load %s: %s\n", line.plugin.c_str(), error.c_str());
        return kExitFailure;
    }
    auto main_entry = reinterpret_cast<vyn::fx::MainProc>(library->entry("main"));
    if (!main_entry) {
        std::fprintf(stderr, "vsthost: %s exports no main\n", line.plugin.c_str());
        return kExitFailure;
    }
    auto effect = EffectHost::start(main_entry, line.host_version, error);
    if (!effect) {
        std::fprintf(stderr, "vsthost: %s: %s\n", line.plugin.c_str(), error.c_str());
        return kExitFailure;
    }
    Session session{*effect};
    effect->dispatch(op(Opcode::Open));
    int status = send_rate(session, session.sample_rate, line.plugin) ? 0 : kExitFailure;
    effect->dispatch(op(Opcode::SetBlockSize), 0, session.block_size);
    effect->dispatch(op(Opcode::MainsChanged), 0, 1);
    for (std::size_t i = 0; status == 0 && i < line.actions.size(); ++i) {
        const Action& action = line.actions[i];
        std::fflush(stdout);
        if (!run_action(session, action, line.plugin))
            status = kExitFailure;
    }
    effect->dispatch(op(Opcode::MainsChanged), 0, 0);
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(vyn::host::usage_text(), args.empty() ? stderr : stdout);
        return args.empty() ? kExitUsage : 0;
    }
    std::string error;
    auto line = vyn::host::parse_command_line(args, error);
    if (!line) {
        std::fprintf(stderr, "vsthost: %s\n%s", error.c_str(), vyn::host::usage_text());
        return kExitUsage;
    }
    return run(*line);
}
