// The store through vyncms against inputs that once destroyed a history or
// blocked a file for good: user names the revision file cannot hold, an
// emptied revision tree, numbers beyond what the reader takes, locks on
// missing revisions, working files named like the store's own files, stale
// lock files, and the command line's handling of the working file.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/strings.h"
#include "ide/versions/revision_file.h"
#include "ide/versions/store_layout.h"
#include "test_support.h"

namespace vyn::versions {
namespace {

using namespace vyn::versions::testing;
namespace fs = std::filesystem;

class Hostile : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = scratch_directory();
        work = join(root, "work");
        cms_dir = join(work, "CMS");
        fs::create_directories(work);
    }
    // vyncms in the working directory with a clock a second later per call.
    RunResult cms(const std::string& arguments)
    {
        ++tick;
        return vyncms(arguments, work, format("VYNCMS_DATE=2026.4.1.0.%d.%d", tick / 60, tick % 60));
    }
    std::string stored(const std::string& name) { return read_file(join(cms_dir, name)); }
    // Names in the CMS directory other than revision files and the log.
    std::vector<std::string> leftovers()
    {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(cms_dir)) {
            std::string n = e.path().filename().string();
            if (n.find(".tmp") != std::string::npos || n.find("__") != std::string::npos || n == "_LOGFILE.LO_")
                out.push_back(n);
        }
        return out;
    }
    // Two revisions of a.c put by ann; the working file is kept.
    void two_revisions()
    {
        write_file(join(work, "a.c"), "one\n");
        ASSERT_EQ(cms("put -q -k -u ann a.c").status, 0);
        write_file(join(work, "a.c"), "two\n");
        ASSERT_EQ(cms("put -q -k -u ann a.c").status, 0);
    }
    std::string root, work, cms_dir;
    int tick = 0;
};

TEST_F(Hostile, UserNamesTheRevisionFileCannotHoldAreRefusedBeforeAnythingIsWritten)
{
    two_revisions();
    const std::string before = stored("a.c");
    const std::string log_before = stored("LOGFILE.LOG");
    write_file(join(work, "a.c"), "three\n");
    for (const char* name : {"john doe", "a:b", "a@b", "a;b", "", "tab\there"}) {
        for (const char* command : {"put", "get -f -l", "lock", "admin -s Rel"}) {
            RunResult r = cms(std::string(command) + " -u " + quote(name) + " a.c");
            EXPECT_NE(r.status, 0) << command << " [" << name << "]";
            EXPECT_NE(r.output.find(*name ? "User name " : "User name empty?"), std::string::npos)
                << command << " [" << name << "]: " << r.output;
        }
    }
    EXPECT_EQ(stored("a.c"), before);
    EXPECT_EQ(stored("LOGFILE.LOG"), log_before);
    EXPECT_EQ(read_file(join(work, "a.c")), "three\n");
    EXPECT_TRUE(leftovers().empty());
    // The history is still whole.
    ASSERT_EQ(cms("get -q -f -r 1.1 a.c").status, 0);
    EXPECT_EQ(read_file(join(work, "a.c")), "one\n");
}

TEST_F(Hostile, ARevisionFileThatDoesNotReadBackIsNeverStored)
{
    two_revisions();
    // A clock reading that the revision file cannot hold (a blank in the
    // date) makes a file that does not read back; the first put of a file
    // has no earlier date that would refuse it.
    write_file(join(work, "b.c"), "bee\n");
    for (const char* erase : {"", "-e "}) {
        RunResult r = vyncms(std::string("put ") + erase + "-u ann b.c", work, "VYNCMS_DATE='2026.4.2.0.0 1'");
        EXPECT_NE(r.status, 0) << r.output;
        EXPECT_NE(r.output.find("does not read back"), std::string::npos) << r.output;
        EXPECT_FALSE(exists(join(cms_dir, "b.c")));
        EXPECT_EQ(read_file(join(work, "b.c")), "bee\n");
        EXPECT_TRUE(leftovers().empty());
    }
    EXPECT_EQ(cms("put -q -u ann b.c").status, 0);
}

