// The difference engine: exact results on small cases, and GNU diff -n as
// an independent oracle on random and real file pairs.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "ide/versions/checksum.h"
#include "ide/versions/diff_engine.h"
#include "ide/versions/edit_script.h"
#include "test_support.h"

namespace vyn::versions {
namespace {

using namespace vyn::versions::testing;

std::string apply_script(const std::string& script, const std::string& input)
{
    std::string out, error;
    EXPECT_TRUE(apply_edit_script(script, Lines(input), out, error)) << error;
    return out;
}

TEST(Checksum, KnownValuesAndTextReading)
{
    EXPECT_EQ(text_checksum("abc"), 140128257u);
    EXPECT_EQ(text_checksum(""), 151584769u);
    // A carriage return before a newline is not counted; alone it is.
    EXPECT_EQ(text_checksum("a\r\nb\r\n"), text_checksum("a\nb\n"));
    EXPECT_NE(text_checksum("a\rb"), text_checksum("ab"));
    EXPECT_NE(text_checksum("abc"), text_checksum("acb"));
    EXPECT_EQ(file_checksum("/nonexistent/file/for/checksum"), 0u);
}

TEST(DiffEngine, IdenticalTextsHaveNoChanges)
{
    Lines a(std::string("x\ny\nz\n"));
    EXPECT_TRUE(compare_lines(a, a, 0).empty());
    EXPECT_TRUE(compare_lines(Lines(), Lines(), 0).empty());
}

TEST(DiffEngine, FileAgainstEmptyIsOneDeletionOfEveryLine)
{
    Lines a(std::string("1\n2\n3\n")), empty;
    auto changes = compare_lines(a, empty, 0);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].line0, 0u);
    EXPECT_EQ(changes[0].deleted, 3u);
    EXPECT_EQ(changes[0].inserted, 0u);
    EXPECT_EQ(make_edit_script(empty, changes), "d1 3\n");
    EXPECT_EQ(make_edit_script(a, compare_lines(empty, a, 0)), "a0 3\n1\n2\n3\n");
}

// The commands of each change are the edit-script writer's now; the engine
// returns the bare runs.
TEST(DiffEngine, EditScriptCommandsAndLineNumbers)
{
    Lines a(std::string("a\nb\nc\nd\ne\n")), b(std::string("a\nB\nc\ne\nf\n"));
    auto changes = compare_lines(a, b, 0);
    EXPECT_EQ(make_edit_script(b, changes), "d2 1\na2 1\nB\nd4 1\na5 1\nf\n");
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(delete_command(changes[0]), "d2 1\n");
    EXPECT_EQ(add_command(changes[0]), "a2 1\n");
    EXPECT_EQ(b.range(changes[0].line1, changes[0].inserted), "B\n");
    EXPECT_EQ(add_command(changes[2]), "a5 1\n");
}

TEST(DiffEngine, IgnoreSpacesAndIgnoreCase)
{
    Lines a(std::string("int  x = 1;\nFOO\n")), b(std::string("int x\t=   1;\nfoo\n"));
    EXPECT_EQ(compare_lines(a, b, 0).size(), 1u);
    auto spaces = compare_lines(a, b, diff_options::ignore_spaces);
    ASSERT_EQ(spaces.size(), 1u);
    EXPECT_EQ(spaces[0].line0, 1u);  // only the case difference is left
    EXPECT_TRUE(compare_lines(a, b, diff_options::ignore_spaces | diff_options::ignore_case).empty());
    EXPECT_EQ(compare_lines(a, b, diff_options::ignore_case).size(), 1u);
}

TEST(DiffEngine, MissingFinalNewlineSurvivesTheScript)
{
    std::string a = "one\ntwo\nthree", b = "one\ntwo\nthree\nfour";
    std::string script = edit_script_between(a, b);
    EXPECT_EQ(apply_script(script, a), b);
    EXPECT_EQ(apply_script(edit_script_between(b, a), b), a);
    EXPECT_EQ(apply_script(edit_script_between("x\n", "x"), "x\n"), "x");
}

