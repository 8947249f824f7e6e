// What the machine's tests share: C programs compiled by clang for the i686
// MSVC target with the declarations of the emulated system functions in
// front, linked by vynlnk or by lld-link, and run by vyni386.
#pragma once

#include "linker/tests/link_harness.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vyn::i386::test {

using lnk::test::LinkDir;
using lnk::test::RunResult;

// The kernel32 declarations and put(text), which writes to standard output.
extern const char* const kDeclarations;

using Modules = std::vector<std::pair<std::string, std::string>>;  // object name, C source

// Compiles the modules (each with the declarations in front) and links them
// with vynlnk into out; the objects' paths are returned for a second link.
std::vector<std::string> build(const LinkDir& d, const Modules& modules, const std::string& out);
// The same, linked by lld-link with the test's startup object (unless the
// options name an entry point of their own) and these options.
void build_with_lld(const LinkDir& d, const Modules& modules, const std::string& options, const std::string& out);
// vyni386 [options] image [args], in the test's directory.
RunResult run_image(const LinkDir& d, const std::string& image, const std::string& args = "",
                    const std::string& input = "", const std::string& options = "");
std::vector<std::uint8_t> read_bytes(const std::string& path);

}  // namespace vyn::i386::test
