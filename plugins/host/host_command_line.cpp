#include "plugins/host/host_command_line.h"

#include "common/strings.h"
#include "plugins/sdk/effect_interface.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace vyn::host {

namespace {

std::optional<float> parse_float(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || errno == ERANGE || !std::isfinite(value) ||
        std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max()))
        return std::nullopt;
    return static_cast<float>(value);
}

std::optional<std::int32_t> parse_int32(const std::string& text)
{
    auto value = parse_long(text);
    if (!value || *value < std::numeric_limits<std::int32_t>::min() || *value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(*value);
}

// OP[,INDEX[,VALUE[,OPT]]]
bool parse_dispatch(const std::string& text, Action& action)
{
    auto parts = split(text, ',');
    if (parts.empty() || parts.size() > 4)
        return false;
    auto opcode = parse_int32(parts[0]);
    if (!opcode)
        return false;
    action.number = *opcode;
    if (parts.size() > 1) {
        auto index = parse_int32(parts[1]);
        if (!index)
            return false;
        action.index = *index;
    }
    if (parts.size() > 2) {
        auto value = parse_long(parts[2]);
        if (!value)
            return false;
        action.value = static_cast<std::intptr_t>(*value);
    }
    if (parts.size() > 3) {
        auto opt = parse_float(parts[3]);
        if (!opt)
            return false;
        action.real = *opt;
    }
    return true;
}

// INDEX=VALUE
bool parse_set(const std::string& text, Action& action)
{
    auto equals = text.find('=');
    if (equals == std::string::npos)
        return false;
    auto index = parse_int32(text.substr(0, equals));
    auto value = parse_float(text.substr(equals + 1));
    if (!index || !value)
        return false;
    action.index = *index;
    action.real = *value;
    return true;
}

// Parameters travel normalised; a value outside 0…1 is a mistake, not a setting.
bool normalised(float value)
{
    return value >= fx::kParameterMin && value <= fx::kParameterMax;
}

struct OptionShape {
    const char* name;
    ActionKind kind;
    int arguments;
};

constexpr OptionShape kOptions[] = {
    {"--show", ActionKind::Show, 0},
    {"--rate", ActionKind::Rate, 1},
    {"--block", ActionKind::Block, 1},
    {"--program", ActionKind::Program, 1},
    {"--program-name", ActionKind::ProgramName, 1},
    {"--set", ActionKind::Set, 1},
    {"--suspend", ActionKind::Suspend, 0},
    {"--resume", ActionKind::Resume, 0},
    {"--dispatch", ActionKind::Dispatch, 1},
    {"--process", ActionKind::Process, 2},
    {"--accumulate", ActionKind::Accumulate, 3},
};

/* parse_action: the option's arguments turned into an Action; false when
   they do not have the option's shape. */
bool parse_action(const OptionShape& shape, const std::vector<std::string>& arguments, Action& action)
{
    action.kind = shape.kind;
    switch (shape.kind) {
    case ActionKind::Rate: {
        auto rate = parse_float(arguments[0]);
        action.real = rate.value_or(0.0f);
        return rate.has_value();
    }
    case ActionKind::Block:
    case ActionKind::Program: {
        auto number = parse_int32(arguments[0]);
        action.number = number.value_or(0);
        return number.has_value();
    }
    case ActionKind::Set:
        return parse_set(arguments[0], action);
    case ActionKind::Dispatch:
        return parse_dispatch(arguments[0], action);
    default:
        action.files = arguments;
        return true;
    }
}

}  // namespace

std::optional<CommandLine> parse_command_line(const std::vector<std::string>& args, std::string& error)
{
    CommandLine line;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--host-version") {
            std::optional<long> version = i + 1 < args.size() ? parse_long(args[i + 1]) : std::nullopt;
            if (!version) {
                error = "--host-version needs a number";
                return std::nullopt;
            }
            line.host_version = static_cast<std::intptr_t>(*version);
            ++i;
            continue;
        }
        if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            if (!line.plugin.empty()) {
                error = "unexpected argument \"" + arg + "\"";
                return std::nullopt;
            }
            line.plugin = arg;
            continue;
        }
        const OptionShape* shape = nullptr;
        for (const OptionShape& option : kOptions)
            if (arg == option.name)
                shape = &option;
        if (!shape) {
            error = "unknown option " + arg;
            return std::nullopt;
        }
        if (i + static_cast<std::size_t>(shape->arguments) >= args.size()) {
            error = format("%s needs %d argument%s", shape->name, shape->arguments, shape->arguments > 1 ? "s" : "");
            return std::nullopt;
        }
        std::vector<std::string> arguments(args.begin() + static_cast<std::ptrdiff_t>(i + 1),
                                           args.begin() + static_cast<std::ptrdiff_t>(i + 1 + shape->arguments));
        Action action;
        if (!parse_action(*shape, arguments, action)) {
            error = "bad argument for " + arg + ": " + join(arguments, " ");
            return std::nullopt;
        }
        if (action.kind == ActionKind::Set && !normalised(action.real)) {
            error = "--set " + arguments[0] + ": parameter values lie between 0 and 1";
            return std::nullopt;
        }
        line.actions.push_back(action);
        i += static_cast<std::size_t>(shape->arguments);
    }
    if (line.plugin.empty()) {
        error = "no plug-in named";
        return std::nullopt;
    }
    if (line.actions.empty())
        line.actions.push_back(Action{});
    return line;
}

const char* usage_text()
{
    return "usage: vsthost [--host-version N] PLUGIN [ACTION...]\n"
           "Loads an audio effect plug-in and runs the actions in the order given\n"
           "(without any: --show).\n"
           "  --show                      identity, current program and every parameter\n"
           "  --rate HZ                   set the sample rate, a whole number of Hz (default: the rate\n"
           "                              of each WAV file processed, else 44100)\n"
           "  --block N                   set the block size, also the processing block (default 1024)\n"
           "  --program N                 select a program\n"
           "  --program-name TEXT         name the current program\n"
           "  --set INDEX=VALUE           set a parameter (values are normalised, 0 to 1)\n"
           "  --suspend, --resume         switch the effect off or on\n"
           "  --dispatch OP[,INDEX[,VALUE[,OPT]]]  send any request and print its result\n"
           "  --process IN OUT            process IN into OUT, replacing\n"
           "  --accumulate IN BASE OUT    process IN and add it to BASE, into OUT\n"
           "  --host-version N            what the host answers the version query (default 1)\n"
           "Audio files ending in .wav are WAV files: read with 16-, 24- or 32-bit PCM or 32-bit\n"
           "float samples (a mono file feeds every input of the effect), written with 32-bit\n"
           "float samples at the rate the effect ran at. Other files are raw interleaved\n"
           "little-endian floats with the effect's channel count.\n";
}

}  // namespace vyn::host
