#include "resedit/command_line.h"

#include "common/strings.h"

namespace vyn::resedit {

const std::string* CommandLine::wizard_option(const std::string& name) const
{
    for (const auto& [key, value] : wizard_options)
        if (equals_nocase(key, name))
            return &value;
    return nullptr;
}

std::optional<CommandLine> parse_command_line(const std::vector<std::string>& args, std::string& error)
{
    CommandLine line;
    for (const std::string& arg : args) {
        if (equals_nocase(arg, "/Tavra")) {
            line.from_ide = true;
            continue;
        }
        if (equals_nocase(arg, "/wizard")) {
            line.wizard = true;
            continue;
        }
        if (line.wizard && !arg.empty() && arg[0] == '/') {
            std::size_t colon = arg.find(':');
            if (colon == std::string::npos || colon < 2) {
                error = format("Error parsing wizard option %s", arg.c_str());
                return std::nullopt;
            }
            line.wizard_options.emplace_back(arg.substr(1, colon - 1), arg.substr(colon + 1));
            continue;
        }
        if (line.wizard && line.resource_file.empty() && arg.empty())
            continue;
        line.resource_file = arg;
    }
    return line;
}

}  // namespace vyn::resedit