TEST_F(Hostile, AnEmptiedRevisionTreeTakesANewInitialRevision)
{
    two_revisions();
    RunResult r = cms("admin -y -u ann -o 1.1:1.2 a.c");
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string emptied = stored("a.c");
    // Locking a file without revisions is refused and writes nothing.
    r = cms("lock -u ann a.c");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("No revisions present"), std::string::npos) << r.output;
    EXPECT_EQ(stored("a.c"), emptied);
    EXPECT_NE(cms("get -f a.c").output.find("No revisions present. 'Get' stopped"), std::string::npos);
    write_file(join(work, "a.c"), "again\n");
    r = cms("put -m fresh -u ann a.c");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Initial revision: 1.1"), std::string::npos) << r.output;
    EXPECT_TRUE(leftovers().empty());
    ASSERT_EQ(cms("get -q -f a.c").status, 0);
    EXPECT_EQ(read_file(join(work, "a.c")), "again\n");
    write_file(join(work, "a.c"), "later\n");
    ASSERT_EQ(cms("put -q -u ann a.c").status, 0);
    ASSERT_EQ(cms("get -q -f -r 1.1 a.c").status, 0);
    EXPECT_EQ(read_file(join(work, "a.c")), "again\n");
}

TEST_F(Hostile, NumbersTheReaderWouldRefuseAreNeverWritten)
{
    write_file(join(work, "a.c"), "one\n");
    ASSERT_EQ(cms("put -q -k -u ann -r 999999999.999999999 a.c").status, 0);
    const std::string before = stored("a.c");
    write_file(join(work, "a.c"), "two\n");
    RunResult r = cms("put -k -u ann a.c");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("Incorrect revision number"), std::string::npos) << r.output;
    EXPECT_EQ(stored("a.c"), before);
    // A branch from the top revision is still possible, and readable.
    r = cms("put -k -u ann -r 1000000000.1 a.c");
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(stored("a.c"), before);
    ASSERT_EQ(cms("get -q -f a.c").status, 0);
    EXPECT_EQ(read_file(join(work, "a.c")), "one\n");
    EXPECT_TRUE(leftovers().empty());
}

TEST_F(Hostile, ALockOnAMissingRevisionIsRefusedAndCanBeReleased)
{
    two_revisions();
    std::string text = stored("a.c");
    std::size_t at = text.find("Locks    ;");
    ASSERT_NE(at, std::string::npos) << text;
    text.replace(at, 10, "Locks     ann:1.5;");
    write_file(join(cms_dir, "a.c"), text);
    write_file(join(work, "a.c"), "three\n");
    RunResult r = cms("put -k -u ann a.c");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("Can't find delta for revision 1.5"), std::string::npos) << r.output;
    EXPECT_EQ(stored("a.c"), text);
    EXPECT_TRUE(leftovers().empty());
    ASSERT_EQ(cms("unlock -u ann a.c").status, 0);
    r = cms("put -k -u ann a.c");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("New revision 1.3, last revision was 1.2"), std::string::npos);
}

TEST_F(Hostile, WorkingFilesNamedLikeTheStoresOwnFilesAreRefused)
{
    write_file(join(work, "a.c"), "one\n");
    ASSERT_EQ(cms("put -q -k -u ann a.c").status, 0);
    const std::string log_before = stored("LOGFILE.LOG");
    for (const char* name : {"LOGFILE.LOG", "logfile.log", "_LOGFILE.LO_", "a_______.c__", "hello___.C__"}) {
        write_file(join(work, name), "not a revision file\n");
        RunResult r = cms(std::string("put -k -u ann ") + name);
        EXPECT_NE(r.status, 0) << name;
        EXPECT_NE(r.output.find("Incorrect CMS file name"), std::string::npos) << name << ": " << r.output;
        EXPECT_FALSE(exists(join(cms_dir, name)) && std::string(name) != "LOGFILE.LOG") << name;
    }
    EXPECT_EQ(stored("LOGFILE.LOG"), log_before);
    RunResult r = cms("ops");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("1 operations selected, 1 operations in log file"), std::string::npos) << r.output;
    write_file(join(work, "a.c"), "two\n");
    EXPECT_EQ(cms("put -q -k -u ann a.c").status, 0);
}

