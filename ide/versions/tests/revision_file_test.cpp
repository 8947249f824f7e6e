// The revision file format, lock file names, log records and the binary
// form (with Debian's uudecode as the oracle).
#include <gtest/gtest.h>

#include "ide/versions/revision_file.h"
#include "ide/versions/revision_number.h"
#include "ide/versions/revision_tree.h"
#include "ide/versions/store_layout.h"
#include "ide/versions/uuencode.h"
#include "test_support.h"

namespace vyn::versions {
namespace {

using namespace vyn::versions::testing;

RevisionFile two_revisions()
{
    RevisionFile f;
    f.head = "1.2";
    Revision r2;
    r2.number = "1.2";
    r2.date = "2026.12.8.10.0.0";
    r2.author = "ann";
    r2.state = "Exp";
    r2.next = "1.1";
    r2.log = "mail ann@example";
    r2.text = "a@b\nc\n";
    r2.has_text = true;
    Revision r1;
    r1.number = "1.1";
    r1.date = "2026.12.7.9.5.3";
    r1.author = "bob";
    r1.state = "Exp";
    r1.log = "Initial revision\n";
    r1.text = "d2 1\n";
    r1.has_text = true;
    f.revisions = {r2, r1};
    f.text_order = {"1.2", "1.1"};
    f.description = "desc";
    return f;
}

TEST(RevisionFileWriter, ExactLayout)
{
    EXPECT_EQ(write_revision_file(two_revisions()),
              "This is a CMS file. Do NOT edit!\n"
              "Head     1.2;\n"
              "Branch   ;\n"
              "Access   ;\n"
              "RevNames  ;\n"
              "Locks    ;\n"
              "CmsVersion 2;\n"
              "Binary 0;\n\n"
              "\n1.2\nDate     2026.12.8.10.0.0;\n  Author ann;\n  State Exp;\nBranches     \n ;\nNext     1.1;\n"
              "\n1.1\nDate     2026.12.7.9.5.3;\n  Author bob;\n  State Exp;\nBranches     \n ;\nNext     ;\n"
              "\n\nDescription\n@desc\n@\n\n"
              "\n\n1.2\nLog\n@mail ann@@example\n@\nText\n@a@@b\nc\n@\n"
              "\n\n1.1\nLog\n@Initial revision\n@\nText\n@d2 1\n@\n");
}

TEST(RevisionFileWriter, ListsAndBranchesAndDepthFirstOrder)
{
    RevisionFile f = two_revisions();
    f.access = {"ann", "bob"};
    f.names = {{"rel1", "1.1"}};
    f.locks = {{"ann", "1.2"}};
    f.default_branch = "1.1.1";
    f.binary = true;
    Revision b1;
    b1.number = "1.1.1.1";
    b1.date = "2026.12.7.9.6.0";
    b1.author = "cy";
    b1.next = "1.1.1.2";
    b1.text = "a1 1\nx\n";
    b1.has_text = true;
    Revision b2 = b1;
    b2.number = "1.1.1.2";
    b2.next.clear();
    f.revisions[1].branches = {"1.1.1.1"};
    f.revisions.push_back(b2);
    f.revisions.push_back(b1);
    std::string text = write_revision_file(f);
    EXPECT_NE(text.find("Branch   1.1.1;\nAccess   ann bob;\nRevNames  rel1:1.1;\nLocks    ann:1.2;\nCmsVersion 2;\n"
                        "Binary 1;\n\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Branches     \n 1.1.1.1;\n"), std::string::npos);
    // Depth first: the main line, then the branch of 1.1 in its order.
    std::size_t p12 = text.find("\n1.2\nDate"), p11 = text.find("\n1.1\nDate"), pb1 = text.find("\n1.1.1.1\nDate"),
                pb2 = text.find("\n1.1.1.2\nDate");
    EXPECT_LT(p12, p11);
    EXPECT_LT(p11, pb1);
    EXPECT_LT(pb1, pb2);

    RevisionFile back;
    std::string error;
    ASSERT_TRUE(parse_revision_file(text, back, error)) << error;
    EXPECT_EQ(back.access, f.access);
    EXPECT_EQ(back.names, f.names);
    EXPECT_EQ(back.locks, f.locks);
    EXPECT_EQ(back.default_branch, "1.1.1");
    EXPECT_TRUE(back.binary);
    EXPECT_EQ(write_revision_file(back), text);
}

TEST(RevisionFileReader, AtSignsAndLogNewlineRoundTrip)
{
    RevisionFile f = two_revisions();
    std::string text = write_revision_file(f);
    RevisionFile back;
    std::string error;
    ASSERT_TRUE(parse_revision_file(text, back, error)) << error;
    EXPECT_EQ(back.find("1.2")->text, "a@b\nc\n");
    EXPECT_EQ(back.find("1.2")->log, "mail ann@example\n");  // newline added on writing
    EXPECT_EQ(back.description, "desc\n");
    EXPECT_EQ(back.version, 2);
    std::string rebuilt;
    ASSERT_TRUE(rebuild_text(back, "1.1", rebuilt, error)) << error;
    EXPECT_EQ(rebuilt, "a@b\n");
}

TEST(RevisionFileReader, WhiteSpaceBetweenTokensIsFreeAndVersionOneHasNoBinary)
{
    std::string text = "This is a CMS file. Do NOT edit!\nHead 1.1 ; Access ; RevNames ; Locks ;"
                        " Comment @# @ ;\n\n1.1 Date 2026.1.1.0.0.0 ; Author x ; State ; Branches ; Next ;"
                        "Description @@ 1.1 Log @l@ Text @t\n@";
    RevisionFile f;
    std::string error;
    ASSERT_TRUE(parse_revision_file(text, f, error)) << error;
    EXPECT_EQ(f.version, 1);
    EXPECT_FALSE(f.binary);
    EXPECT_EQ(f.comment, "# ");
    EXPECT_EQ(f.find("1.1")->state, "");
    EXPECT_EQ(f.find("1.1")->text, "t\n");
}

TEST(RevisionFileReader, ParseErrorsAreReportedWithTheirMessages)
{
    const std::string start = "This is a CMS file. Do NOT edit!\n";
    const std::string admin = "Head 1.1; Access ; RevNames ; Locks ;\n";
    const std::string node = "1.1 Date 2026.1.1.0.0.0; Author a; State Exp; Branches ; Next ;\n";
    const std::string desc = "Description @d@\n";
    struct Case {
        std::string text;
        const char* message;
    } cases[] = {
        {start + "Access ;", "Missing head"},
        {start + "Head 1.1 Access", "Missing ';' after head"},
        {start + "Head 1.1; Branch 1.1.1 Access", "Missing ';' after branch list"},
        {start + "Head 1.1; RevNames ;", "Missing access list"},
        {start + "Head 1.1; Access a b : ;", "Missing ';' after access list"},
        {start + "Head 1.1; Access ; Locks ;", "Missing symbols"},
        {start + "Head 1.1; Access ; RevNames x 1.1;", "Missing ':' in symbolic name definition"},
        {start + "Head 1.1; Access ; RevNames x: y;", "Missing number in symbolic name definition"},
        {start + "Head 1.1; Access ; RevNames ; Date", "Missing locks"},
        {start + "Head 1.1; Access ; RevNames ; Locks a 1.1;", "Missing ':' in lock"},
        {start + "Head 1.1; Access ; RevNames ; Locks a:;", "Missing number in lock"},
        {start + "Head 1.1; Access ; RevNames ; Locks a:1.1.1;", "Delta number required for lock"},
        {start + "Head 1.1; Access ; RevNames ; Locks ; CmsVersion 2 Binary", "Missing ';' after keyword CmsVersion"},
        {start + admin + "1.1 Date 2026.1.1.0.0.0; Author a; State Exp; Next ;", "Missing branches"},
        {start + admin + "1.1 Date 2026.1.1.0.0.0; Author a; State Exp; Branches 1.1.1; Next ;",
         "Delta number required"},
        {start + admin + "1.1 Date 2026.1.1.0.0.0; Author a; State Exp; Branches 1.1.1.1 Next ;",
         "Missing ';' after branches"},
        {start + admin + "1.1 Date 2026.1.1.0.0.0; Author a; State Exp; Branches ; Desc",
         "Missing next"},
        {start + admin + "1.1 Date 2026.1.1.0.0.0; Author a; State Exp; Branches ; Next 1.0 Description",
         "Missing ';' after next"},
        {start + admin + "1.1.1 Date", "Delta number required"},
        {start + admin + node + "Log @x@", "Missing descriptive text"},
        {start + admin + node + "1.1 Log", "Incorrect CMS file: revision 1.1 appears twice"},
        {start + admin + node + desc + "1.1 Text @x@", "Missing log entry"},
        {start + admin + node + desc + "1.1 Log @l@ @t@", "Missing delta text"},
        {start + admin + node + desc + "1.9 Log @l@ Text @t@", "Can't find delta for revision 1.9"},
        {start + admin + node + desc + "1.1 Log @l@ Text @unterminated", "Incorrect CMS file: Unexpected EOF"},
        {start + admin + node, "Incorrect CMS file: Unexpected EOF"},
        {start + "Head 1.1; Access \x01;", "unknown Character: \x01"},
        {start + admin + node + desc, "Missing delta text"},
        {start + "Head 1.2; Access ; RevNames ; Locks ;\n"
                 "1.2 Date 2026.1.1.0.0.0; Author a; State Exp; Branches ; Next 1.2;\n" + desc + "1.2 Log @l@ Text @t@",
         "Incorrect CMS file: revision 1.2 is linked twice"},
        {"Some other file that is long enough to hold the header", "Incorrect CMS file: missing header line"},
    };
    for (const Case& c : cases) {
        RevisionFile f;
        std::string error;
        EXPECT_FALSE(parse_revision_file(c.text, f, error)) << c.text;
        EXPECT_EQ(error, c.message) << c.text;
    }
}

TEST(RevisionNumbers, ComparedFieldByField)
{
    EXPECT_LT(compare_numbers("1.9", "1.10"), 0);
    EXPECT_GT(compare_numbers("2.1", "1.99"), 0);
    EXPECT_LT(compare_numbers("1.2", "1.2.1.1"), 0);
    EXPECT_EQ(compare_numbers("1.2", "1.2"), 0);
    EXPECT_GT(compare_numbers("2026.12.8.10.0.1", "2026.12.8.9.59.59"), 0);
    EXPECT_TRUE(is_revision_number("1.2.1.1"));
    EXPECT_FALSE(is_revision_number("1.2.1"));
    EXPECT_FALSE(is_dotted_number("1..2"));
    EXPECT_EQ(increment_last("1.2.1.9"), "1.2.1.10");
    std::tm t{};
    t.tm_year = 126;
    t.tm_mon = 0;
    t.tm_mday = 5;
    t.tm_hour = 7;
    t.tm_min = 0;
    t.tm_sec = 9;
    EXPECT_EQ(format_date(t), "2026.1.5.7.0.9");
}

TEST(LockFileNames, EightDotThreeRules)
{
    struct Case {
        const char* file;
        const char* lock;
    } cases[] = {
        {"hello.c", "hello___.c__"},
        {"abcdefgh.txt", "_bcdefgh.tx_"},
        {"main.cpp", "main____.cpp"},
        {"averylongname.cpp", "_verylon.cp_"},
        {"Makefile", "Makefile.___"},
        {"a.b.c", "a.b_____.c__"},
        {"x.html", "x_______.htm"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lock_file_name(c.file), c.lock) << c.file;
}

TEST(OperationsLog, RecordFormat)
{
    EXPECT_EQ(log_record("put", "1.2.1.1", PathCounts{2, 1}, 4, "2026.1.1.0.0.0", "2026.1.2.3.4.5", "ann", "hello.c"),
              "put    1.2.1.1r   2b   1f   4t 2026.1.1.0.0.0c 2026.1.2.3.4.5o ann hello.c\n\n");
}

TEST(OperationsLog, GivesUpWhileAnotherWriterHoldsIt)
{
    std::string dir = scratch_directory();
    std::string error;
    ASSERT_TRUE(append_operation_log(dir, "one\n\n", error)) << error;
    write_file(join(dir, "_LOGFILE.LO_"), "");
    EXPECT_FALSE(append_operation_log(dir, "two\n\n", error));
    EXPECT_EQ(error, "Log file locked. No log");
    EXPECT_EQ(read_file(join(dir, "LOGFILE.LOG")), "one\n\n");
    EXPECT_TRUE(exists(join(dir, "_LOGFILE.LO_")));  // the other writer's lock is left alone
}

TEST(BinaryForm, LayoutAndDecodingByUudecode)
{
    std::string dir = scratch_directory();
    std::mt19937 random(5);
    for (std::size_t size : {0u, 1u, 2u, 3u, 44u, 45u, 46u, 90u, 1000u, 4097u}) {
        std::string bytes;
        for (std::size_t i = 0; i < size; ++i)
            bytes += static_cast<char>(random() & 0xFF);
        std::string encoded = uuencode(bytes, "pic.bmp");
        ASSERT_EQ(encoded.rfind("\r\nbegin 0666 pic.bmp\r\n", 0), 0u);
        ASSERT_EQ(encoded.substr(encoded.size() - 8), "`\r\nend\r\n");
        EXPECT_EQ(encoded.find(' '), encoded.find("begin ") + 5);  // zero is never a blank
        std::string decoded;
        ASSERT_TRUE(uudecode(encoded, decoded));
        EXPECT_EQ(decoded, bytes);
        write_file(join(dir, "enc.uue"), encoded);
        RunResult r = run("uudecode -o " + quote(join(dir, "out.bin")) + " " + quote(join(dir, "enc.uue")));
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_EQ(read_file(join(dir, "out.bin")), bytes) << size;
    }
    std::string ignored;
    EXPECT_FALSE(uudecode("begin 0666 x\r\nM\r\n", ignored));
    EXPECT_TRUE(is_binary_name("LOGO.BMP"));
    EXPECT_TRUE(is_binary_name("main.obj"));
    EXPECT_FALSE(is_binary_name("main.c"));
    EXPECT_FALSE(is_binary_name("obj"));
}

}  // namespace
}  // namespace vyn::versions
