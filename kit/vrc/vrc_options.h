// vrc's command line and the resource compiler's arguments made from it.
//
//   vrc [-I dir]... [-D name[=value]]... [-U name]... [-fo file.res] [-v] file.rc
//
// "-Idir" and "-I dir" are the same; the compiled file goes to -fo's name,
// else to the script's base name with ".res" in the current directory (the
// generated makefile's rule expects it there).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vyn::vrc {

struct Options {
    std::vector<std::string> includes;
    std::vector<std::string> defines;
    std::vector<std::string> undefines;
    std::string output;
    std::string input;
    bool verbose = false;
};

// Nothing on a bad command line, with vrc's message in error.
std::optional<Options> parse_options(const std::vector<std::string>& args, std::string& error);

// The arguments of llvm-rc (without the program name). Every path has
// already been made what the resource compiler sees; kit_include, when not
// empty, is searched after the user's directories.
std::vector<std::string> resource_compiler_arguments(const Options& options, const std::string& kit_include);

// A diagnostic of the preprocessor ("file:line:col: error: text") in the
// form the IDE leads back to the source ("file(line) : error RC: text");
// other lines unchanged.
std::string ide_diagnostic(const std::string& line);

}  // namespace vyn::vrc
