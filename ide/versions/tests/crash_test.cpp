// A put killed at any point leaves the store with the old or the new
// revision file, whole, and never loses the working file before the new
// revision file is in place.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "ide/versions/revision_file.h"
#include "ide/versions/revision_tree.h"
#include "test_support.h"

namespace vyn::versions {
namespace {

using namespace vyn::versions::testing;
namespace fs = std::filesystem;

struct Scene {
    std::string root, work, cms, pristine;
    std::string old_text, new_text;
};

Scene make_scene()
{
    Scene s;
    s.root = scratch_directory();
    s.work = join(s.root, "work");
    s.cms = join(s.root, "CMS");
    s.pristine = join(s.root, "pristine");
    fs::create_directories(s.work);
    std::mt19937 random(99);
    // Large enough for the revision file to be written in many pieces.
    s.old_text = random_text(random, 60000, 5000);
    s.new_text = mutate(random, s.old_text, 400, 5000);
    write_file(join(s.work, "big.c"), s.old_text);
    RunResult r = vyncms("put -q -d ../CMS big.c", s.work, "VYNCMS_DATE=2026.1.1.0.0.1");
    EXPECT_EQ(r.status, 0) << r.output;
    fs::copy(s.cms, s.pristine, fs::copy_options::recursive);
    return s;
}

void reset(const Scene& s)
{
    fs::remove_all(s.cms);
    fs::copy(s.pristine, s.cms, fs::copy_options::recursive);
    write_file(join(s.work, "big.c"), s.new_text);
}

// Checks the store after a put that may have been stopped anywhere.
void check_store(const Scene& s, const std::string& when)
{
    RevisionFile f;
    std::string error;
    ASSERT_TRUE(parse_revision_file(read_file(join(s.cms, "big.c")), f, error)) << when << ": " << error;
    bool working_present = exists(join(s.work, "big.c"));
    std::string head;
    ASSERT_TRUE(rebuild_text(f, f.head, head, error)) << when;
    if (f.head == "1.1") {
        EXPECT_EQ(head, s.old_text) << when;
        ASSERT_TRUE(working_present) << when << ": working file deleted before the new revision was stored";
        EXPECT_EQ(read_file(join(s.work, "big.c")), s.new_text) << when;
    } else {
        ASSERT_EQ(f.head, "1.2") << when;
        EXPECT_EQ(head, s.new_text) << when;
        std::string older;
        ASSERT_TRUE(rebuild_text(f, "1.1", older, error)) << when;
        EXPECT_EQ(older, s.old_text) << when;
    }
}

TEST(CrashSafety, PutStoppedAtEveryFaultPoint)
{
    Scene s = make_scene();
    int stopped = 0;
    for (int point = 1; point < 1000; ++point) {
        reset(s);
        RunResult r = vyncms("put -q -e -d ../CMS big.c", s.work,
                             "VYNCMS_DATE=2026.1.1.0.0.2 VYNCMS_FAULT_AT=" + std::to_string(point));
        if (r.status == 0) {
            // The put ran to its end: the new revision is stored, the
            // working file gone.
            check_store(s, "complete");
            EXPECT_FALSE(exists(join(s.work, "big.c")));
            break;
        }
        ASSERT_EQ(r.status, 99) << r.output;
        ++stopped;
        check_store(s, "stopped at point " + std::to_string(point));
    }
    std::printf("[crash] put stopped at %d points\n", stopped);
    EXPECT_GT(stopped, 20);
}

TEST(CrashSafety, PutKilledBySignalAtRandomMoments)
{
    Scene s = make_scene();
    std::mt19937 random(5);
    for (int i = 0; i < 12; ++i) {
        reset(s);
        // The stale lock file of an earlier killed run would refuse the put.
        for (const auto& e : fs::directory_iterator(s.cms))
            if (e.path().filename() == "big_____.c__")
                fs::remove(e.path());
        double delay = 0.002 + 0.004 * static_cast<double>(random() % 25);
        RunResult r = run("timeout -s KILL " + std::to_string(delay) + " " + quote(VYNCMS_PATH) +
                              " put -q -e -d ../CMS big.c",
                          s.work);
        ASSERT_TRUE(r.status == 0 || r.status == 137) << r.status << r.output;
        check_store(s, "killed after " + std::to_string(delay) + "s");
    }
}

}  // namespace
}  // namespace vyn::versions
