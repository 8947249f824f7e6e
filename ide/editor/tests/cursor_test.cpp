#include "editor_fixture.h"

namespace vyn::editor::testing {
namespace {

using Cursor = EditorTest;

TEST_F(Cursor, HorizontalMovesCrossLineEnds)
{
    View& view = make({"ab", "c"});
    editor.move_right(view, 3);
    EXPECT_EQ(view.cursor, (Position{1, 0}));
    editor.move_right(view, 5);
    EXPECT_EQ(view.cursor, (Position{2, 0}));  // the end of the document
    editor.move_left(view, 2);
    EXPECT_EQ(view.cursor, (Position{1, 0}));
    editor.move_left(view, 10);
    EXPECT_EQ(view.cursor, (Position{0, 0}));
}

TEST_F(Cursor, VerticalMovesKeepTheWantedColumn)
{
    View& view = make({"long line", "ab", "another long one"});
    editor.mouse_click(view, {0, 7}, false);
    editor.key_down(view, key::down, 1, false);
    EXPECT_EQ(view.cursor, (Position{1, 2}));
    editor.key_down(view, key::down, 1, false);
    EXPECT_EQ(view.cursor, (Position{2, 7}));
    editor.key_down(view, key::up, 5, false);
    EXPECT_EQ(view.cursor, (Position{0, 7}));
}

TEST_F(Cursor, WordMovesStopAtWordStarts)
{
    View& view = make({"int  foo_1(x);", "  next"});
    std::vector<Position> stops;
    for (int i = 0; i < 5; ++i) {
        editor.command(view, cmd::word_right, 0);
        stops.push_back(view.cursor);
    }
    EXPECT_EQ(stops, (std::vector<Position>{{0, 5}, {0, 11}, {1, 2}, {1, 6}, {1, 6}}));
    stops.clear();
    for (int i = 0; i < 5; ++i) {
        editor.command(view, cmd::word_left, 0);
        stops.push_back(view.cursor);
    }
    EXPECT_EQ(stops, (std::vector<Position>{{1, 2}, {0, 11}, {0, 5}, {0, 0}, {0, 0}}));
}

TEST_F(Cursor, SelectionRangeCountsLineBreaksInEitherDirection)
{
    View& view = make({"abc", "de", "fgh"});
    editor.mouse_click(view, {2, 1}, false);
    editor.command(view, cmd::extend_up, 0);
    editor.command(view, cmd::extend_up, 0);
    editor.command(view, cmd::extend_right, 0);
    std::optional<SelectionRange> range = editor.selection_range(view);
    ASSERT_TRUE(range);
    EXPECT_EQ(range->start, (Position{0, 2}));
    EXPECT_EQ(range->length, 1 + 1 + 2 + 1 + 1);
    EXPECT_EQ(editor.selected_text(view), "c\nde\nf");

    editor.command(view, cmd::extend_to_file_end, 0);
    EXPECT_EQ(editor.selected_text(view), "gh");  // from the anchor kept at (2, 1)
    editor.clear_selection(view);
    EXPECT_FALSE(editor.selection_range(view));
}

TEST_F(Cursor, SelectionOutsideTheDocumentIsAnInternalError)
{
    View& view = make({"abc"});
    view.anchor = Position{7, 0};
    EXPECT_FALSE(editor.selection_range(view));
    EXPECT_EQ(host.told, (std::vector<std::string>{"Internal error"}));
    EXPECT_EQ(editor.delete_selection(view), "");
    EXPECT_EQ(view.document->lines[0].text, "abc");
}

TEST_F(Cursor, LeftWithASelectionGoesToTheAnchor)
{
    View& view = make({"abcdef"});
    editor.mouse_click(view, {0, 1}, false);
    editor.command(view, cmd::extend_right, 0);
    editor.command(view, cmd::extend_right, 0);
    editor.key_down(view, key::left, 1, false);
    EXPECT_EQ(view.cursor, (Position{0, 1}));
    EXPECT_FALSE(view.has_selection());
}

TEST_F(Cursor, PagesScrollTheWindowAndClearTheSelection)
{
    std::vector<std::string> lines(100, "x");
    View& view = make(lines);
    view.rows = 10;
    editor.command(view, cmd::extend_down, 0);
    editor.key_down(view, key::page_down, 1, false);
    EXPECT_FALSE(view.has_selection());
    EXPECT_EQ(view.cursor.line, 10);
    EXPECT_EQ(view.top_line, 9);
    editor.key_down(view, key::page_up, 1, false);
    EXPECT_EQ(view.cursor.line, 1);
    EXPECT_EQ(view.top_line, 0);
    editor.command(view, cmd::extend_page_down, 0);
    EXPECT_EQ(editor.selection_range(view)->length, 18);
}

TEST_F(Cursor, CtrlUpAndDownScrollOneLineKeepingTheCursorVisible)
{
    std::vector<std::string> lines(50, "x");
    View& view = make(lines);
    view.rows = 5;
    editor.key_down(view, key::down, 1, true);
    EXPECT_EQ(view.top_line, 1);
    EXPECT_EQ(view.cursor.line, 1);
    editor.key_down(view, key::up, 1, true);
    EXPECT_EQ(view.top_line, 0);
    EXPECT_EQ(view.cursor.line, 1);
}

TEST_F(Cursor, RecenterPutsTheCursorMidWindowWithinTheDocument)
{
    std::vector<std::string> lines(100, "x");
    View& view = make(lines);
    view.rows = 10;
    const std::pair<int, int> cases[] = {{50, 45}, {2, 0}, {99, 91}};
    for (auto [line, top] : cases) {
        editor.mouse_click(view, {line, 0}, false);
        editor.command(view, cmd::recenter, 0);
        EXPECT_EQ(view.top_line, top) << line;
        EXPECT_EQ(view.cursor.line, line);
    }
}

TEST_F(Cursor, GotoLineAsksForTheNumberUnlessGiven)
{
    View& view = make({"a", "b", "c"});
    host.line_number = 2;
    editor.command(view, cmd::goto_line, 0);
    EXPECT_EQ(view.cursor, (Position{1, 0}));
    editor.command(view, cmd::goto_line, 3);
    EXPECT_EQ(view.cursor, (Position{2, 0}));
    editor.command(view, cmd::goto_line, 99);
    EXPECT_EQ(view.cursor, (Position{2, 0}));
    host.line_number.reset();
    editor.command(view, cmd::goto_line, 0);
    EXPECT_EQ(view.cursor, (Position{2, 0}));
}

TEST_F(Cursor, SpacesToTabsAndBackChangeOnlyLeadingWhiteSpace)
{
    View& view = make({"      six", "   three", "\t  x  y", "  \t z", "no  lead", "        "});
    editor.mouse_click(view, {0, 7}, false);
    editor.spaces_to_tabs(view);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"\t  six", "   three", "\t  x  y", "\t z", "no  lead", "\t\t"}));
    EXPECT_EQ(view.cursor, (Position{0, 6}));  // kept, within the shorter line
    editor.mouse_click(view, {3, 2}, false);
    editor.tabs_to_spaces(view);
    EXPECT_EQ(texts(*view.document),
              (std::vector<std::string>{"      six", "   three", "      x  y", "     z", "no  lead", "        "}));
    EXPECT_EQ(view.cursor, (Position{3, 2}));
    EXPECT_TRUE(view.document->is_modified());
}

TEST_F(Cursor, TabSizeDecidesTheConversion)
{
    View& view = make({"\t x", "     y"});
    editor.tab_size = 8;
    editor.tabs_to_spaces(view);
    EXPECT_EQ(view.document->lines[0].text, std::string(9, ' ') + "x");
    editor.spaces_to_tabs(view);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"\t x", "     y"}));
}

}  // namespace
}  // namespace vyn::editor::testing
