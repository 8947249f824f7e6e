// The whole-file reader and the store's writes, natively and under Wine.
#include "platform/files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/tests/test_dirs.h"

namespace {

namespace fs = std::filesystem;
using namespace vyn::platform;

TEST(FileWrites, WholeFileReadGivesExactBytesOfLargeAndEmptyFiles)
{
    std::string dir = vyn::testing::fresh_test_dir();
    std::string big;
    for (unsigned i = 0; i < 300000; ++i)
        big += static_cast<char>((i * 7919u) % 256u);
    std::string path = (fs::path(dir) / "big.bin").string();
    ASSERT_TRUE(write_file_atomically(path, {big.begin(), big.end()}));
    std::string back = "stale";
    ASSERT_TRUE(read_whole_file(path, back));
    EXPECT_EQ(back, big);
    EXPECT_EQ(read_file(path), std::vector<std::uint8_t>(big.begin(), big.end()));

    std::string empty = (fs::path(dir) / "empty").string();
    ASSERT_TRUE(write_file_atomically(empty, {}));
    ASSERT_TRUE(read_whole_file(empty, back));
    EXPECT_EQ(back, "");
    EXPECT_FALSE(read_whole_file((fs::path(dir) / "missing").string(), back));
}

TEST(FileWrites, CreateExclusiveRefusesAnExistingFile)
{
    std::string dir = vyn::testing::fresh_test_dir();
    std::string path = (fs::path(dir) / "lock").string();
    ASSERT_TRUE(create_exclusive(path, "first\n"));
    EXPECT_FALSE(create_exclusive(path, "second\n"));
    std::string back;
    ASSERT_TRUE(read_whole_file(path, back));
    EXPECT_EQ(back, "first\n");
}

TEST(FileWrites, WriteTemporaryPassesAFaultPointAfterEachPiece)
{
    std::string dir = vyn::testing::fresh_test_dir();
    std::string path = (fs::path(dir) / "t.tmp").string();
    int points = 0;
    set_fault_hook([&points] { ++points; });
    std::string bytes(40000, 'x');  // three pieces of at most 16384 bytes
    bool ok = write_temporary(path, bytes);
    set_fault_hook(nullptr);
    ASSERT_TRUE(ok);
    EXPECT_EQ(points, 3);
    fault_point();  // without a hook: nothing happens
    EXPECT_EQ(points, 3);
    // Truncates what was there before.
    ASSERT_TRUE(write_temporary(path, "short"));
    std::string back;
    ASSERT_TRUE(read_whole_file(path, back));
    EXPECT_EQ(back, "short");
    EXPECT_FALSE(write_temporary((fs::path(dir) / "no" / "such").string(), "x"));
}

TEST(FileWrites, ReplaceAndAppend)
{
    std::string dir = vyn::testing::fresh_test_dir();
    std::string a = (fs::path(dir) / "a").string(), b = (fs::path(dir) / "b").string();
    ASSERT_TRUE(append_to_file(a, "one\n"));
    ASSERT_TRUE(append_to_file(a, "two\n"));
    ASSERT_TRUE(write_temporary(b, "old\n"));
    ASSERT_TRUE(replace_file(a, b));
    std::string back;
    ASSERT_TRUE(read_whole_file(b, back));
    EXPECT_EQ(back, "one\ntwo\n");
    EXPECT_FALSE(file_exists(a));
    EXPECT_FALSE(replace_file(a, b));  // the source is gone
}

// A reader that holds the target open for a moment (on Windows its handle
// forbids the rename) does not make a save fail; both write paths wait.
TEST(FileWrites, ATargetHeldOpenForAMomentIsStillReplaced)
{
    std::string dir = vyn::testing::fresh_test_dir();
    std::string a = (fs::path(dir) / "a").string(), b = (fs::path(dir) / "b").string();
    ASSERT_TRUE(write_temporary(b, "old\n"));
    auto hold_for_a_moment = [&] {
        return std::thread([b] {
            std::ifstream held(b, std::ios::binary);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        });
    };
    std::thread reader = hold_for_a_moment();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(write_temporary(a, "new\n"));
    EXPECT_TRUE(replace_file(a, b));
    reader.join();
    std::string back;
    ASSERT_TRUE(read_whole_file(b, back));
    EXPECT_EQ(back, "new\n");

    reader = hold_for_a_moment();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(write_file_atomically(b, {'x', 'y'}));
    reader.join();
    ASSERT_TRUE(read_whole_file(b, back));
    EXPECT_EQ(back, "xy");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);  // no temporary left
}

}  // namespace
