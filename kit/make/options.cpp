#include "kit/make/options.h"

namespace vyn::make {

std::optional<CommandLine> parse_command_line(const std::vector<std::string>& args, std::string& error)
{
    CommandLine cl;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help") {
            cl.help = true;
            continue;
        }
        if (a.size() < 2 || a[0] != '-') {
            std::size_t eq = a.find('=');
            if (eq != std::string::npos && eq > 0)
                cl.macros[a.substr(0, eq)] = a.substr(eq + 1);
            else
                cl.goals.push_back(a);
            continue;
        }
        // A group of one-letter flags; -f and -C take the rest of the word or the next one.
        for (std::size_t j = 1; j < a.size(); ++j) {
            char f = a[j];
            if (f == 'f' || f == 'C') {
                std::string value = a.substr(j + 1);
                if (value.empty()) {
                    if (i + 1 >= args.size()) {
                        error = std::string("option requires an argument -- '") + f + "'";
                        return std::nullopt;
                    }
                    value = args[++i];
                }
                (f == 'f' ? cl.makefiles : cl.directories).push_back(value);
                break;
            }
            switch (f) {
            case 'n': cl.build.dry_run = true; break;
            case 'k': cl.build.keep_going = true; break;
            case 's': cl.build.silent = true; break;
            case 'i': cl.build.ignore_errors = true; break;
            case 'S': cl.build.keep_going = false; break;
            default:
                error = std::string("invalid option -- '") + f + "'";
                return std::nullopt;
            }
        }
    }
    return cl;
}

}  // namespace vyn::make
