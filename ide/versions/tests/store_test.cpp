// Put, get and the administrative requests through the library, with the
// store's files as the observable result.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "common/strings.h"
#include "ide/versions/revision_file.h"
#include "ide/versions/store.h"
#include "ide/versions/store_layout.h"
#include "test_support.h"

namespace vyn::versions {
namespace {

using namespace vyn::versions::testing;

bool contains(const std::vector<std::string>& messages, const std::string& text)
{
    return std::any_of(messages.begin(), messages.end(),
                       [&](const std::string& m) { return m.find(text) != std::string::npos; });
}

// A store in a scratch directory with a clock that ticks a second per call.
class Store : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = scratch_directory();
        context.working_directory = join(root, "work");
        context.cms_directory = join(root, "CMS");
        std::filesystem::create_directories(context.working_directory);
        std::filesystem::create_directories(context.cms_directory);
        context.user = "ann";
    }
    StoreContext at_next_second()
    {
        ++seconds;
        StoreContext c = context;
        c.date = format("2026.12.%d.%d.%d.%d", 1 + seconds / 86400, seconds / 3600 % 24, seconds / 60 % 60,
                        seconds % 60);
        return c;
    }
    std::string work(const std::string& name) { return join(context.working_directory, name); }
    std::string stored(const std::string& name) { return read_file(join(context.cms_directory, name)); }

    PutResult put(const std::string& name, const std::string& content, PutRequest request = {})
    {
        write_file(work(name), content);
        request.file = name;
        request.quiet = true;
        return put_file(at_next_second(), request, ui);
    }
    bool get(const std::string& name, const std::string& revision, GetRequest request = {})
    {
        request.file = name;
        request.revision = revision;
        request.overwrite = true;
        request.quiet = true;
        return get_file(at_next_second(), request, ui);
    }
    RevisionFile load(const std::string& name)
    {
        RevisionFile f;
        std::string error;
        EXPECT_TRUE(parse_revision_file(stored(name), f, error)) << error;
        return f;
    }

    std::string root;
    StoreContext context;
    RecordingUi ui{false};
    int seconds = 0;
};

TEST_F(Store, RandomHistoryOnMainLineAndBranchesRoundTrips)
{
    std::mt19937 random(42);
    std::map<std::string, std::string> contents;
    std::string text = random_text(random, 120);
    PutResult first = put("f.c", text);
    ASSERT_TRUE(first.ok);
    ASSERT_EQ(first.revision, "1.1");
    contents["1.1"] = text;
    bool holding = false;  // the user holds the lock on the revision to continue from
    std::string base = "1.1";
    for (int i = 0; i < 199; ++i) {
        int choice = static_cast<int>(random() % 10);
        if (!holding && choice < 3) {
            // Start from any existing revision: lock it first.
            auto it = contents.begin();
            std::advance(it, static_cast<long>(random() % contents.size()));
            base = it->first;
            GetRequest lock;
            lock.lock = true;
            ASSERT_TRUE(get("f.c", base, lock)) << base << ui.messages.back();
            holding = true;
        }
        std::string next = mutate(random, contents[base], 1 + static_cast<int>(random() % 12));
        // Some texts carry "@", a CR LF or lack the final newline.
        if (random() % 7 == 0)
            next += "mail@host @@ twice\r\n";
        if (random() % 11 == 0)
            next += "no newline";
        PutRequest request;
        request.lock = random() % 2 == 0;
        request.message = "step " + std::to_string(i);
        PutResult r = put("f.c", next, request);
        ASSERT_TRUE(r.ok) << ui.messages.back();
        ASSERT_FALSE(r.revision.empty()) << "identical text at step " << i;
        contents[r.revision] = next;
        holding = request.lock;
        base = holding ? r.revision : "";
        if (!holding) {
            RevisionFile f = load("f.c");
            base = f.head;
        }
    }
    RevisionFile f = load("f.c");
    ASSERT_EQ(f.count(), 200u);
    std::size_t branch_revisions = 0;
    for (const auto& [number, content] : contents) {
        branch_revisions += std::count(number.begin(), number.end(), '.') > 1 ? 1 : 0;
        ASSERT_TRUE(get("f.c", number)) << number << ": " << ui.messages.back();
        ASSERT_EQ(read_file(work("f.c")), content) << number;
    }
    EXPECT_GT(branch_revisions, 20u);
    EXPECT_GT(contents.size() - branch_revisions, 20u);
}

