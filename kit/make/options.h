// make's command line: options, macro definitions and goals.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "kit/make/builder.h"

namespace vyn::make {

struct CommandLine {
    std::vector<std::string> makefiles;       // -f, in order
    std::vector<std::string> directories;     // -C, applied in order
    std::map<std::string, std::string> macros;  // NAME=value
    std::vector<std::string> goals;
    BuildOptions build;
    bool help = false;
};

// Parses argv[1..]; nothing on a bad option, with make's message in error.
std::optional<CommandLine> parse_command_line(const std::vector<std::string>& args, std::string& error);

}  // namespace vyn::make
