#include "platform/process.h"

namespace vyn::platform {

/* Splits a command line the way Windows programs split theirs: blanks
 * separate arguments outside quotes; '"' toggles quoting; 2n backslashes
 * before a quote give n backslashes and the quote acts, 2n+1 give n
 * backslashes and a literal quote; other backslashes are literal. */
std::vector<std::string> split_command_line(const std::string& command_line)
{
    std::vector<std::string> args;
    std::string current;
    bool in_argument = false, quoted = false;
    for (std::size_t i = 0; i < command_line.size(); ++i) {
        char c = command_line[i];
        if (!quoted && (c == ' ' || c == '\t')) {
            if (in_argument)
                args.push_back(std::move(current));
            current.clear();
            in_argument = false;
            continue;
        }
        in_argument = true;
        if (c == '\\') {
            std::size_t run = 0;
            while (i + run < command_line.size() && command_line[i + run] == '\\')
                ++run;
            bool before_quote = i + run < command_line.size() && command_line[i + run] == '"';
            current.append(before_quote ? run / 2 : run, '\\');
            i += run - 1;
            if (before_quote && run % 2 == 1) {
                current += '"';
                ++i;
            }
            continue;
        }
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        current += c;
    }
    if (in_argument)
        args.push_back(std::move(current));
    return args;
}

std::string quote_argument(const std::string& argument)
{
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos)
        return argument;
    std::string out = "\"";
    std::size_t backslashes = 0;  // the run of them not yet written
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}

std::string command_line(const std::vector<std::string>& argv)
{
    std::string line;
    for (std::size_t i = 0; i < argv.size(); ++i)
        line += (i ? " " : "") + quote_argument(argv[i]);
    return line;
}

Process::Process(Process&& other) noexcept
{
    *this = std::move(other);
}

Process& Process::operator=(Process&& other) noexcept
{
    if (this != &other) {
        close();
        id_ = other.id_;
        exit_code_ = other.exit_code_;
#ifdef _WIN32
        handle_ = other.handle_;
        other.handle_ = nullptr;
#endif
        other.id_ = 0;
        other.exit_code_.reset();
    }
    return *this;
}

Process::~Process()
{
    close();
}

}  // namespace vyn::platform
