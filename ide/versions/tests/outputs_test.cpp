// The written forms through vyncms: text report, patch script, patch
// application and merge.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "ide/versions/checksum.h"
#include "test_support.h"

namespace vyn::versions {
namespace {

using namespace vyn::versions::testing;

std::string numbered(int from, int to, const char* prefix = "line")
{
    std::string out;
    for (int i = from; i <= to; ++i)
        out += std::string(prefix) + " " + std::to_string(i) + "\n";
    return out;
}

TEST(DiffCommand, ExitStatusAndEditScriptOnStandardOutput)
{
    std::string dir = scratch_directory();
    write_file(join(dir, "a"), "1\n2\n3\n");
    write_file(join(dir, "b"), "1\n3\n4\n");
    RunResult r = vyncms("diff a b", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, "d2 1\na3 1\n4\n");
    EXPECT_EQ(vyncms("diff -e a a", dir).status, 0);
    EXPECT_EQ(vyncms("diff a missing", dir).status, 2);
    write_file(join(dir, "c"), "1\n  2\n3\n");
    write_file(join(dir, "d"), "1\n2 \n3\n");
    EXPECT_EQ(vyncms("diff -b c d", dir).status, 0);
    write_file(join(dir, "e"), "ONE\n");
    write_file(join(dir, "f"), "one\n");
    EXPECT_EQ(vyncms("diff e f", dir).status, 1);
    EXPECT_EQ(vyncms("diff -i e f", dir).status, 0);
}

// The shown lines of a CRLF file keep their own line ends: GNU diff, told to
// print lines in the report's numbered form, gives the expected bodies.
TEST(DiffReport, LinesOfCrlfFilesKeepTheirLineEnds)
{
    std::string dir = scratch_directory();
    struct Case {
        const char* a;
        const char* b;
        const char* unchanged_format;  // context lines shown, as GNU diff prints them
    } cases[] = {
        {"alpha\r\nbeta\r\ngamma\r\n", "one\r\ntwo\r\n", ""},
        {"x\r\nold\r\nz\r\n", "x\r\nnew\r\nz\r\n", "[%4dn]  %L"},
    };
    for (const Case& c : cases) {
        write_file(join(dir, "a"), c.a);
        write_file(join(dir, "b"), c.b);
        std::remove(join(dir, "rep").c_str());
        ASSERT_EQ(vyncms("diff -r rep a b", dir).status, 1);
        std::string report = read_file(join(dir, "rep"));
        auto gnu = [&](const char* old_format, const char* new_format) {
            return run(std::string("diff --old-line-format=") + quote(old_format) +
                           " --new-line-format=" + quote(new_format) +
                           " --unchanged-line-format=" + quote(c.unchanged_format) + " a b",
                       dir)
                .output;
        };
        std::string erased = gnu("[%4dn]  %L", "");
        std::string added = gnu("", "[%4dn]  %L");
        ASSERT_NE(erased.find("\r\n"), std::string::npos) << erased;
        std::size_t erase_at = report.find("a: Erase ");
        std::size_t add_at = report.find("b: Add ");
        ASSERT_NE(erase_at, std::string::npos) << report;
        ASSERT_NE(add_at, std::string::npos) << report;
        std::size_t body = report.find('\n', erase_at) + 1;
        EXPECT_EQ(report.substr(body, add_at - body), erased + "\n");
        body = report.find('\n', add_at) + 1;
        EXPECT_EQ(report.substr(body), added + "\n");
    }
}

TEST(DiffReport, LayoutWithContextAndAppending)
{
    std::string dir = scratch_directory();
    write_file(join(dir, "a"), "1\n2\n3\n4\n5\n");
    write_file(join(dir, "b"), "1\n2\nthree\n4\n5\n");
    ASSERT_EQ(vyncms("diff -r rep.txt a b", dir).status, 1);
    std::string report = read_file(join(dir, "rep.txt"));
    std::size_t eol = report.find('\n');
    std::string header = report.substr(0, eol);
    EXPECT_EQ(header.rfind("Tavra-Diff a vs b: 1 changes. ", 0), 0u) << header;
    EXPECT_EQ(report.substr(eol + 1),
              "Change 1\n"
              "a: Erase 1 lines beginning with line 3\n"
              "[   2]  2\r\n[   3]  3\r\n[   4]  4\r\n\n"
              "b: Add 1 lines beginning with line 3\n"
              "[   2]  2\r\n[   3]  three\r\n[   4]  4\r\n\n");
    // A second report is appended after a line of 75 dashes.
    ASSERT_EQ(vyncms("diff -r rep.txt b a", dir).status, 1);
    std::string both = read_file(join(dir, "rep.txt"));
    ASSERT_EQ(both.substr(0, report.size()), report);
    EXPECT_EQ(both.substr(report.size(), 76), std::string(75, '-') + "\n");
    EXPECT_EQ(both.substr(report.size() + 76, 20), "Tavra-Diff b vs a: 1");
    // Identical files add nothing.
    EXPECT_EQ(vyncms("diff -r rep.txt a a", dir).status, 0);
    EXPECT_EQ(read_file(join(dir, "rep.txt")), both);
}

TEST(DiffReport, NoContextAtTheEndsAndWideNumbersLate)
{
    std::string dir = scratch_directory();
    write_file(join(dir, "a"), "x\n" + numbered(2, 9600));
    write_file(join(dir, "b"), "y\n" + numbered(2, 9599) + "last\n");
    ASSERT_EQ(vyncms("diff -r r a b", dir).status, 1);
    std::string report = read_file(join(dir, "r"));
    // First line changed: no context before, one after.
    EXPECT_NE(report.find("a: Erase 1 lines beginning with line 1\n[   1]  x\r\n[   2]  line 2\r\n\n"),
              std::string::npos);
    // A change at line 9600 uses six digits and has no context after the end.
    EXPECT_NE(report.find("a: Erase 1 lines beginning with line 9600\n[  9599]  line 9599\r\n[  9600]  line 9600\r\n\n"),
              std::string::npos)
        << report.substr(report.size() > 600 ? report.size() - 600 : 0);
}

TEST(DiffReport, LongChangesAreCutAt200Lines)
{
    std::string dir = scratch_directory();
    write_file(join(dir, "a"), "top\nbottom\n");
    write_file(join(dir, "b"), "top\n" + numbered(1, 250, "added") + "bottom\n");
    ASSERT_EQ(vyncms("diff -r r a b", dir).status, 1);
    std::string report = read_file(join(dir, "r"));
    EXPECT_NE(report.find("[ 201]  added 200\r\nToo many changes. Only the first 200 lines will be shown"),
              std::string::npos);
    EXPECT_EQ(report.find("added 201"), std::string::npos);
}

TEST(DiffReport, ForeignFileIsNotErasedWithoutConsent)
{
    std::string dir = scratch_directory();
    write_file(join(dir, "a"), "1\n");
    write_file(join(dir, "b"), "2\n");
    write_file(join(dir, "notes"), "precious\n");
    RunResult r = vyncms("diff -r notes a b", dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("exists already. Erase it?"), std::string::npos);
    EXPECT_EQ(read_file(join(dir, "notes")), "precious\n");
    EXPECT_EQ(vyncms("diff -y -r notes a b", dir).status, 1);
    EXPECT_EQ(read_file(join(dir, "notes")).substr(0, 10), "Tavra-Diff");
}

TEST(Patch, ScriptWithTrailerRoundTrips)
{
    std::string dir = scratch_directory();
    std::mt19937 random(11);
    for (int i = 0; i < 20; ++i) {
        std::string a = random_text(random, static_cast<int>(random() % 200));
        std::string b = mutate(random, a, 15);
        write_file(join(dir, "a"), a);
        write_file(join(dir, "b"), b);
        ASSERT_LE(vyncms("diff -p p.pat a b", dir).status, 1);
        std::string script = read_file(join(dir, "p.pat"));
        std::string trailer = script.substr(script.size() - 24);
        char expected[32];
        std::snprintf(expected, sizeof expected, "@\n%10u %10u\n", text_checksum(a), text_checksum(b));
        EXPECT_EQ(trailer, expected);
        RunResult r = vyncms("patch p.pat a out", dir);
        ASSERT_EQ(r.status, 0) << r.output;
        ASSERT_EQ(read_file(join(dir, "out")), b);
    }
}

TEST(Patch, SourceChecksumMismatchAsksAndZeroChecksumDoesNot)
{
    std::string dir = scratch_directory();
    write_file(join(dir, "a"), "1\n2\n3\n");
    write_file(join(dir, "b"), "1\n3\n");
    ASSERT_EQ(vyncms("diff -p p a b", dir).status, 1);
    write_file(join(dir, "other"), "1\n2\n3\nextra\n");
    RunResult r = vyncms("patch p other out", dir);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("Source file CRC differs! Continue? no"), std::string::npos);
    EXPECT_FALSE(exists(join(dir, "out")));
    // Answering yes applies it; the result then differs from the expected one.
    r = vyncms("patch -y p other out", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("Result CRC differs from expected!"), std::string::npos);
    EXPECT_EQ(read_file(join(dir, "out")), "1\n3\nextra\n");
    // Zero checksums are not compared.
    write_file(join(dir, "z"), "d2 1\n@\n         0          0\n");
    r = vyncms("patch z other out2", dir);
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output.find("CRC"), std::string::npos);
    EXPECT_EQ(read_file(join(dir, "out2")), "1\n3\nextra\n");
}

