#include "resedit/tests/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace vyn::resedit::testing {

std::filesystem::path scratch_directory(const std::string& name)
{
    const char* root = std::getenv("VYN_TEST_TMP");
    auto dir = std::filesystem::path(root ? root : std::filesystem::temp_directory_path().string()) / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

std::filesystem::path test_data(const std::string& name)
{
    return std::filesystem::path(RESEDIT_TEST_DATA) / name;
}

bool compile_script(const std::filesystem::path& script, const std::filesystem::path& res,
                    const std::vector<std::filesystem::path>& includes)
{
    std::string command = "cd '" + script.parent_path().string() + "' && '" + RESEDIT_LLVM_RC + "' -I '" + RESEDIT_WIN_INCLUDE + "'";
    for (const auto& dir : includes)
        command += " -I '" + dir.string() + "'";
    // "--" ends the options: llvm-rc reads a path such as "/check/a.rc" as its
    // /C switch otherwise.
    command += " -fo '" + res.string() + "' -- '" + script.string() + "'";
    return std::system(command.c_str()) == 0;
}

std::vector<std::uint8_t> bytes_of(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string text_of(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_text(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace vyn::resedit::testing
