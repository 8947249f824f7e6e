// The comment scans of the four languages and the regions on a line.
#include "ide/editor/comment_scan.h"

#include <gtest/gtest.h>

namespace vyn::editor {
namespace {

std::vector<Line> lines_of(std::vector<std::string> texts)
{
    std::vector<Line> lines;
    for (std::string& text : texts)
        lines.push_back(Line{std::move(text), 0});
    return lines;
}

// Regions as "l:c-l:c" with E for a line-end column.
std::string regions(const std::vector<std::string>& texts, const char* language = "C Language")
{
    LanguageList list;
    CommentScan scan = scan_comments(lines_of(texts), *list.find(language));
    std::string out;
    for (const CommentRegion& r : scan.regions) {
        if (!out.empty())
            out += " ";
        out += std::to_string(r.start.line) + ":" + std::to_string(r.start.column) + "-" + std::to_string(r.end.line) + ":" +
               (r.end.column == line_end_column ? std::string("E") : std::to_string(r.end.column));
    }
    return out;
}

TEST(CommentScan, CBlockAndLineComments)
{
    EXPECT_EQ(regions({"int a; /* one */ int b; // two"}), "0:7-0:15 0:24-0:E");
    EXPECT_EQ(regions({"  /* starts", "  goes on", " ends */ x = 1; /**/"}), "0:2-2:7 2:16-2:19");
    EXPECT_EQ(regions({"a /* never closed", "b"}), "0:2-1:E");
    EXPECT_EQ(regions({"/*/ still open */"}), "0:0-0:16");
}

TEST(CommentScan, ALineCommentEndingInABackslashGoesOnToTheNextLine)
{
    EXPECT_EQ(regions({"x; // one \\", "two \\", "three", "four"}), "0:3-2:E");
    EXPECT_EQ(regions({"// last line \\"}), "0:0-0:E");
}

TEST(CommentScan, QuotesHideCommentMarks)
{
    EXPECT_EQ(regions({"s = \"/* no */\"; c = '/'; // yes"}), "0:25-0:E");
    EXPECT_EQ(regions({"s = \"a \\\" /* still string\"; /* c */"}), "0:28-0:34");
    EXPECT_EQ(regions({"s = \"unclosed /*", "x /* y */"}), "1:2-1:8");
}

TEST(CommentScan, PascalBracesAndParenthesisStars)
{
    EXPECT_EQ(regions({"begin { one", "two } x := 1; (* three *)", "s := '{ not }';"}, "Pascal"),
              "0:6-1:4 1:14-1:24");
}

TEST(CommentScan, FortranCommentLinesAndLineEndComments)
{
    EXPECT_EQ(regions({"C comment line", "      X = 1 ! rest", "*     also", "      Y = 'a!b' ; z"}, "Fortran"),
              "0:0-0:E 1:12-1:E 2:0-2:E 3:16-3:E");
}

TEST(CommentScan, AssemblySemicolons)
{
    EXPECT_EQ(regions({"  mov ax, ';' ; load", "; whole line", "ret"}, "Assembly"), "0:14-0:E 1:0-1:E");
}

TEST(CommentScan, RegionsOnALineAreClampedAndMisfitsReported)
{
    Document document;
    document.lines = lines_of({"a /* b", "c */ d // e", "f"});
    document.language = &language_list().c();
    EXPECT_EQ(ensure_comments(document), 0);
    EXPECT_TRUE(document.flags & docflag::comments_valid);
    int mismatch = -1;
    std::vector<ColumnRange> ranges = comment_columns(document, 1, mismatch);
    EXPECT_EQ(mismatch, 0);
    ASSERT_EQ(ranges.size(), 2u);
    EXPECT_EQ(ranges[0].from, 0);
    EXPECT_EQ(ranges[0].to, 4);
    EXPECT_EQ(ranges[1].from, 7);
    EXPECT_EQ(ranges[1].to, 11);
    EXPECT_TRUE(comment_columns(document, 2, mismatch).empty());

    document.comments.push_back({{2, 5}, {2, 6}});  // beyond the line "f"
    EXPECT_TRUE(comment_columns(document, 2, mismatch).empty());
    EXPECT_EQ(mismatch, 4201);
}

TEST(CommentScan, ADocumentWithoutLanguageHasNoComments)
{
    Document document;
    document.lines = lines_of({"/* x */"});
    EXPECT_EQ(ensure_comments(document), 0);
    EXPECT_TRUE(document.comments.empty());
}

}  // namespace
}  // namespace vyn::editor

#include "ide/editor/brace_level.h"

namespace vyn::editor {
namespace {

TEST(BraceLevels, CountBracesOutsideCommentsAndLiterals)
{
    Document document;
    document.lines = lines_of({"int f(void)", "{", "    if (x) { /* { */", "        s = \"}\"; c = '{';", "    }",
                               "}", "// }"});
    attach_language(document, &c_language());
    ensure_comments(document);
    EXPECT_EQ(brace_levels(document, 0, 8), (std::vector<int>{0, 0, 1, 2, 2, 1, 0, 0}));
    EXPECT_EQ(brace_levels(document, 3, 2), (std::vector<int>{2, 2}));
}

}  // namespace
}  // namespace vyn::editor

namespace vyn::editor {
namespace {

TEST(BraceLevels, TheEnclosingBlockWithItsHead)
{
    Document document;
    document.lines = lines_of({"int g;", "", "static int", "f(int a)", "{", "    if (a) {", "        a = 2;", "    }",
                               "    return a;", "}", "int h;"});
    attach_language(document, &c_language());
    ensure_comments(document);
    for (int line : {2, 4, 6, 8, 9}) {
        std::optional<LineSpan> block = enclosing_block(document, line);
        ASSERT_TRUE(block) << line;
        EXPECT_EQ(block->first, 2);
        EXPECT_EQ(block->last, 9);
    }
    EXPECT_FALSE(enclosing_block(document, 0));
    EXPECT_FALSE(enclosing_block(document, 10));
}

}  // namespace
}  // namespace vyn::editor