TEST_F(Store, InitialPutAndTheWorkingFileRules)
{
    PutRequest request;
    request.message = "what it is";
    ASSERT_TRUE(put("a.c", "one\n", request).ok);
    RevisionFile f = load("a.c");
    EXPECT_EQ(f.head, "1.1");
    EXPECT_EQ(f.find("1.1")->log, "Initial revision\n");
    EXPECT_EQ(f.find("1.1")->state, "Exp");
    EXPECT_EQ(f.find("1.1")->author, "ann");
    EXPECT_FALSE(exists(work("a.c")));  // neither "Keep source" nor "Lock"

    PutRequest keep;
    keep.keep_source = true;
    ASSERT_TRUE(put("a.c", "two\n", keep).ok);
    EXPECT_TRUE(exists(work("a.c")));
    EXPECT_EQ(load("a.c").find("1.2")->log, "Saved by ann  2026.12.1.0.0.2.\n");

    PutRequest lock;
    lock.lock = true;
    ASSERT_EQ(put("a.c", "three\n", lock).revision, "1.3");
    EXPECT_TRUE(exists(work("a.c")));
    EXPECT_EQ(load("a.c").locks, (std::vector<std::pair<std::string, std::string>>{{"ann", "1.3"}}));
}

TEST_F(Store, IdenticalFileMakesNoRevision)
{
    ASSERT_TRUE(put("a.c", "same\n").ok);
    std::string before = stored("a.c");
    PutResult r = put("a.c", "same\n");
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.revision.empty());
    EXPECT_TRUE(contains(ui.messages, "is identical to revision 1.1"));
    EXPECT_EQ(stored("a.c"), before);
    EXPECT_FALSE(exists(work("a.c")));
}

TEST_F(Store, LockOfAnotherUserIsRefusedAndTheFileUnchanged)
{
    PutRequest lock;
    lock.lock = true;
    ASSERT_TRUE(put("a.c", "1\n", lock).ok);
    std::string before = stored("a.c");
    context.user = "bob";
    EXPECT_FALSE(put("a.c", "2\n").ok);
    EXPECT_TRUE(contains(ui.messages, "Version 1.1 locked by ann"));
    GetRequest get_lock;
    get_lock.lock = true;
    EXPECT_FALSE(get("a.c", "1.1", get_lock));
    GetRequest get_unlock;
    get_unlock.unlock = true;
    EXPECT_FALSE(get("a.c", "1.1", get_unlock));
    EXPECT_TRUE(contains(ui.messages, "1.1 still locked by ann"));
    EXPECT_EQ(stored("a.c"), before);
    EXPECT_FALSE(exists(join(context.cms_directory, "a_______.c__")));
    // The holder may unlock; a name differing only in case is the same user.
    context.user = "ANN";
    EXPECT_TRUE(get("a.c", "", get_unlock));
    EXPECT_TRUE(load("a.c").locks.empty());
}

TEST_F(Store, OneLockPerUserAndFile)
{
    ASSERT_TRUE(put("a.c", "1\n").ok);
    ASSERT_TRUE(put("a.c", "2\n").ok);
    GetRequest lock;
    lock.lock = true;
    ASSERT_TRUE(get("a.c", "1.1", lock));
    EXPECT_FALSE(get("a.c", "1.2", lock));
    EXPECT_TRUE(contains(ui.messages, "you already locked revision 1.1; You can't lock several revisions."));
}

TEST_F(Store, RevisionFileInUseIsLeftAlone)
{
    ASSERT_TRUE(put("hello.c", "1\n").ok);
    std::string before = stored("hello.c");
    write_file(join(context.cms_directory, "hello___.c__"), "bob|x|y\n");
    EXPECT_FALSE(put("hello.c", "2\n").ok);
    EXPECT_TRUE(contains(ui.messages, "CMS file " + join(context.cms_directory, "hello.c") + " is in use"));
    EXPECT_EQ(stored("hello.c"), before);
    EXPECT_TRUE(exists(work("hello.c")));  // the working file survives a failed put
    EXPECT_EQ(read_file(join(context.cms_directory, "hello___.c__")), "bob|x|y\n");
}

TEST_F(Store, LockFileHoldsUserPathAndDate)
{
    // Stop a put half-way through (at the first fault point, right after the
    // lock file is made) to look at the lock file.
    write_file(work("k.c"), "x\n");
    RunResult r = vyncms("put -q -u carol -d ../CMS k.c", context.working_directory,
                         "VYNCMS_FAULT_AT=1 VYNCMS_DATE=2026.5.6.7.8.9");
    EXPECT_EQ(r.status, 99);
    EXPECT_EQ(read_file(join(context.cms_directory, "k_______.c__")), "carol|../CMS/k.c|2026.5.6.7.8.9\n");
}

