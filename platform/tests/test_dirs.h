// A fresh directory for one test: under VYN_TEST_TMP when the test runner
// sets it, else under the system's temporary directory.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/files.h"

namespace vyn::testing {

inline std::string fresh_test_dir()
{
    const char* root = std::getenv("VYN_TEST_TMP");
    std::filesystem::path base = root && *root ? root : platform::temporary_directory();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::filesystem::path dir = base / (std::string(info->test_suite_name()) + "." + info->name());
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    std::filesystem::create_directories(dir, ec);
    return dir.string();
}

}  // namespace vyn::testing
