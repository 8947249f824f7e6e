#include "editor_fixture.h"

namespace vyn::editor::testing {
namespace {

using Typing = EditorTest;

TEST_F(Typing, CharactersGoInAtTheCursorAndControlCharactersAreRefused)
{
    View& view = make({"ac"});
    editor.mouse_click(view, {0, 1}, false);
    EXPECT_EQ(editor.insert_characters(view, 2, 'b'), 2);
    EXPECT_EQ(editor.insert_characters(view, 1, 7), 0);
    EXPECT_EQ(editor.insert_characters(view, 1, 256), 0);
    EXPECT_EQ(editor.insert_characters(view, 1, 0xE9), 1);
    EXPECT_EQ(view.document->lines[0].text, "abb\xE9" "c");
    EXPECT_EQ(view.cursor, (Position{0, 4}));
    EXPECT_TRUE(view.document->is_modified());
}

TEST_F(Typing, TypingAtTheEndOfTheDocumentAppendsALine)
{
    View& view = make({});
    editor.character(view, 'x', 1);
    editor.character(view, key::enter, 1);
    editor.character(view, 'y', 1);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(view.cursor, (Position{1, 1}));
}

TEST_F(Typing, The513thCharacterBreaksTheLineFirst)
{
    View& view = make({std::string(512, 'a')});
    editor.line_end(view);
    editor.character(view, 'x', 1);
    EXPECT_EQ(host.told, (std::vector<std::string>{"Line too long!"}));
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{std::string(512, 'a'), "x"}));
    EXPECT_EQ(view.cursor, (Position{1, 1}));

    View& short_view = make({std::string(511, 'a')}, "C:\\S.TXT");
    editor.line_end(short_view);
    editor.character(short_view, 'x', 1);
    EXPECT_EQ(short_view.document->length(0), 512);
    EXPECT_EQ(host.told.size(), 1u);
}

TEST_F(Typing, OverwriteReplacesCharactersButKeepsTabsUntilTheirLastColumn)
{
    View& view = make({"abc", "a\tb"});
    editor.key_down(view, key::insert, 1, false);
    ASSERT_TRUE(view.overwrite());
    editor.character(view, 'X', 2);
    editor.character(view, 'Y', 2);  // the second one appends at the line end
    EXPECT_EQ(view.document->lines[0].text, "XXYY");

    editor.mouse_click(view, {1, 1}, false);
    editor.character(view, '1', 1);  // columns 1 and 2 keep the tab, column 3 replaces it
    editor.character(view, '2', 1);
    editor.character(view, '3', 1);
    EXPECT_EQ(view.document->lines[1].text, "a123b");
    EXPECT_EQ(view.document->line_count(), 2);
}

TEST_F(Typing, OverwriteMeasuresTabStopsOnTheScreen)
{
    View& view = make({"\tab\tc"});
    editor.key_down(view, key::insert, 1, false);
    editor.mouse_click(view, {0, 3}, false);  // on the second tab, screen column 6
    editor.character(view, '1', 1);           // column 6: the tab stays
    editor.character(view, '2', 1);           // column 7, the last of the stop: it goes
    EXPECT_EQ(view.document->lines[0].text, "\tab12c");
}

TEST_F(Typing, MacroTextIsTypedThroughOverwriteAndTheLengthLimit)
{
    View& view = make({"abcdef", std::string(511, 'z')});
    host.macros['W'] = Macro{"xy\nz", 0};
    editor.key_down(view, key::insert, 1, false);
    editor.character(view, 'W' - 'A' + 1, 1);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"xy", "zdef", std::string(511, 'z')}));
    editor.undo(view);
    EXPECT_EQ(view.document->lines[0].text, "abcdef");

    host.macros['V'] = Macro{"12", 0};
    editor.key_down(view, key::insert, 1, false);
    editor.mouse_click(view, {1, 511}, false);
    editor.character(view, 'V' - 'A' + 1, 1);
    EXPECT_EQ(host.told, (std::vector<std::string>{"Line too long!"}));
    EXPECT_EQ(view.document->lines[2].text, "2");
}

TEST_F(Typing, EnterSplitsTheLineOrInOverwriteModeOnlyMovesDown)
{
    View& view = make({"abcdef", "next"});
    editor.editor_flags = 0;
    editor.mouse_click(view, {0, 2}, false);
    editor.character(view, key::enter, 1);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"ab", "cdef", "next"}));
    EXPECT_EQ(view.cursor, (Position{1, 0}));

    editor.key_down(view, key::insert, 1, false);
    editor.mouse_click(view, {1, 2}, false);
    editor.character(view, key::enter, 1);
    EXPECT_EQ(view.document->line_count(), 3);
    EXPECT_EQ(view.cursor, (Position{2, 0}));
}

