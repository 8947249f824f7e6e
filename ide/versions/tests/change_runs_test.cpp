// The engine's interface: runs of changes only. Whatever the inputs, the
// runs come in file order, each nonempty, with at least one equal line
// between two runs, and the lines outside the runs pair up one to one as
// equal lines; the writers build everything else from that.
#include <gtest/gtest.h>

#include "ide/versions/diff_engine.h"
#include "ide/versions/edit_script.h"
#include "test_support.h"

namespace vyn::versions {
namespace {

using namespace vyn::versions::testing;

// Checks the runs' shape and that the unchanged lines pair up equal.
void check_runs(const Lines& a, const Lines& b, const std::vector<Change>& changes, bool exact)
{
    std::size_t i0 = 0, i1 = 0;
    for (std::size_t k = 0; k < changes.size(); ++k) {
        const Change& c = changes[k];
        ASSERT_TRUE(c.deleted > 0 || c.inserted > 0) << "run " << k << " is empty";
        ASSERT_GE(c.line0, i0);
        ASSERT_LE(c.line0 + c.deleted, a.size());
        ASSERT_LE(c.line1 + c.inserted, b.size());
        // Equal stretches on both sides have the same length...
        ASSERT_EQ(c.line0 - i0, c.line1 - i1) << "run " << k;
        if (k > 0) {
            ASSERT_GT(c.line0 - i0, 0u) << "runs " << k - 1 << " and " << k << " touch";
        }
        // ...and, compared exactly, equal lines.
        for (std::size_t j = 0; exact && j < c.line0 - i0; ++j)
            ASSERT_EQ(a.line(i0 + j), b.line(i1 + j));
        i0 = c.line0 + c.deleted;
        i1 = c.line1 + c.inserted;
    }
    ASSERT_EQ(a.size() - i0, b.size() - i1);
    for (std::size_t j = 0; exact && j < a.size() - i0; ++j)
        ASSERT_EQ(a.line(i0 + j), b.line(i1 + j));
}

TEST(ChangeRuns, RandomPairsGiveWellFormedRuns)
{
    std::mt19937 random(14);
    for (int i = 0; i < 300; ++i) {
        int vocabulary = std::vector<int>{2, 8, 50, 3000}[static_cast<std::size_t>(i % 4)];
        std::string ta = random_text(random, static_cast<int>(random() % 400), vocabulary);
        std::string tb = mutate(random, ta, static_cast<int>(random() % 60), vocabulary);
        Lines a(ta), b(tb);
        SCOPED_TRACE(i);
        check_runs(a, b, compare_lines(a, b, 0), true);
        check_runs(a, b, compare_lines(a, b, diff_options::ignore_spaces | diff_options::ignore_case), false);
    }
}

TEST(ChangeRuns, WritersTurnRunsIntoCommandsAndReplaceTheText)
{
    Lines a(std::string("keep\nold 1\nold 2\nkeep\nkeep\n")), b(std::string("new\nkeep\nkeep\nkeep\nend"));
    std::vector<Change> changes = compare_lines(a, b, 0);
    check_runs(a, b, changes, true);
    std::string script;
    for (const Change& c : changes) {
        script += delete_command(c);
        script += add_command(c);
        if (c.inserted)
            script += b.range(c.line1, c.inserted);
    }
    EXPECT_EQ(script, make_edit_script(b, changes));
    std::string out, error;
    ASSERT_TRUE(apply_edit_script(script, a, out, error)) << error;
    EXPECT_EQ(out, b.text());
    // A run that only inserts has no delete command, and the reverse.
    EXPECT_EQ(delete_command(Change{3, 0, 4, 2}), "");
    EXPECT_EQ(add_command(Change{3, 0, 4, 2}), "a3 2\n");
    EXPECT_EQ(delete_command(Change{3, 2, 4, 0}), "d4 2\n");
    EXPECT_EQ(add_command(Change{3, 2, 4, 0}), "");
}

TEST(ChangeRuns, ManyCommonLinesDoNotHideTheChanges)
{
    // Thousands of blank lines (provisional discards) around real changes.
    std::string ta, tb;
    for (int i = 0; i < 3000; ++i) {
        ta += i % 500 == 7 ? "old " + std::to_string(i) + "\n" : "\n";
        tb += i % 500 == 7 ? "new " + std::to_string(i) + "\n" : "\n";
    }
    Lines a(ta), b(tb);
    std::vector<Change> changes = compare_lines(a, b, 0);
    check_runs(a, b, changes, true);
    ASSERT_EQ(changes.size(), 6u);
    for (const Change& c : changes) {
        EXPECT_EQ(c.deleted, 1u);
        EXPECT_EQ(c.inserted, 1u);
        EXPECT_EQ(c.line0 % 500, 7u);
    }
}

}  // namespace
}  // namespace vyn::versions
