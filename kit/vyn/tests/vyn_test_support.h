// Running vyn and clang from the kit's tests.
#pragma once

#include "linker/tests/link_harness.h"

#include <string>
#include <vector>

namespace vyn::cc::test {

// The text of a test program kept in kit/vyn/tests/programs.
std::string program_text(const std::string& name);

// vyn with args, run in directory with the Debian mingw-w64 headers as the
// kit's include directory and a registry hive of the directory's own.
lnk::test::RunResult run_vyn(const std::vector<std::string>& args, const std::string& directory);

// clang's own object of source (in d) with the switches vyn would give it
// for vyn_switches; with dwarf, its debug information as DWARF instead of
// CodeView (same code, and line tables llvm-objdump reads).
void clang_object(const lnk::test::LinkDir& d, const std::string& source, const std::string& object,
                  const std::vector<std::string>& vyn_switches, bool dwarf);

std::string llvm_readobj(const std::string& file, const std::string& options);
std::string llvm_objdump(const std::string& file, const std::string& options);

constexpr const char* kDebianHeaders = "/usr/share/mingw-w64/include";

}  // namespace vyn::cc::test