TEST(Patch, WritesOnlyTheNamedOutputFile)
{
    namespace fs = std::filesystem;
    std::string dir = scratch_directory();
    fs::create_directories(join(dir, "sub"));
    write_file(join(dir, "src"), "keep\n");
    // Inserted lines that look like paths or commands are only text.
    write_file(join(dir, "evil"), "a1 2\n../escaped\n/tmp/vyn-evil\n@\n         0          0\n");
    RunResult r = vyncms("patch ../evil ../src result", join(dir, "sub"));
    ASSERT_EQ(r.status, 0) << r.output;
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        names.push_back(fs::relative(e.path(), dir).string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"evil", "src", "sub", "sub/result"}));
    EXPECT_EQ(read_file(join(dir, "sub/result")), "keep\n../escaped\n/tmp/vyn-evil\n");
    // A malformed script leaves no output at all, not even an empty one.
    write_file(join(dir, "bad"), "d7 1\n");
    r = vyncms("patch bad src out", dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("EOF during edit"), std::string::npos);
    EXPECT_FALSE(exists(join(dir, "out")));
    EXPECT_NE(vyncms("patch missing src out", dir).output.find("Script file missing not found"), std::string::npos);
    EXPECT_NE(vyncms("patch bad src", dir).output.find("Please fill the paths for all three files"),
              std::string::npos);
}