TEST_F(Store, AccessListComparesWithoutCase)
{
    ASSERT_TRUE(put("a.c", "1\n").ok);
    AdminRequest access;
    access.file = "a.c";
    access.set_access = true;
    access.access = {"Ann", "carl"};
    ASSERT_TRUE(administer(at_next_second(), access, ui));
    EXPECT_TRUE(put("a.c", "2\n").ok);
    context.user = "bob";
    EXPECT_FALSE(put("a.c", "3\n").ok);
    EXPECT_TRUE(contains(ui.messages, "User bob not on the access list"));
}

TEST_F(Store, NumbersNamesAndDates)
{
    PutRequest typed;
    typed.revision = "3";
    ASSERT_EQ(put("a.c", "1\n", typed).revision, "3.1");
    ASSERT_EQ(put("a.c", "2\n").revision, "3.2");
    typed.revision = "3.1";
    EXPECT_FALSE(put("a.c", "3\n", typed).ok);
    EXPECT_TRUE(contains(ui.messages, "Number 3.1 too small. It should be greater than 3.2"));
    typed.revision = "4.1";
    typed.name = "rel1";
    ASSERT_EQ(put("a.c", "4\n", typed).revision, "4.1");
    PutRequest named;
    named.name = "rel1";
    EXPECT_FALSE(put("a.c", "5\n", named).ok);
    EXPECT_TRUE(contains(ui.messages, "symbolic name rel1 already bound to 4.1"));
    ASSERT_TRUE(get("a.c", "rel1"));
    EXPECT_EQ(read_file(work("a.c")), "4\n");
    // A clock that did not move on is refused.
    write_file(work("a.c"), "6\n");
    StoreContext same = context;
    same.date = "2026.12.1.0.0.1";
    PutRequest request;
    request.file = "a.c";
    EXPECT_FALSE(put_file(same, request, ui).ok);
    EXPECT_TRUE(contains(ui.messages, "Date 2026.12.1.0.0.1 is not later than"));
}

TEST_F(Store, BranchesAndTheDefaultBranch)
{
    ASSERT_TRUE(put("a.c", "1\n").ok);
    ASSERT_TRUE(put("a.c", "2\n").ok);
    GetRequest lock;
    lock.lock = true;
    ASSERT_TRUE(get("a.c", "1.1", lock));
    ASSERT_EQ(put("a.c", "1 branch\n").revision, "1.1.1.1");
    ASSERT_TRUE(get("a.c", "1.1", lock));
    ASSERT_EQ(put("a.c", "1 second branch\n").revision, "1.1.2.1");
    AdminRequest request;
    request.file = "a.c";
    request.set_default_branch = true;
    request.default_branch = "1.1.1.1";
    ASSERT_TRUE(administer(at_next_second(), request, ui));
    EXPECT_EQ(load("a.c").default_branch, "1.1.1");
    ASSERT_EQ(put("a.c", "1 branch more\n").revision, "1.1.1.2");
    ASSERT_TRUE(get("a.c", ""));
    EXPECT_EQ(read_file(work("a.c")), "1 branch more\n");
    ASSERT_TRUE(get("a.c", "1.1.2"));
    EXPECT_EQ(read_file(work("a.c")), "1 second branch\n");
}

TEST_F(Store, DeletingRevisionsKeepsTheOthersIntact)
{
    std::map<std::string, std::string> contents;
    std::mt19937 random(3);
    std::string text = random_text(random, 50);
    for (int i = 0; i < 6; ++i) {
        text = mutate(random, text, 5);
        contents[put("a.c", text).revision] = text;
    }
    AdminRequest request;
    request.file = "a.c";
    request.manager = "boss";
    request.delete_revisions = {"1.3"};
    EXPECT_FALSE(administer(at_next_second(), request, ui));
    EXPECT_TRUE(contains(ui.messages, "ann: only the manager (boss) can delete versions"));
    request.manager = "ann";
    AdminRequest lock;
    lock.file = "a.c";
    lock.lock = true;
    lock.lock_revision = "1.4";
    ASSERT_TRUE(administer(at_next_second(), lock, ui));
    request.delete_revisions = {"1.3:1.4"};
    EXPECT_FALSE(administer(at_next_second(), request, ui));
    EXPECT_TRUE(contains(ui.messages, "Revision 1.4 is locked. Removal impossible, unlock it first"));
    request.delete_revisions = {"1.2:1.3", "1.6"};
    ASSERT_TRUE(administer(at_next_second(), request, ui));
    EXPECT_TRUE(contains(ui.messages, "deleting revision 1.2 "));
    RevisionFile f = load("a.c");
    EXPECT_EQ(f.count(), 3u);
    EXPECT_EQ(f.head, "1.5");
    for (const char* n : {"1.1", "1.4", "1.5"}) {
        ASSERT_TRUE(get("a.c", n)) << n;
        EXPECT_EQ(read_file(work("a.c")), contents[n]) << n;
    }
    EXPECT_FALSE(get("a.c", "1.2"));
    // Removing every revision needs consent.
    AdminRequest all;
    all.file = "a.c";
    all.delete_revisions = {"1.1:1.5"};
    AdminRequest unlock;
    unlock.file = "a.c";
    unlock.unlock = true;
    ASSERT_TRUE(administer(at_next_second(), unlock, ui));
    EXPECT_FALSE(administer(at_next_second(), all, ui));
    EXPECT_TRUE(contains(ui.questions, "Do you really want to delete all revisions ?"));
    EXPECT_EQ(load("a.c").count(), 3u);
}

