// Mapping vyn's switches to clang's (the table is in the usage text).
#include "kit/vyn/clang_command.h"

#include "common/strings.h"

namespace vyn::cc {

std::vector<std::string> common_arguments(const Options& o, const ClangInputs& in)
{
    std::vector<std::string> a = {kTarget, "-nostdlibinc", "-fno-color-diagnostics", "-fno-caret-diagnostics",
                                  "-fno-addrsig", "-fno-omit-frame-pointer",
                                  // Locals stay at fixed offsets from EBP: no realigned frames.
                                  "-mstack-alignment=8",
                                  // The C library is msvcrt's, with its own printf family.
                                  "-D__MSVCRT_VERSION__=0x600", "-D__USE_MINGW_ANSI_STDIO=0"};
    for (const std::string& dir : in.includes)
        a.push_back("-I" + dir);
    if (!in.include_dir.empty()) {
        a.push_back("-isystem");
        a.push_back(in.include_dir);
    }
    for (const std::string& d : o.defines)
        a.push_back("-D" + d);
    if (o.optimize)
        a.push_back("-O2");
    if (o.all_warnings) {
        a.push_back("-Wall");
        a.push_back("-Wextra");
    }
    if (o.packing)
        a.push_back(format("-fpack-struct=%d", o.packing));
    // Windows names are case-blind: "X.C" is a C source (the resource
    // editor writes its code so), where clang would take it for C++.
    if (in.source.size() > 2 && in.source.ends_with(".C")) {
        a.push_back("-x");
        a.push_back("c");
    }
    return a;
}

std::vector<std::string> object_arguments(const Options& o, const ClangInputs& in, const std::string& object)
{
    std::vector<std::string> a = common_arguments(o, in);
    if (o.debug != DebugLevel::None) {
        a.push_back("-g");
        a.push_back("-gcodeview");
        a.push_back("-gno-column-info");
    }
    for (const char* s : {"-c", "-o"})
        a.push_back(s);
    a.push_back(object);
    a.push_back(in.source);
    return a;
}

std::vector<std::string> listing_arguments(const Options& o, const ClangInputs& in, const std::string& file,
                                           bool intermediate)
{
    std::vector<std::string> a = common_arguments(o, in);
    a.push_back("-S");
    a.push_back(intermediate ? "-emit-llvm" : "-masm=intel");
    a.push_back("-o");
    a.push_back(file);
    a.push_back(in.source);
    return a;
}

std::vector<std::string> dependency_arguments(const Options& o, const ClangInputs& in, const std::string& rule_file)
{
    std::vector<std::string> a = common_arguments(o, in);
    for (const char* s : {"-M", "-MF"})
        a.push_back(s);
    a.push_back(rule_file);
    a.push_back(in.source);
    return a;
}

}  // namespace vyn::cc