TEST_F(Hostile, TheCommandLineKeepsTheWorkingFileUnlessToldToErase)
{
    write_file(join(work, "a.c"), "one\n");
    ASSERT_EQ(cms("put -q -u ann a.c").status, 0);
    EXPECT_EQ(read_file(join(work, "a.c")), "one\n");
    write_file(join(work, "a.c"), "two\n");
    ASSERT_EQ(cms("put -q -e -u ann a.c").status, 0);
    EXPECT_FALSE(exists(join(work, "a.c")));
    ASSERT_EQ(cms("get -q a.c").status, 0);
    EXPECT_EQ(read_file(join(work, "a.c")), "two\n");
    EXPECT_EQ(cms("put -k -e a.c").status, 2);
    EXPECT_NE(vyncms("help").output.find("-e erase the working file"), std::string::npos);
    // A project whose Put options leave out "Keep source" erases it.
    std::string hive = join(root, "hive.reg");
    write_file(hive, "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\vyn\\Tavra\\demo]\n\"PutOptions\"=\"0\"\n"
                     "\"CmsDirectory\"=\"" + cms_dir + "\"\n");
    write_file(join(work, "a.c"), "three\n");
    ASSERT_EQ(vyncms("put -q -u ann -P demo a.c", work, "VYN_REGISTRY=" + quote(hive) + " VYNCMS_DATE=2026.4.9.0.0.0")
                  .status,
              0);
    EXPECT_FALSE(exists(join(work, "a.c")));
}

TEST_F(Hostile, AStaleLockFileIsClearedOnRequest)
{
    two_revisions();
    write_file(join(work, "a.c"), "three\n");
    // A put stopped just after it took the lock file leaves it behind.
    RunResult r = vyncms("put -q -u ann a.c", work, "VYNCMS_DATE=2026.4.2.0.0.0 VYNCMS_FAULT_AT=1");
    ASSERT_EQ(r.status, 99) << r.output;
    ASSERT_TRUE(exists(join(cms_dir, "a_______.c__")));
    EXPECT_NE(cms("put -u ann a.c").output.find("is in use"), std::string::npos);
    r = cms("admin -c a.c");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Lock file " + join(cms_dir, "a_______.c__") + " removed"), std::string::npos) << r.output;
    EXPECT_FALSE(exists(join(cms_dir, "a_______.c__")));
    r = cms("put -u ann a.c");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("New revision 1.3"), std::string::npos);

    // A stale log lock stops logging until it is cleared.
    write_file(join(cms_dir, "_LOGFILE.LO_"), "");
    write_file(join(work, "a.c"), "four\n");
    r = cms("put -u ann a.c");
    EXPECT_NE(r.output.find("Log file locked. No log"), std::string::npos) << r.output;
    r = cms("admin -c");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_FALSE(exists(join(cms_dir, "_LOGFILE.LO_")));
    EXPECT_NE(cms("ops -o put").output.find("3 operations selected"), std::string::npos);
    EXPECT_NE(vyncms("help").output.find("-c clear"), std::string::npos);
    EXPECT_EQ(cms("admin -c -b 1.2").status, 2);  // other requests need the file
}

TEST_F(Hostile, ALockFileInUseOnThisMachineIsNotCleared)
{
    two_revisions();
    const std::string before = stored("a.c");
    RevisionFileLock held;
    std::string error;
    ASSERT_TRUE(held.acquire(cms_dir, "a.c", "bob", "2026.4.2.0.0.0", error)) << error;
    RunResult r = cms("admin -c a.c");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("is in use"), std::string::npos) << r.output;
    EXPECT_TRUE(exists(join(cms_dir, "a_______.c__")));
    EXPECT_EQ(stored("a.c"), before);
    ASSERT_TRUE(held.release(&error)) << error;
    EXPECT_EQ(cms("put -q -u ann a.c").status, 0);
}

TEST_F(Hostile, ReleaseSaveRefusesATakenNameBeforePuttingAnything)
{
    std::string hive = join(root, "hive.reg");
    std::string env = "VYN_REGISTRY=" + quote(hive) + " VYNCMS_DATE=2026.4.3.0.0.";
    write_file(join(work, "a.c"), "one\n");
    RunResult r = vyncms("release -P demo -u ann -m first save rel1 a.c", work, env + "1");
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string before = stored("a.c");
    write_file(join(work, "a.c"), "two\n");
    r = vyncms("release -P demo -u ann -m again save rel1 a.c", work, env + "2");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("Release rel1 already exists"), std::string::npos) << r.output;
    EXPECT_EQ(stored("a.c"), before);
    r = vyncms("release -P demo -u ann -m again save '' a.c", work, env + "3");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("Release name required"), std::string::npos) << r.output;
    EXPECT_EQ(stored("a.c"), before);
}

}  // namespace
}  // namespace vyn::versions
