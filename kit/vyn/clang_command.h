// The clang command lines vyn runs: one for the object, and extra ones for
// the listings (-S, -z) and the dependency scan (-M).
#pragma once

#include "kit/vyn/options.h"

#include <string>
#include <vector>

namespace vyn::cc {

constexpr const char* kTarget = "--target=i686-w64-windows-gnu";

// Paths as the clang process sees them (host paths).
struct ClangInputs {
    std::string source;
    std::string include_dir;  // the kit's C and Win32 headers
    std::vector<std::string> includes;
};

// Switches shared by every run: target, headers, macros, language options.
std::vector<std::string> common_arguments(const Options& o, const ClangInputs& in);
// Compiles in.source into object (COFF with C13 CodeView when debugging).
std::vector<std::string> object_arguments(const Options& o, const ClangInputs& in, const std::string& object);
// Writes an assembly listing (-S) or the intermediate language (-z) into file.
std::vector<std::string> listing_arguments(const Options& o, const ClangInputs& in, const std::string& file,
                                           bool intermediate);
// Writes the make-style dependency rule of in.source into rule_file.
std::vector<std::string> dependency_arguments(const Options& o, const ClangInputs& in, const std::string& rule_file);

}  // namespace vyn::cc
