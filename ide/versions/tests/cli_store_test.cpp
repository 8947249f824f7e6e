// The store through vyncms: command forms, exit status, messages, and a
// random history put and got back byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "common/strings.h"
#include "ide/versions/revision_file.h"
#include "test_support.h"

namespace vyn::versions {
namespace {

using namespace vyn::versions::testing;
namespace fs = std::filesystem;

class Cli : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = scratch_directory();
        work = join(root, "work");
        fs::create_directories(work);
    }
    RunResult cms(const std::string& arguments, const std::string& user = "ann")
    {
        ++tick;
        return vyncms(arguments + (arguments.rfind("put", 0) == 0 || arguments.rfind("get", 0) == 0 ||
                                           arguments.rfind("admin", 0) == 0 || arguments.rfind("lock", 0) == 0 ||
                                           arguments.rfind("unlock", 0) == 0
                                       ? " -u " + user
                                       : std::string()),
                      work, format("VYNCMS_DATE=2026.3.%d.%d.%d.%d", 1 + tick / 86400, tick / 3600 % 24, tick / 60 % 60, tick % 60));
    }
    std::string root, work;
    int tick = 0;
};

TEST_F(Cli, RandomHistoryThroughTheCommandLine)
{
    std::mt19937 random(8);
    std::map<std::string, std::string> contents;
    std::string text = random_text(random, 80);
    write_file(join(work, "prog.c"), text);
    ASSERT_EQ(cms("put -q -k prog.c").status, 0);
    contents["1.1"] = text;
    std::string base = "1.1";
    bool holding = false;  // a lock of ours picks the revision to continue from
    for (int i = 0; i < 40; ++i) {
        if (!holding && random() % 4 == 0) {
            auto it = contents.begin();
            std::advance(it, static_cast<long>(random() % contents.size()));
            base = it->first;
            RunResult r = cms("get -q -f -l -r " + base + " prog.c");
            ASSERT_EQ(r.status, 0) << base << ": " << r.output;
        }
        text = mutate(random, contents[base], 1 + static_cast<int>(random() % 8));
        write_file(join(work, "prog.c"), text);
        bool relock = random() % 2 == 0;
        RunResult r = cms(std::string("put -k -m step ") + (relock ? "-l " : "") + "prog.c");
        ASSERT_EQ(r.status, 0) << r.output;
        std::size_t at = r.output.find("New revision ");
        ASSERT_NE(at, std::string::npos) << r.output;
        std::string number = r.output.substr(at + 13, r.output.find(',', at) - at - 13);
        contents[number] = text;
        base = number;
        holding = relock;
        if (!relock) {
            RevisionFile f;
            std::string error;
            ASSERT_TRUE(parse_revision_file(read_file(join(root, "work/CMS/prog.c")), f, error));
            base = f.head;
        }
    }
    fs::remove(join(work, "prog.c"));
    for (const auto& [number, content] : contents) {
        RunResult r = cms("get -q -f -r " + number + " prog.c");
        ASSERT_EQ(r.status, 0) << r.output;
        ASSERT_EQ(read_file(join(work, "prog.c")), content) << number;
    }
}

TEST_F(Cli, PutAndGetMessagesAndOverwriteRule)
{
    write_file(join(work, "a.c"), "x\n");
    RunResult r = cms("put -e a.c");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("a.c devient "), std::string::npos);
    EXPECT_NE(r.output.find("Initial revision: 1.1\nPut command done. Termination code 1\n"), std::string::npos);
    EXPECT_TRUE(exists(join(work, "CMS/a.c")));
    EXPECT_FALSE(exists(join(work, "a.c")));
    r = cms("get a.c");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("revision 1.1\n'GET' done. return code 1"), std::string::npos) << r.output;
    write_file(join(work, "a.c"), "local edit\n");
    r = cms("get a.c");
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(read_file(join(work, "a.c")), "local edit\n");
    EXPECT_EQ(cms("get -f a.c").status, 0);
    EXPECT_EQ(read_file(join(work, "a.c")), "x\n");
    r = cms("put missing.c");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("missing.c not found!"), std::string::npos);
    r = cms("get -r 9.9 a.c");
    EXPECT_NE(r.output.find("Can't find delta for revision 9.9"), std::string::npos);
}

