// Lock files held open while the store works: one that is held cannot be
// cleared, one whose holder went away can; the holder's line stays readable.
// Built natively and for Windows (run under Wine), one test per system half.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ide/versions/file_io.h"
#include "ide/versions/held_file.h"
#include "ide/versions/store_layout.h"

namespace vyn::versions {
namespace {

namespace fs = std::filesystem;

std::string fresh_directory()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    fs::path dir = fs::temp_directory_path() / (std::string("versions_held_") + info->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir.string();
}

TEST(HeldFile, AHeldLockFileIsInUseAndReadable)
{
    std::string cms = fresh_directory();
    RevisionFileLock lock;
    std::string error;
    ASSERT_TRUE(lock.acquire(cms, "hello.c", "ann", "2026.1.1.0.0.1", error)) << error;
    std::string path = host_join(cms, "hello___.c__");
    std::string line;
    ASSERT_TRUE(read_whole_file(path, line));
    EXPECT_EQ(line, "ann|" + host_join(cms, "hello.c") + "|2026.1.1.0.0.1\n");
    // A second taker is told the file is in use; the lock cannot be cleared.
    RevisionFileLock second;
    EXPECT_FALSE(second.acquire(cms, "hello.c", "bob", "2026.1.1.0.0.2", error));
    EXPECT_NE(error.find("is in use"), std::string::npos) << error;
    EXPECT_EQ(remove_stale_lock(path), StaleLock::InUse);
    RecordingUi ui(true);
    EXPECT_FALSE(clear_stale_lock(cms, "hello.c", ui));
    EXPECT_TRUE(file_present(path));
    ASSERT_TRUE(lock.release(&error)) << error;
    EXPECT_FALSE(file_present(path));
    EXPECT_EQ(remove_stale_lock(path), StaleLock::Absent);
}

TEST(HeldFile, ALockFileWhoseHolderWentAwayIsCleared)
{
    std::string cms = fresh_directory();
    std::string path = host_join(cms, "_LOGFILE.LO_");
    {
        HeldFile held;
        bool existed = true;
        ASSERT_TRUE(held.create(path, "", existed));
        EXPECT_FALSE(existed);
        HeldFile again;
        EXPECT_FALSE(again.create(path, "", existed));
        EXPECT_TRUE(existed);
    }  // let go without deleting, as a holder that stopped does
    ASSERT_TRUE(file_present(path));
    std::string error;
    EXPECT_FALSE(append_operation_log(cms, "put\n\n", error));
    EXPECT_EQ(error, "Log file locked. No log");
    RecordingUi ui(true);
    EXPECT_TRUE(clear_stale_lock(cms, "", ui));
    EXPECT_FALSE(file_present(path));
    ASSERT_FALSE(ui.questions.empty());
    EXPECT_NE(ui.questions[0].find("_LOGFILE.LO_"), std::string::npos);
    ASSERT_TRUE(append_operation_log(cms, "put\n\n", error)) << error;
    ASSERT_TRUE(append_operation_log(cms, "get\n\n", error)) << error;
    std::string log;
    ASSERT_TRUE(read_whole_file(host_join(cms, "LOGFILE.LOG"), log));
    EXPECT_EQ(log, "put\n\nget\n\n");
    EXPECT_FALSE(file_present(path));
}

}  // namespace
}  // namespace vyn::versions