TEST_F(Store, NamesAndStatesAndDescription)
{
    ASSERT_TRUE(put("a.c", "1\n").ok);
    ASSERT_TRUE(put("a.c", "2\n").ok);
    AdminRequest request;
    request.file = "a.c";
    request.bind_names = {{"beta", "1.1"}};
    request.states = {{"Rel", "1.2"}};
    request.set_description = true;
    request.description = "the a file\n";
    ASSERT_TRUE(administer(at_next_second(), request, ui));
    RevisionFile f = load("a.c");
    EXPECT_EQ(f.names, (std::vector<std::pair<std::string, std::string>>{{"beta", "1.1"}}));
    EXPECT_EQ(f.find("1.2")->state, "Rel");
    EXPECT_EQ(f.description, "the a file\n");
    AdminRequest remove;
    remove.file = "a.c";
    remove.bind_names = {{"beta", ""}};
    ASSERT_TRUE(administer(at_next_second(), remove, ui));
    EXPECT_TRUE(load("a.c").names.empty());
}

TEST_F(Store, ReadOnlyOptionAndOperationsLog)
{
    context.options.read_only_files = true;
    ASSERT_TRUE(put("a.c", "1\n").ok);
    ASSERT_TRUE(put("a.c", "2\n").ok);  // a read-only revision file is still replaced
    namespace fs = std::filesystem;
    auto perms = fs::status(join(context.cms_directory, "a.c")).permissions();
    EXPECT_EQ(perms & fs::perms::owner_write, fs::perms::none);
    ASSERT_TRUE(get("a.c", "1.1"));
    std::string log = stored("LOGFILE.LOG");
    EXPECT_EQ(log,
              "put        1.1r   1b   0f   1t 2026.12.1.0.0.1c 2026.12.1.0.0.1o ann a.c\n\n"
              "put        1.2r   1b   0f   2t 2026.12.1.0.0.2c 2026.12.1.0.0.2o ann a.c\n\n"
              "get        1.1r   2b   0f   2t 2026.12.1.0.0.1c 2026.12.1.0.0.3o ann a.c\n\n");
}

TEST_F(Store, NameRules)
{
    write_file(work("a$b.c"), "x\n");
    PutRequest request;
    request.file = "a$b.c";
    EXPECT_FALSE(put_file(at_next_second(), request, ui).ok);
    EXPECT_TRUE(contains(ui.messages, "CMS file name may not contain $"));
    request.file = "sub\\a.c";
    EXPECT_FALSE(put_file(at_next_second(), request, ui).ok);
    EXPECT_TRUE(contains(ui.messages, "Incorrect CMS file name"));
    StoreContext here = at_next_second();
    here.cms_directory = here.working_directory;
    request.file = "a$b.c";
    EXPECT_FALSE(put_file(here, request, ui).ok);
    EXPECT_TRUE(contains(ui.messages, "Cms directory should be different from current directory"));
}

TEST_F(Store, ChangeDetection)
{
    write_file(work("new.c"), "x\n");
    EXPECT_EQ(file_changed(context, "new.c"), 1);
    PutRequest keep;
    keep.keep_source = true;
    ASSERT_TRUE(put("a.c", "1\n", keep).ok);
    EXPECT_EQ(file_changed(context, "a.c"), 0);
    write_file(work("a.c"), "1\n2\n");
    EXPECT_EQ(file_changed(context, "a.c"), 1);
    std::filesystem::remove(work("a.c"));
    EXPECT_EQ(file_changed(context, "a.c"), 2);
}

}  // namespace
}  // namespace vyn::versions