TEST(EditScript, MalformedScriptsGiveTheirMessages)
{
    struct Case {
        const char* script;
        const char* message;
    } cases[] = {
        {"x1 1\n", "Unknown command in edit script: x"},
        {"d\n", "Missing line number in edit script"},
        {"d1\n", "Missing line number in edit script"},
        {"a1 x\n", "Missing line number in edit script"},
        {"d9 1\n", "EOF during edit"},
        {"a9 1\nz\n", "EOF during edit"},
        {"a1 3\nonly one\n", "EOF during edit"},
        {"d3 1\nd1 1\n", "Edit script out of order at line 1"},
        {"d0 1\n", "Edit script out of order at line 0"},
        {"d99999999999999999999 1\n", "Missing line number in edit script"},
    };
    Lines input(std::string("1\n2\n3\n"));
    for (const Case& c : cases) {
        std::string out, error;
        EXPECT_FALSE(apply_edit_script(c.script, input, out, error)) << c.script;
        EXPECT_EQ(error, c.message) << c.script;
    }
}

TEST(EditScript, SeparatorsBetweenCommandsAreFree)
{
    std::string out, error;
    ASSERT_TRUE(apply_edit_script(" \n\td1 1\n\n  a3  1\nnew\n\n", Lines(std::string("1\n2\n3\n")), out, error));
    EXPECT_EQ(out, "2\n3\nnew\n");
}

// Runs GNU diff -n on two files; the engine's script must apply and its size
// is compared with GNU's.
struct OracleStats {
    int pairs = 0;
    int identical = 0;
    double ratio_sum = 0;
    int ratio_count = 0;
    double worst = 0;
};

void compare_with_gnu(const std::string& dir, const std::string& a, const std::string& b, OracleStats& stats)
{
    std::string pa = join(dir, "a"), pb = join(dir, "b");
    write_file(pa, a);
    write_file(pb, b);
    std::string ours = edit_script_between(a, b);
    ASSERT_EQ(apply_script(ours, a), b);
    RunResult gnu = run("diff -n " + quote(pa) + " " + quote(pb));
    ASSERT_TRUE(gnu.status == 0 || gnu.status == 1) << gnu.output;
    stats.pairs++;
    if (gnu.output == ours)
        stats.identical++;
    if (!gnu.output.empty()) {
        double r = static_cast<double>(ours.size()) / static_cast<double>(gnu.output.size());
        stats.ratio_sum += r;
        stats.ratio_count++;
        stats.worst = std::max(stats.worst, r);
    }
}

void report(const char* what, const OracleStats& s)
{
    double mean = s.ratio_count ? s.ratio_sum / s.ratio_count : 1.0;
    std::printf("[oracle] %s: %d pairs, %d scripts identical to GNU diff -n, mean size ratio %.4f, worst %.4f\n", what,
                s.pairs, s.identical, mean, s.worst);
    ::testing::Test::RecordProperty(std::string(what) + "_identical", s.identical);
    ::testing::Test::RecordProperty(std::string(what) + "_pairs", s.pairs);
}

TEST(DiffOracle, RandomPairsAgainstGnuDiff)
{
    std::string dir = scratch_directory();
    std::mt19937 random(2026);
    OracleStats stats;
    for (int i = 0; i < 250; ++i) {
        int vocabulary = std::vector<int>{3, 12, 60, 5000}[static_cast<std::size_t>(i % 4)];
        std::string a = random_text(random, static_cast<int>(random() % 300), vocabulary);
        std::string b = mutate(random, a, static_cast<int>(random() % 40), vocabulary);
        compare_with_gnu(dir, a, b, stats);
    }
    report("random", stats);
    // The same analysis gives the same scripts; allow a rare tie broken
    // differently, never a longer script on average.
    EXPECT_GE(stats.identical, stats.pairs * 95 / 100);
    EXPECT_LE(stats.ratio_sum / std::max(1, stats.ratio_count), 1.01);
}

TEST(DiffOracle, RealSourcePairsAgainstGnuDiff)
{
    // Pairs of real sources of this project, compared with each other.
    namespace fs = std::filesystem;
    std::string dir = scratch_directory();
    std::vector<std::string> sources;
    for (const auto& e : fs::directory_iterator(fs::path(__FILE__).parent_path().parent_path()))
        if (e.path().extension() == ".cpp" || e.path().extension() == ".h")
            sources.push_back(read_file(e.path().string()));
    ASSERT_GE(sources.size(), 10u);
    OracleStats stats;
    for (std::size_t i = 0; i + 1 < sources.size(); ++i)
        compare_with_gnu(dir, sources[i], sources[i + 1], stats);
    // And each source against an edited copy of itself.
    std::mt19937 random(7);
    for (const std::string& s : sources)
        compare_with_gnu(dir, s, mutate(random, s, 10), stats);
    report("real", stats);
    EXPECT_GE(stats.identical, stats.pairs * 9 / 10);
}

}  // namespace
}  // namespace vyn::versions