TEST(Merge, OutputFollowsPerChangeDecisions)
{
    std::string dir = scratch_directory();
    write_file(join(dir, "one"), "a\nb\nc\nd\ne\n");
    write_file(join(dir, "two"), "a\nB\nc\nd\nE\n");
    RunResult list = vyncms("merge -l one two", dir);
    EXPECT_EQ(list.output, "Diff. 1 de 2: d2 1\na2 1\nDiff. 2 de 2: d5 1\na5 1\n");
    // Keep the first file's text at change 1, take the second's at change 2.
    RunResult r = vyncms("merge -k 1 one two out", dir);
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Merge finished"), std::string::npos);
    EXPECT_EQ(read_file(join(dir, "out")), "a\nb\nc\nd\nE\n");
    ASSERT_EQ(vyncms("merge -k 2 one two out", dir).status, 0);
    EXPECT_EQ(read_file(join(dir, "out")), "a\nB\nc\nd\ne\n");
    // Nothing kept from one: a plain copy of two, only when agreed to.
    r = vyncms("merge one two out3", dir);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("No text from file one was used,\nthe new file would be a copy of two"), std::string::npos);
    EXPECT_FALSE(exists(join(dir, "out3")));
    ASSERT_EQ(vyncms("merge -y one two out3", dir).status, 0);
    EXPECT_EQ(read_file(join(dir, "out3")), read_file(join(dir, "two")));
    ASSERT_EQ(vyncms("merge -y -k 1,2 one two out4", dir).status, 0);
    EXPECT_EQ(read_file(join(dir, "out4")), read_file(join(dir, "one")));
    r = vyncms("merge -k 1 one two one", dir);
    EXPECT_NE(r.output.find("Name of output file should be\ndifferent from both input files"), std::string::npos);
    EXPECT_EQ(read_file(join(dir, "one")), "a\nb\nc\nd\ne\n");
    // No temporary script is left behind.
    std::size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 5u);
}

TEST(ChecksumCommand, PrintsDecimalChecksum)
{
    std::string dir = scratch_directory();
    write_file(join(dir, "abc"), "abc");
    write_file(join(dir, "empty"), "");
    EXPECT_EQ(vyncms("checksum abc", dir).output, "140128257\n");
    EXPECT_EQ(vyncms("checksum empty", dir).output, "151584769\n");
    EXPECT_EQ(vyncms("checksum nothing", dir).status, 2);
}

}  // namespace
}  // namespace vyn::versions
