// Releases in the project's registry key, through the library and vyncms,
// on a hive file of the registry seam.
#include <gtest/gtest.h>

#include <filesystem>

#include "ide/versions/releases.h"
#include "platform/registry.h"
#include "test_support.h"

namespace vyn::versions {
namespace {

using namespace vyn::versions::testing;
using platform::RegistryRoot;

TEST(Releases, LongDescriptionIsStoredInPiecesAndReadBackWhole)
{
    std::string dir = scratch_directory();
    auto registry = platform::open_hive_file(join(dir, "hive.reg"));
    std::string key = project_key("demo");
    Release r;
    r.name = "first";
    r.author = "ann";
    r.date = "2026.12.8.3.0.0";
    for (int i = 0; i < 1000; ++i)
        r.description += static_cast<char>('a' + i % 26);
    r.files = {{"main.c", "1.4"}, {"util.c", "1.2.1.1"}};
    std::string error;
    ASSERT_TRUE(add_release(*registry, key, r, error)) << error;
    EXPECT_EQ(registry->read_string(RegistryRoot::CurrentUser, key, "ReleasesListLen"), "1");
    EXPECT_EQ(registry->read_string(RegistryRoot::CurrentUser, key, "Release1DescriptionLen"), "1000");
    EXPECT_EQ(registry->read_string(RegistryRoot::CurrentUser, key, "Release1Description1")->size(), 511u);
    EXPECT_EQ(registry->read_string(RegistryRoot::CurrentUser, key, "Release1Description2")->size(), 489u);
    EXPECT_FALSE(registry->read_string(RegistryRoot::CurrentUser, key, "Release1Description3").has_value());
    EXPECT_EQ(registry->read_string(RegistryRoot::CurrentUser, key, "Release1File2"), "util.c,1.2.1.1");
    EXPECT_EQ(registry->read_string(RegistryRoot::CurrentUser, key, "Release1FileListLen"), "2");

    // Read back through a fresh handle on the same hive file.
    auto again = platform::open_hive_file(join(dir, "hive.reg"));
    std::vector<Release> back = read_releases(*again, key);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].description, r.description);
    EXPECT_EQ(back[0].files, r.files);
    EXPECT_EQ(back[0].author, "ann");
    EXPECT_EQ(back[0].date, r.date);

    Release unnamed;
    EXPECT_FALSE(add_release(*registry, key, unnamed, error));
    EXPECT_EQ(error, "Release name required");
    EXPECT_FALSE(add_release(*registry, key, r, error));  // the same name twice
    Release second = r;
    second.name = "second";
    second.description.clear();
    ASSERT_TRUE(add_release(*registry, key, second, error)) << error;
    EXPECT_EQ(read_releases(*registry, key).size(), 2u);
}

TEST(Releases, DamagedCountsDoNotRunAway)
{
    std::string dir = scratch_directory();
    auto registry = platform::open_hive_file(join(dir, "hive.reg"));
    std::string key = project_key("broken");
    registry->write_string(RegistryRoot::CurrentUser, key, "ReleasesListLen", "2");
    registry->write_string(RegistryRoot::CurrentUser, key, "Release1", "only");
    registry->write_string(RegistryRoot::CurrentUser, key, "Release1DescriptionLen", "-5");
    registry->write_string(RegistryRoot::CurrentUser, key, "Release1FileListLen", "x");
    registry->write_string(RegistryRoot::CurrentUser, key, "Release2DescriptionLen", "20");
    registry->write_string(RegistryRoot::CurrentUser, key, "Release2Description1", "short");
    std::vector<Release> r = read_releases(*registry, key);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].name, "only");
    EXPECT_TRUE(r[0].description.empty());
    EXPECT_TRUE(r[0].files.empty());
    EXPECT_EQ(r[1].description, "short");
}

TEST(Releases, SaveListAndGetThroughVyncms)
{
    namespace fs = std::filesystem;
    std::string dir = scratch_directory();
    std::string hive = join(dir, "hive.reg");
    std::string work = join(dir, "work");
    std::string out = join(dir, "out");
    fs::create_directories(work);
    fs::create_directories(out);
    // The project names its CMS directory and its manager.
    {
        auto registry = platform::open_hive_file(hive);
        ASSERT_TRUE(registry->write_string(RegistryRoot::CurrentUser, project_key("demo"), "CmsDirectory",
                                           join(dir, "store")));
        ASSERT_TRUE(registry->write_string(RegistryRoot::CurrentUser, project_key("demo"), "ManagerID", "boss"));
    }
    std::string env = "VYN_REGISTRY=" + quote(hive);
    write_file(join(work, "a.c"), "a one\n");
    write_file(join(work, "b.c"), "b one\n");
    ASSERT_EQ(vyncms("put -q -k -u ann -P demo a.c", work, env + " VYNCMS_DATE=2026.1.1.0.0.1").status, 0);
    EXPECT_TRUE(exists(join(dir, "store/a.c")));
    write_file(join(work, "a.c"), "a two\n");
    // b.c has no revision yet and a.c changed: both are put first.
    RunResult r = vyncms("release -P demo -u ann -m 'first cut' save rel1 a.c b.c", work,
                         env + " VYNCMS_DATE=2026.1.1.0.0.2");
    ASSERT_EQ(r.status, 0) << r.output;
    r = vyncms("release -P demo list", work, env);
    EXPECT_NE(r.output.find("rel1\tann\t2026.1.1.0.0.2\nfirst cut\n  a.c,1.2\n  b.c,1.1\n"), std::string::npos)
        << r.output;
    // Later changes do not move the release.
    write_file(join(work, "a.c"), "a three\n");
    ASSERT_EQ(vyncms("put -q -u ann -P demo a.c", work, env + " VYNCMS_DATE=2026.1.1.0.0.3").status, 0);
    r = vyncms("release -P demo -u ann get rel1", out, env);
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(read_file(join(out, "a.c")), "a two\n");
    EXPECT_EQ(read_file(join(out, "b.c")), "b one\n");
    EXPECT_NE(vyncms("release -P demo get nosuch", out, env).status, 0);
    EXPECT_NE(vyncms("release -P other list", out, env).output.find("No releases defined"), std::string::npos);
    // Only the project's manager deletes revisions.
    r = vyncms("admin -P demo -u ann -o 1.1 a.c", work, env);
    EXPECT_NE(r.output.find("ann: only the manager (boss) can delete versions"), std::string::npos) << r.output;
}

}  // namespace
}  // namespace vyn::versions
