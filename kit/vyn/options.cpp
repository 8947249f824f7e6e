// Parsing vyn's switches.
#include "kit/vyn/options.h"

#include "common/strings.h"

namespace vyn::cc {

namespace {

/* The value of a switch spelled name: attached to it, or the next
   argument when next_allowed. Nothing when missing. */
std::optional<std::string> switch_value(const std::vector<std::string>& args, std::size_t& i, std::string_view name,
                                        bool next_allowed)
{
    std::string_view arg = args[i];
    if (arg.size() > name.size())
        return std::string(arg.substr(name.size()));
    if (next_allowed && i + 1 < args.size())
        return args[++i];
    return std::nullopt;
}

bool is_switch(std::string_view arg)
{
    return arg.size() > 1 && (arg[0] == '-' || arg[0] == '/') && arg != "/";
}

std::optional<int> packing_of(std::string_view arg)
{
    auto value = parse_u32(arg.substr(3));
    if (!value || (*value != 1 && *value != 2 && *value != 4 && *value != 8 && *value != 16))
        return std::nullopt;
    return static_cast<int>(*value);
}

}  // namespace

ParseResult parse_options(const std::vector<std::string>& args)
{
    Options o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // A '/' switch is accepted only where it cannot be a Unix path.
        if (!is_switch(arg) || (arg[0] == '/' && arg.find('/', 1) != std::string::npos)) {
            o.sources.push_back(arg);
            continue;
        }
        std::string s = "-" + arg.substr(1);
        if (s == "-c")
            o.compile = true;
        else if (s == "-M")
            o.dependencies = true;
        else if (s == "-O")
            o.optimize = true;
        else if (s == "-x")
            o.browse_info = true;
        else if (s == "-S")
            o.assembly = true;
        else if (s == "-A")
            o.all_warnings = true;
        else if (s == "-z")
            o.intermediate = true;
        else if (s == "-v")
            o.verbose = true;
        else if (s == "-g2")
            o.debug = std::max(o.debug, DebugLevel::Symbols);
        else if (s == "-g3")
            o.debug = std::max(o.debug, DebugLevel::StackTrace);
        else if (s == "-g4")
            o.debug = DebugLevel::StackTraceAndLines;
        else if (s == "-h" || s == "-?" || s == "--help")
            return {std::nullopt, ""};
        else if (s.starts_with("-Zp")) {
            auto packing = packing_of(s);
            if (!packing)
                return {std::nullopt, format("bad structure alignment '%s' (1, 2, 4, 8 or 16)", arg.c_str())};
            o.packing = *packing;
        } else if (s.starts_with("-I") || s.starts_with("-D") || s.starts_with("-o") || s.starts_with("-Fo")) {
            std::string name = s.starts_with("-Fo") ? "-Fo" : s.substr(0, 2);
            auto value = switch_value(args, i, name, name != "-Fo");
            if (!value || value->empty())
                return {std::nullopt, format("%s needs a value", name.c_str())};
            if (name == "-I")
                o.includes.push_back(*value);
            else if (name == "-D")
                o.defines.push_back(*value);
            else
                o.output = *value;
        } else {
            return {std::nullopt, format("unknown switch '%s'", arg.c_str())};
        }
    }
    if (o.sources.empty())
        return {std::nullopt, "no source file"};
    if (!o.compile && !o.dependencies)
        return {std::nullopt, "nothing to do: -c compiles, -M lists the included headers (vynlnk links)"};
    if (!o.output.empty() && o.sources.size() > 1 && !o.dependencies)
        return {std::nullopt, "-o names one object, but several sources are given"};
    return {std::move(o), ""};
}

const char* usage_text()
{
    return "usage: vyn -c [switches] file.c...     compile into file.obj (COFF, i386, CodeView 4)\n"
           "       vyn -M [-Fo<list>] [-I<dir>...] file.c    list the included headers, one a line\n"
           "\n"
           "switches and what the compiler (clang, target i686-w64-windows-gnu) is given:\n"
           "  -I<dir>   include directory                     -I<dir>\n"
           "  -D<n[=v]> macro definition                      -D<n[=v]>\n"
           "  -O        optimize                              -O2\n"
           "  -g2       debug information                     -g -gcodeview, converted to CodeView 4\n"
           "  -g3       and run-time stack traces             as -g2 (frame pointers are always kept)\n"
           "  -g4       and line numbers for stack traces     as -g2 (line numbers come with it)\n"
           "  -x        browse information                    accepted; no browse database is written\n"
           "  -S        also write file.asm                   -S -masm=intel\n"
           "  -A        all warnings                          -Wall -Wextra\n"
           "  -Zp<n>    structure alignment n (1,2,4,8,16)    -fpack-struct=<n>\n"
           "  -z        also write file.il (intermediate)     -S -emit-llvm\n"
           "  -o <obj>, -Fo<obj>  object name (with -M: the list's file)\n"
           "  -v        show the commands run\n"
           "always: -nostdlibinc (clang's own builtin headers stay), the kit's include directory, -fno-omit-frame-pointer,\n"
           "-mstack-alignment=8 (frame-relative locals), -D__MSVCRT_VERSION__=0x600,\n"
           "-D__USE_MINGW_ANSI_STDIO=0 (the C library is msvcrt's), -fno-addrsig\n";
}

}  // namespace vyn::cc
