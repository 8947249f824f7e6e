#include "platform/files.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <chrono>
#include <set>
#include <thread>

#include "platform/tests/test_dirs.h"

namespace {

namespace fs = std::filesystem;
using namespace vyn::platform;

std::vector<std::uint8_t> bytes_of(const std::string& s)
{
    return {s.begin(), s.end()};
}

TEST(Files, AtomicWriteReplacesWholeFilesAndLeavesNoTemporaries)
{
    fs::path dir = vyn::testing::fresh_test_dir();
    std::string path = (dir / "data.bin").string();
    std::string binary("a\0b\r\n\xFF", 6);
    ASSERT_TRUE(write_file_atomically(path, bytes_of(binary)));
    ASSERT_TRUE(write_file_atomically(path, bytes_of("second")));
    EXPECT_EQ(read_file(path), bytes_of("second"));
    EXPECT_EQ(file_size(path), 6u);
    EXPECT_EQ(list_directory(dir.string())->size(), 1u);
    EXPECT_FALSE(write_file_atomically((dir / "missing" / "x").string(), bytes_of("x")));
    EXPECT_FALSE(read_file((dir / "missing.bin").string()));
    EXPECT_FALSE(read_file(dir.string()));  // a directory is not a file to read
}

TEST(Files, ModificationTimeIsNowForANewFile)
{
    fs::path dir = vyn::testing::fresh_test_dir();
    std::string path = (dir / "t.txt").string();
    ASSERT_TRUE(write_file_atomically(path, bytes_of("x")));
    auto mtime = modification_time(path);
    ASSERT_TRUE(mtime);
    EXPECT_LT(std::llabs(*mtime - std::int64_t(std::time(nullptr))), 120);
    EXPECT_FALSE(modification_time((dir / "none").string()));
    EXPECT_TRUE(file_exists(path));
    EXPECT_FALSE(file_exists(dir.string()));
    EXPECT_TRUE(directory_exists(dir.string()));
}

// make compares a source with its object: two writes within one second must
// still be told apart, so the fine time keeps what the file system keeps.
TEST(Files, FineModificationTimesKeepFractionsOfASecond)
{
    fs::path dir = vyn::testing::fresh_test_dir();
    std::set<std::int64_t> fractions;
    for (int i = 0; i < 60 && fractions.size() < 3; ++i) {
        std::string path = (dir / ("f" + std::to_string(i))).string();
        ASSERT_TRUE(write_file_atomically(path, bytes_of("x")));
        auto fine = modification_time_ns(path);
        auto coarse = modification_time(path);
        ASSERT_TRUE(fine && coarse);
        EXPECT_EQ(*fine / 1000000000, *coarse);
        fractions.insert(*fine % 1000000000);
        std::this_thread::sleep_for(std::chrono::milliseconds(23));
    }
    EXPECT_GE(fractions.size(), 3u) << "modification times come in whole seconds";
}

TEST(Files, WalkVisitsDepthFirstInNameOrderAndCanStop)
{
    fs::path dir = vyn::testing::fresh_test_dir();
    ASSERT_TRUE(make_directories((dir / "b" / "inner").string()));
    for (const char* name : {"c.txt", "a.txt", "b/z.txt", "b/inner/y.txt"})
        ASSERT_TRUE(write_file_atomically((dir / name).string(), bytes_of(name)));
    std::vector<std::string> seen;
    walk_directory(dir.string(), [&](const DirEntry& e) {
        seen.push_back(e.name + (e.is_directory ? "/" : ""));
        return true;
    });
    EXPECT_EQ(seen, (std::vector<std::string>{"a.txt", "b/", "inner/", "y.txt", "z.txt", "c.txt"}));
    int visits = 0;
    EXPECT_FALSE(walk_directory(dir.string(), [&](const DirEntry&) { return ++visits < 2; }));
    EXPECT_EQ(visits, 2);
}

TEST(Files, TemporaryNamesAreFreshAndCarryThePrefix)
{
    std::string dir = vyn::testing::fresh_test_dir();
    std::set<std::string> names;
    for (int i = 0; i < 50; ++i) {
        std::string name = temporary_file_name(dir, "tv");
        EXPECT_FALSE(file_exists(name));
        EXPECT_EQ(fs::path(name).filename().string().substr(0, 2), "tv");
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 50u);
}

}  // namespace
