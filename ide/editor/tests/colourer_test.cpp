// The keyword colourer's rules and a document line painted around its comments.
#include "ide/editor/colourer.h"

#include <gtest/gtest.h>

namespace vyn::editor {
namespace {

// The row with keywords in [], comments in {}, the continuation column in <>.
std::string painted(const Language* language, std::string_view row, std::vector<ColumnRange> comments = {},
                    bool colouring = true)
{
    std::vector<ColourSpan> spans;
    colour_row(language, row, comments, colouring, spans);
    std::string out;
    int at = 0;
    for (const ColourSpan& span : spans) {
        EXPECT_EQ(span.from, at) << "spans must tile the row";
        at = span.to;
        std::string part(row.substr(static_cast<std::size_t>(span.from), static_cast<std::size_t>(span.to - span.from)));
        switch (span.colour) {
        case Colour::keyword: out += "[" + part + "]"; break;
        case Colour::comment: out += "{" + part + "}"; break;
        case Colour::continuation: out += "<" + part + ">"; break;
        case Colour::text: out += part; break;
        }
    }
    EXPECT_EQ(at, static_cast<int>(row.size()));
    return out;
}

const Language* named(const char* name)
{
    return language_list().find(name);
}

TEST(Colourer, KeywordBoundaries)
{
    const Language* c = &c_language();
    EXPECT_EQ(painted(c, "if (x) return;"), "[if] (x) [return];");
    EXPECT_EQ(painted(c, "int;"), "[int];");
    EXPECT_EQ(painted(c, "ifdef iffy elif"), "ifdef iffy elif");  // longer words that start with "if"
    EXPECT_EQ(painted(c, "charm char_t intx"), "charm char_t intx");
    EXPECT_EQ(painted(c, "qif = 1"), "qif = 1");  // after a letter: part of a longer word
    EXPECT_EQ(painted(c, "x=sizeof(y)"), "x=[sizeof](y)");
    EXPECT_EQ(painted(c, "  static"), "  [static]");  // ends the row: no follower needed
    EXPECT_EQ(painted(c, "INT a"), "INT a");
}

TEST(Colourer, ARunOfFifteenKeywordCharactersIsNeverColoured)
{
    LanguageList list;
    LanguageSettings extra;
    extra.name = "C Language";
    extra.keywords = {"abcdefghijklmn", "abcdefghijklmno"};  // 14 and 15 characters
    const Language* c = &list.define(extra);
    EXPECT_EQ(painted(c, "abcdefghijklmn x"), "[abcdefghijklmn] x");
    EXPECT_EQ(painted(c, "abcdefghijklmno x"), "abcdefghijklmno x");
    EXPECT_EQ(painted(c, "x abcdefghijklmno"), "x [abcdefghijklmno]");  // at the end only the table counts
}

TEST(Colourer, StringsArePlain)
{
    const Language* c = &c_language();
    EXPECT_EQ(painted(c, "s = \"if int\"; char c = 'if';"), "s = \"if int\"; [char] c = 'if';");
    EXPECT_EQ(painted(c, "s = \"a\\\"int\" int"), "s = \"a\\\"int\" [int]");
    EXPECT_EQ(painted(c, "\"open int"), "\"open int");
}

TEST(Colourer, PreprocessorLines)
{
    const Language* c = &c_language();
    EXPECT_EQ(painted(c, "#include <stdio.h> int"), "[#include] <stdio.h> int");
    EXPECT_EQ(painted(c, "  #  define X if"), "  [#  define] X if");
    EXPECT_EQ(painted(c, "#if X"), "#if X");  // a directive of two characters is not coloured
    EXPECT_EQ(painted(c, "#warning int"), "#warning int");
    EXPECT_EQ(painted(named("Pascal"), "#define begin"), "[#define] begin");
}

TEST(Colourer, PascalComparesWithoutCaseAndCIsCaseSensitive)
{
    EXPECT_EQ(painted(named("Pascal"), "BEGIN x := 1 End;"), "[BEGIN] x := 1 [End];");
    EXPECT_EQ(painted(&c_language(), "INT Int int"), "INT Int [int]");
}

TEST(Colourer, FortranContinuationColumnAndDottedKeywords)
{
    const Language* fortran = named("Fortran");
    EXPECT_EQ(painted(fortran, "     &  X .GT. 1"), "     <&>  X [.GT.] 1");
    EXPECT_EQ(painted(fortran, "      IF (X) THEN"), "      [IF] (X) [THEN]");
    EXPECT_EQ(painted(fortran, "    1 CONTINUE"), "    1 [CONTINUE]");  // four blanks: no continuation
    EXPECT_EQ(painted(fortran, "#define x"), "#define x");  // no preprocessor lines in Fortran
}

TEST(Colourer, CommentsAndTheStretchesAroundThem)
{
    const Language* c = &c_language();
    EXPECT_EQ(painted(c, "int /* if */ return", {{4, 12}}), "[int] {/* if */} [return]");
    EXPECT_EQ(painted(c, "x /*a*/if(", {{2, 7}}), "x {/*a*/}[if](");
    // Without keywords (assembly) only comments are coloured.
    EXPECT_EQ(painted(named("Assembly"), "mov ax ; int", {{7, 12}}), "mov ax {; int}");
    EXPECT_EQ(painted(nullptr, "int x"), "int x");
    EXPECT_EQ(painted(c, "int /* x */", {{4, 11}}, false), "int /* x */");
}

TEST(Colourer, DocumentLinesHaveTabsExpandedAndCommentsMovedWithThem)
{
    Document document;
    document.lines = {Line{"\tint a;\t// note", 0}, Line{"x; // goes on \\", 0}, Line{"int b;", 0}};
    attach_language(document, &c_language());
    ensure_comments(document);
    ColouredRow row;
    colour_line(document, 0, 4, true, row);
    EXPECT_EQ(row.text, "    int a;  // note");
    ASSERT_EQ(row.spans.size(), 4u);
    EXPECT_EQ(row.spans[1], (ColourSpan{4, 7, Colour::keyword}));
    EXPECT_EQ(row.spans[3], (ColourSpan{12, 19, Colour::comment}));
    colour_line(document, 2, 4, true, row);  // continued "//" comment covers the whole line
    ASSERT_EQ(row.spans.size(), 1u);
    EXPECT_EQ(row.spans[0], (ColourSpan{0, 6, Colour::comment}));
}

}  // namespace
}  // namespace vyn::editor

#include "ide/editor/status_text.h"

namespace vyn::editor {
namespace {

TEST(StatusText, LineAndScreenColumnWithTheModifiedMark)
{
    Document document;
    document.lines = {Line{"a", 0}, Line{"\tint x;", 0}};
    View view;
    view.document = &document;
    view.cursor = {1, 2};
    EXPECT_EQ(status_text(view, 4), "2:6");
    EXPECT_EQ(status_text(view, 8, "main"), "main 2:10");
    document.flags |= docflag::modified;
    EXPECT_EQ(status_text(view, 4), "2:6 *");
    view.cursor = {2, 0};  // the end of the document
    EXPECT_EQ(status_text(view, 4), "3:1 *");
    EXPECT_EQ(marked_title("a.c", true), "a.c*");
    EXPECT_EQ(marked_title("a.c*", true), "a.c*");
    EXPECT_EQ(marked_title("a.c*", false), "a.c");
}

}  // namespace
}  // namespace vyn::editor
