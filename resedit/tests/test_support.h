// Shared helpers of the resource editor tests: a recording Ui, a scratch
// directory, and resource files compiled from scripts by LLVM's compiler.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "resedit/tests/test_ui.h"

namespace vyn::resedit::testing {

std::filesystem::path scratch_directory(const std::string& name);
std::filesystem::path test_data(const std::string& name);
// Compiles script into res with the Windows headers and the extra include
// directories on the path; false when the compiler reports an error.
bool compile_script(const std::filesystem::path& script, const std::filesystem::path& res,
                    const std::vector<std::filesystem::path>& includes = {});
std::vector<std::uint8_t> bytes_of(const std::filesystem::path& path);
std::string text_of(const std::filesystem::path& path);
void write_text(const std::filesystem::path& path, const std::string& text);

}  // namespace vyn::resedit::testing
