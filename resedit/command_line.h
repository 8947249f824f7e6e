// The editor's command line: a resource file to open, "/Tavra" when the IDE
// starts it, and "/wizard" followed by options "/name:value".
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vyn::resedit {

struct CommandLine {
    std::string resource_file;
    bool from_ide = false;
    bool wizard = false;
    std::vector<std::pair<std::string, std::string>> wizard_options;  // in order
    const std::string* wizard_option(const std::string& name) const;
};

// Parses the arguments (without the program name). Nothing, with
// "Error parsing wizard option %s" in error, when an option after "/wizard"
// lacks its name or its ":".
std::optional<CommandLine> parse_command_line(const std::vector<std::string>& args, std::string& error);

}  // namespace vyn::resedit