struct IndentCase {
    const char* what;
    std::vector<std::string> lines;
    Position cursor;
    bool c_source;
    std::string new_line;
    int cursor_column;
};

TEST_F(Typing, AutomaticIndentationFollowsTheCompletedLine)
{
    const IndentCase cases[] = {
        {"same indentation as blanks", {"    int a;"}, {0, 10}, true, "\t", 1},
        {"remainder in blanks", {"      x"}, {0, 7}, false, "\t  ", 3},
        {"block opening brace", {"\tif (x) {"}, {0, 9}, true, "\t\t", 2},
        {"brace before a comment", {"int f(void) { /* body */"}, {0, 24}, true, "\t", 1},
        {"keyword ending in a parenthesis", {"\twhile (a) // loop"}, {0, 18}, true, "\t\t", 2},
        {"keyword ending in an operator", {"\treturn a &"}, {0, 11}, true, "\t\t", 2},
        {"else", {"\telse"}, {0, 5}, true, "\t\t", 2},
        {"case label", {"\tcase 1:"}, {0, 8}, true, "\t\t", 2},
        {"default label is not a case", {"\tdefault:"}, {0, 9}, true, "\t", 1},
        {"a call ending in a parenthesis is no keyword line", {"\tprintf(x)"}, {0, 10}, true, "\t", 1},
        {"identifier starting with a keyword", {"\tiffy(x)"}, {0, 8}, true, "\t", 1},
        {"after a finished continuation", {"\tif (x)", "\t\ty = 1;"}, {1, 8}, true, "\t", 1},
        {"no C rules outside C sources", {"\tif (x) {"}, {0, 9}, false, "\t", 1},
        {"empty line takes the indentation above", {"\tint a;", ""}, {1, 0}, true, "\t", 1},
        {"moved white space counts", {"\tab  cd"}, {0, 3}, false, "    cd", 2},
        {"split inside the indentation", {"\t\tx"}, {0, 0}, false, "\t\tx", 0},
    };
    for (const IndentCase& c : cases) {
        Editor session(host, system_clipboard);
        session.editor_flags = editorflag::auto_indent;
        Document& document = session.create_document(c.c_source ? "C:\\T.C" : "C:\\T.TXT");
        for (const std::string& text : c.lines)
            document.lines.push_back(Line{text, 0});
        if (c.c_source) {
            document.language = &c_language();
            document.flags |= docflag::c_source;
        }
        View& view = session.open_view(document);
        session.mouse_click(view, c.cursor, false);
        session.character(view, key::enter, 1);
        ASSERT_GT(document.line_count(), c.cursor.line + 1) << c.what;
        EXPECT_EQ(document.lines[static_cast<std::size_t>(c.cursor.line + 1)].text, c.new_line) << c.what;
        EXPECT_EQ(view.cursor, (Position{c.cursor.line + 1, c.cursor_column})) << c.what;
    }
}

TEST_F(Typing, ClosingBraceOnABlankLineRemovesOneIndentation)
{
    View& view = make({"\t\t", "        ", "  x"}, "C:\\T.C");
    editor.editor_flags = editorflag::auto_indent;
    editor.line_end(view);
    editor.character(view, '}', 1);
    editor.mouse_click(view, {1, 8}, false);
    editor.character(view, '}', 1);
    editor.mouse_click(view, {2, 3}, false);
    editor.character(view, '}', 1);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"\t}", "    }", "  x}"}));

    View& text_view = make({"\t\t"}, "C:\\T.TXT");
    editor.line_end(text_view);
    editor.character(text_view, '}', 1);
    EXPECT_EQ(text_view.document->lines[0].text, "\t\t}");
}

TEST_F(Typing, DeletingForwardJoinsLinesAndCanKeepACopy)
{
    View& view = make({"abc", "def", "ghi"});
    editor.mouse_click(view, {0, 1}, false);
    editor.set_clipboard("<");
    EXPECT_EQ(editor.delete_forward(view, 4, true), "bc\nd");
    EXPECT_EQ(editor.clipboard(), "<bc\nd");
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"aef", "ghi"}));
    EXPECT_EQ(editor.delete_forward(view, 100, false), "ef\nghi");
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"a"}));
    EXPECT_EQ(editor.clipboard(), "<bc\nd");
}

