#include "ide/project/external_tools.h"

#include "common/strings.h"
#include "common/winpath.h"

namespace tavra::project {

using vyn::format;
namespace winpath = vyn::winpath;

namespace {
constexpr std::size_t kMaxExpansionName = 30;
}  // namespace

std::optional<std::string> expand_utility_text(std::string_view text, const ExpansionValues& v, std::string& error)
{
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t close = text[i] == '$' ? text.find('$', i + 1) : std::string_view::npos;
        if (close == std::string_view::npos || close - i - 1 > kMaxExpansionName) {
            out += text[i++];
            continue;
        }
        std::string name = vyn::to_upper_ascii(text.substr(i + 1, close - i - 1));
        i = close + 1;
        const std::string* value = nullptr;
        if (name == "FILE")
            value = &v.file;
        else if (name == "HWND")
            value = &v.hwnd;
        else if (name == "CURRENT_TEXT")
            value = &v.current_text;
        else if (name == "CURSOR")
            value = &v.cursor;
        else if (name == "EXE")
            value = &v.exe;
        else if (name == "SELECTION") {
            if (v.selection_multiline) {
                error = "Impossible to send multi-line selection";
                return std::nullopt;
            }
            value = &v.selection;
        }
        if (value)
            out += *value + " ";
    }
    return out;
}

std::string executable_path(const Project& p)
{
    if (winpath::last_separator(p.exe) != std::string::npos || p.make.dir.empty())
        return p.exe;
    return format("%s\\%s", p.make.dir.c_str(), p.exe.c_str());
}

std::string capture_command_file(const std::string& program, const std::string& args, const std::string& output)
{
    return format("%s %s > %s\r\n", program.c_str(), args.c_str(), output.c_str());
}

std::string console_batch_file(const std::string& command_line)
{
    return format("@echo off\n%s\npause\ndel %s\n", command_line.c_str(), kRunBatchName);
}

std::string with_runner(const std::string& runner, const std::string& command_line)
{
    if (runner.empty())
        return command_line;
    return runner + " " + command_line;
}

std::vector<std::string> rebuild_object_list(const std::vector<std::string>& files)
{
    std::vector<std::string> objects;
    for (const std::string& file : files) {
        std::string_view ext = winpath::extension(file);
        if (ext.empty() || vyn::equals_nocase(ext, ".obj"))
            continue;
        objects.push_back(vyn::to_lower_ascii(winpath::replace_extension(file, ".obj")));
    }
    return objects;
}

}  // namespace tavra::project
