// The command line of vyn: the switches the generated makefile writes and
// the dependency mode the makefile generator runs.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vyn::cc {

enum class DebugLevel { None, Symbols, StackTrace, StackTraceAndLines };  // none, -g2, -g3, -g4

struct Options {
    bool compile = false;        // -c
    bool dependencies = false;   // -M
    bool optimize = false;       // -O
    bool browse_info = false;    // -x
    bool assembly = false;       // -S
    bool all_warnings = false;   // -A
    bool intermediate = false;   // -z
    DebugLevel debug = DebugLevel::None;
    int packing = 0;             // -Zp1 .. -Zp16; 0: the default
    std::vector<std::string> includes;  // -I, in order
    std::vector<std::string> defines;   // -D, in order ("NAME" or "NAME=VALUE")
    std::string output;          // -o or -Fo
    std::vector<std::string> sources;
    bool verbose = false;        // -v: show the commands run
};

struct ParseResult {
    std::optional<Options> options;
    std::string error;  // when options is empty; "" asks for the usage text
};

/* Reads args (without the program name). A switch takes its value attached
   ("-Idir", "-Foout") or, for -I, -D and -o, as the next argument. */
ParseResult parse_options(const std::vector<std::string>& args);

// The usage text, which also documents how each switch reaches clang.
const char* usage_text();

}  // namespace vyn::cc