TEST_F(Typing, BackspaceDeletesWhatItMovesOver)
{
    View& view = make({"ab", "cd"});
    editor.mouse_click(view, {1, 1}, false);
    editor.character(view, key::back, 2);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"abd"}));
    EXPECT_EQ(view.cursor, (Position{0, 2}));
    editor.character(view, key::back, 5);  // only two characters lie before the cursor
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"d"}));
    EXPECT_EQ(view.cursor, (Position{0, 0}));
}

TEST_F(Typing, OtherViewsOfTheDocumentStayOnTheirText)
{
    View& view = make({"hello world", "second"});
    View& other = editor.open_view(*view.document);
    editor.mouse_click(other, {0, 6}, false);  // on "world"
    editor.mouse_click(view, {0, 0}, false);
    editor.insert_string(view, ">> ");
    EXPECT_EQ(other.cursor, (Position{0, 9}));
    EXPECT_TRUE(other.flags & viewflag::repaint_all);

    editor.mouse_click(view, {0, 5}, false);
    editor.character(view, key::enter, 1);
    EXPECT_EQ(other.cursor, (Position{1, 4}));
    editor.mouse_click(other, {2, 3}, false);  // on "ond"
    editor.mouse_click(view, {1, 0}, false);
    editor.delete_forward(view, 3, false);
    EXPECT_EQ(other.cursor, (Position{2, 3}));
    editor.mouse_click(view, {1, 0}, false);
    editor.line_end(view);
    editor.delete_forward(view, 1, false);  // joins "second" to the line
    EXPECT_EQ(other.cursor, (Position{1, 9}));
    EXPECT_EQ(view.document->lines[1].text, " worldsecond");
}

TEST_F(Typing, CommentRegionsAndTheChangeHookFollowEdits)
{
    View& view = make({"x = 1; /* note */"}, "C:\\T.C");
    Document& document = *view.document;
    document.comments.push_back({{0, 7}, {0, 17}});
    std::vector<std::tuple<int, int, char>> told;
    document.change_hook = [&](int line, int column, char c) { told.emplace_back(line, column, c); };
    document.flags |= docflag::functions_valid | docflag::comments_valid;
    editor.insert_string(view, "yy");
    EXPECT_EQ(document.comments[0].start, (Position{0, 9}));
    EXPECT_EQ(told, (std::vector<std::tuple<int, int, char>>{{0, 0, 'y'}, {0, 1, 'y'}}));
    EXPECT_FALSE(document.flags & docflag::functions_valid);
    EXPECT_TRUE(document.flags & docflag::comments_valid);

    editor.mouse_click(view, {0, 8}, false);
    editor.character(view, key::enter, 1);
    EXPECT_EQ(document.comments[0].start, (Position{1, 1}));
    EXPECT_EQ(document.comments[0].end, (Position{1, 11}));
    EXPECT_FALSE(document.flags & docflag::comments_valid);  // the moved text ends in "/"
}

TEST_F(Typing, MacroLettersInsertTheirTextAndPlaceTheCursor)
{
    View& view = make({"x"});
    host.macros['F'] = Macro{"for (;;) {\n}", 5};
    editor.character(view, 'F' - 'A' + 1, 1);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"for (;;) {", "}x"}));
    EXPECT_EQ(view.cursor, (Position{0, 5}));
    editor.character(view, 'Q' - 'A' + 1, 1);  // no macro: nothing happens
    EXPECT_EQ(view.document->line_count(), 2);
}

TEST_F(Typing, TypingReplacesTheSelectionAndFillsTheClipboard)
{
    View& view = make({"one two three"});
    editor.mouse_click(view, {0, 4}, false);
    editor.command(view, cmd::extend_word_right, 0);
    ASSERT_TRUE(view.has_selection());
    editor.character(view, 'X', 1);
    EXPECT_EQ(view.document->lines[0].text, "one Xthree");
    EXPECT_EQ(editor.clipboard(), "two ");
    EXPECT_EQ(system_clipboard.puts, 0);  // not exported
}

TEST_F(Typing, EscapeGoesToTheFrameAndClearsASelection)
{
    View& view = make({"abc"});
    editor.command(view, cmd::extend_right, 0);
    editor.character(view, key::escape, 1);
    EXPECT_FALSE(view.has_selection());
    EXPECT_TRUE(editor.key_down(view, key::escape, 1, false));
    EXPECT_EQ(host.posted, (std::vector<int>{cmd::escape_to_frame}));
    EXPECT_FALSE(editor.key_down(view, 0x70, 1, false));  // F1 is not the edit window's
}

}  // namespace
}  // namespace vyn::editor::testing
