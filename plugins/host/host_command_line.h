// The command line of vsthost: a plug-in file and a list of actions that run
// in the order given.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vyn::host {

enum class ActionKind {
    Show,
    Rate,
    Block,
    Program,
    ProgramName,
    Set,
    Suspend,
    Resume,
    Dispatch,
    Process,
    Accumulate,
};

struct Action {
    ActionKind kind = ActionKind::Show;
    std::int32_t index = 0;            // Program, Set, Dispatch (opcode in number)
    std::int32_t number = 0;           // Block, Program, Dispatch opcode
    std::intptr_t value = 0;           // Dispatch
    float real = 0.0f;                 // Rate, Set, Dispatch opt
    std::vector<std::string> files;    // ProgramName text; Process: in, out; Accumulate: in, base, out
};

struct CommandLine {
    std::string plugin;
    std::intptr_t host_version = 1;
    std::vector<Action> actions;  // never empty: Show when none were given
};

// The parsed command line, or nothing with a message in error.
std::optional<CommandLine> parse_command_line(const std::vector<std::string>& args, std::string& error);

const char* usage_text();

}  // namespace vyn::host
