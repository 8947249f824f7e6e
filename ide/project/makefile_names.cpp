// The names and switch strings the makefile is made of.
#include "ide/project/makefile_generator.h"

#include "common/strings.h"
#include "common/winpath.h"

namespace vyn::project {

using vyn::format;
namespace winpath = vyn::winpath;

std::string object_name(const std::string& file)
{
    std::string base = vyn::to_lower_ascii(winpath::base_name(file));
    std::size_t dot = base.rfind('.');
    if (dot != std::string::npos)
        base.resize(dot);
    return base + ".obj";
}

std::string dependency_macro(const std::string& file)
{
    std::string macro = vyn::to_upper_ascii(winpath::base_name(file));
    for (char& c : macro)
        if (c == '.')
            c = '_';
    return macro;
}

namespace {

std::string include_switches(const Project& p)
{
    std::string s;
    for (const std::string& dir : vyn::split(p.includes, ';'))
        if (!dir.empty())
            s += "-I" + dir + " ";
    return s;
}

// Defines split at ";", or at "," when the rest has no ";", or at a blank
// when it has neither.
std::string define_switches(const Project& p)
{
    std::string s;
    std::string_view rest = p.defines;
    while (!rest.empty()) {
        char separator = rest.find(';') != std::string_view::npos   ? ';'
                         : rest.find(',') != std::string_view::npos ? ','
                                                                    : ' ';
        std::size_t end = rest.find(separator);
        std::string_view define = rest.substr(0, end);
        if (!define.empty())
            s += "-D" + std::string(define) + " ";
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    return s;
}

}  // namespace

std::string compiler_switches(const Project& p)
{
    const std::uint32_t f = p.compiler_flags;
    std::string s = include_switches(p) + define_switches(p);
    if (f & flag::kOptimize)
        s += " -O ";
    if (f & flag::kBrowseInfo)
        s += " -x ";
    if (f & flag::kStackTraceLines)
        s += " -g4 ";
    else if (f & flag::kStackTrace)
        s += " -g3 ";
    else if (f & flag::kDebugInfo)
        s += " -g2 ";
    if (f & flag::kAsm)
        s += " -S ";
    if (f & flag::kWarningsAll)
        s += " -A ";
    static const std::pair<std::uint32_t, const char*> packing[] = {
        {flag::kPack1, " -Zp1 "}, {flag::kPack2, " -Zp2 "}, {flag::kPack4, " -Zp4 "},
        {flag::kPack8, " -Zp8 "}, {flag::kPack16, " -Zp16 "}};
    for (const auto& [bit, text] : packing)
        if (f & bit)
            s += text;
    if (f & flag::kIntermediate)
        s += "-z ";
    return s;
}

std::string link_switches(const Project& p, ProjectUi& ui)
{
    const std::uint32_t f = p.compiler_flags;
    std::string s;
    if (f & flag::kNoDebugInfo)
        s += " -s";
    if (f & flag::kDll) {
        s += " -dll";
        if (!p.entry_point.empty() && p.entry_point != "LibMain")
            s += " -entry " + p.entry_point;
    } else if (f & flag::kConsole) {
        s += " -subsystem console";
    } else {
        bool resources = false;
        for (const std::string& file : p.files) {
            std::string_view ext = winpath::extension(file);
            resources = resources || vyn::equals_nocase(ext, ".rc") || vyn::equals_nocase(ext, ".res");
        }
        if (!resources)
            ui.inform("Windows program but no resources defined?");
        s += " -subsystem windows";
    }
    std::size_t dot = p.exe.rfind('.');
    if ((f & flag::kMapFile) && dot != std::string::npos)
        s += " -map " + p.exe.substr(0, dot) + ".map";
    if (!p.linker_args.empty())
        s += " " + p.linker_args;
    return s;
}

std::string dependency_command(const Project& p, const std::string& file)
{
    std::string command = format("%s\\bin\\vyn.exe -M -Fo%s ", p.compiler_root.c_str(), kDependencyListName);
    command += include_switches(p);
    if (winpath::last_separator(file) == std::string::npos)
        command += format(" %s\\%s", p.sources_dir.c_str(), file.c_str());
    else
        command += " " + file;
    return command;
}

}  // namespace vyn::project