TEST_F(Cli, LockUnlockAdminLogAndOps)
{
    write_file(join(work, "m.c"), "1\n");
    ASSERT_EQ(cms("put -k m.c").status, 0);
    write_file(join(work, "m.c"), "2\n");
    ASSERT_EQ(cms("put -k -n first m.c").status, 0);
    RunResult r = cms("lock -r 1.1 m.c", "bob");
    EXPECT_EQ(r.status, 0) << r.output;
    r = cms("lock -r 1.1 m.c", "ann");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("Version 1.1 locked by bob"), std::string::npos);
    r = cms("unlock m.c", "bob");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(cms("admin -a ann,carl -n stable:1.1 -s Rel:1.2 -t described m.c").status, 0);
    r = vyncms("log m.c", work);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("Last revision: 1.2\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("Names: first:1.2 stable:1.1\n"), std::string::npos);
    EXPECT_NE(r.output.find("Access list: ann carl\n"), std::string::npos);
    EXPECT_NE(r.output.find("revision 1.2\ndate: 2026.3.1.0.0.2;  author: ann;  state: Rel;"), std::string::npos);
    r = cms("put m.c", "bob");
    EXPECT_NE(r.output.find("User bob not on the access list"), std::string::npos);

    r = vyncms("ops -o lock", work);
    EXPECT_NE(r.output.find(" Versions     Users  Date      Module\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("lock        1.1r   2b   0f   2t 2026.3.1.0.0.1c 2026.3.1.0.0.3o bob m.c\n"), std::string::npos);
    EXPECT_NE(r.output.find("1 operations selected, 4 operations in log file"), std::string::npos) << r.output;
    r = vyncms("ops -u ann -m March -f m.c", work);
    EXPECT_NE(r.output.find("Operations Versions\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("2 operations selected, 4 operations in log file"), std::string::npos);
    EXPECT_NE(vyncms("ops -m Smarch", work).status, 0);
}

TEST_F(Cli, BinaryFileIsStoredUuencodedAndGotBackExactly)
{
    std::string bytes;
    std::mt19937 random(77);
    for (int i = 0; i < 3000; ++i)
        bytes += static_cast<char>(random() & 0xFF);
    bytes += std::string("@@\r\n\0\0", 6);
    write_file(join(work, "logo.bmp"), bytes);
    ASSERT_EQ(cms("put -k logo.bmp").status, 0);
    bytes[100] ^= 0x55;
    write_file(join(work, "logo.bmp"), bytes);
    ASSERT_EQ(cms("put -e logo.bmp").status, 0);
    RevisionFile f;
    std::string error;
    ASSERT_TRUE(parse_revision_file(read_file(join(work, "CMS/logo.bmp")), f, error)) << error;
    EXPECT_TRUE(f.binary);
    // The head's stored text is what uudecode reads.
    write_file(join(root, "head.uue"), f.find(f.head)->text);
    RunResult r = run("uudecode -o " + quote(join(root, "decoded")) + " " + quote(join(root, "head.uue")));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(read_file(join(root, "decoded")), bytes);
    ASSERT_EQ(cms("get -r 1.2 logo.bmp").status, 0);
    EXPECT_EQ(read_file(join(work, "logo.bmp")), bytes);
    bytes[100] ^= 0x55;
    ASSERT_EQ(cms("get -f -r 1.1 logo.bmp").status, 0);
    EXPECT_EQ(read_file(join(work, "logo.bmp")), bytes);
}

TEST_F(Cli, QueryFiltersNarrowTheChoice)
{
    write_file(join(work, "q.c"), "one\n");
    ASSERT_EQ(cms("put -k q.c", "ann").status, 0);  // 1.1 at 2026.3.1.0.0.1
    write_file(join(work, "q.c"), "two\n");
    ASSERT_EQ(cms("put -k q.c", "bob").status, 0);  // 1.2 at 2026.3.1.0.0.2
    write_file(join(work, "q.c"), "three\n");
    ASSERT_EQ(cms("put -k q.c", "ann").status, 0);  // 1.3 at 2026.3.1.0.0.3
    ASSERT_EQ(cms("admin -s Rel:1.1 q.c").status, 0);
    struct Case {
        const char* filters;
        const char* expected;
    } cases[] = {
        {"-w bob", "two\n"},
        {"-w ann", "three\n"},
        {"-D 2026.3.1.0.0.2", "two\n"},
        {"-D 2026.3.1.0.0.2 -w ann", "one\n"},
        {"-s Rel", "one\n"},
        {"-r 1.2 -w ann", "one\n"},
    };
    for (const Case& c : cases) {
        RunResult r = cms(std::string("get -q -f ") + c.filters + " q.c");
        ASSERT_EQ(r.status, 0) << c.filters << r.output;
        EXPECT_EQ(read_file(join(work, "q.c")), c.expected) << c.filters;
    }
    RunResult r = cms("get -q -f -w nobody q.c");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("No revision of q.c matches the query"), std::string::npos);
}

TEST_F(Cli, UsageAndOptionErrors)
{
    RunResult r = vyncms("", work);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("usage:"), std::string::npos);
    EXPECT_EQ(vyncms("frobnicate", work).status, 2);
    EXPECT_EQ(vyncms("put -z a.c", work).status, 2);
    EXPECT_EQ(vyncms("get -l -U a.c", work).status, 2);
    EXPECT_EQ(vyncms("diff -e -p x a b", work).status, 2);
    EXPECT_EQ(vyncms("put -m", work).status, 2);
    EXPECT_EQ(vyncms("help", work).status, 0);
    write_file(join(work, "a.c"), "x\n");
    r = vyncms("put -d . a.c", work);
    EXPECT_NE(r.output.find("Cms directory should be different from current directory"), std::string::npos);
}

TEST_F(Cli, ChangedListsModifiedFiles)
{
    write_file(join(work, "a.c"), "1\n");
    write_file(join(work, "b.c"), "1\n");
    ASSERT_EQ(cms("put -k a.c").status, 0);
    ASSERT_EQ(cms("put -k b.c").status, 0);
    write_file(join(work, "b.c"), "2\n");
    write_file(join(work, "c.c"), "new\n");
    RunResult r = vyncms("changed a.c b.c c.c", work);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "b.c\nc.c\n");
}

}  // namespace
}  // namespace vyn::versions
