#include "ide/project/external_tools.h"

#include "common/byte_reader.h"
#include "common/coff_format.h"
#include "common/strings.h"
#include "common/winpath.h"

namespace vyn::project {

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

bool is_i386_image(std::span<const std::uint8_t> image)
{
    vyn::ByteReader reader(image);
    if (reader.u16() != 0x5A4D || !reader.seek(0x3C))
        return false;
    std::uint32_t pe = reader.u32();
    if (!reader.ok() || !reader.seek(pe) || reader.u32() != 0x00004550)
        return false;
    std::uint16_t machine = reader.u16();
    return reader.ok() && machine == vyn::coff::machine::kI386;
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

}  // namespace vyn::project
