#include "ide/editor/view_geometry.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace vyn::editor::testing {
namespace {

// A 10 by 20 pixel cell beside a 4-pixel margin, tabs every 4 columns.
constexpr CellMetrics metrics{4, 10, 20, 4};

Document document_of(std::initializer_list<const char*> texts)
{
    Document document;
    for (const char* text : texts)
        document.lines.push_back(Line{text, 0});
    return document;
}

View view_of(Document& document)
{
    View view;
    view.document = &document;
    view.rows = 10;
    return view;
}

TEST(ViewGeometry, ClientSizesGiveWholeCellsWithFloors)
{
    EXPECT_EQ(text_columns(4 + 10 * 80 + 9, metrics), 80);
    EXPECT_EQ(text_columns(3, metrics), 1);  // narrower than the margin
    EXPECT_EQ(text_rows(20 * 30 + 19, metrics), 30);
    EXPECT_EQ(text_rows(25, metrics), 2);
    CellMetrics unmeasured{0, 0, 0, 8};  // before the font was measured
    EXPECT_EQ(text_columns(100, unmeasured), 100);
    EXPECT_EQ(text_rows(100, unmeasured), 100);
}

TEST(ViewGeometry, CaretSitsOnTheCursorsScreenCell)
{
    Document document = document_of({"\tab", "xyz"});
    View view = view_of(document);
    view.cursor = {0, 2};  // after the tab and 'a': screen column 5
    EXPECT_EQ(cursor_screen_column(view, metrics.tab_size), 5);
    EXPECT_EQ(caret_point(view, metrics), (Point{4 + 50, 0}));
    view.top_line = 0;
    view.first_column = 3;
    view.cursor = {1, 3};
    EXPECT_EQ(caret_point(view, metrics), (Point{4, 20}));
    view.cursor = {2, 0};  // the end of the document has no text
    EXPECT_EQ(cursor_screen_column(view, metrics.tab_size), 0);
    EXPECT_EQ(caret_point(view, metrics), (Point{4 - 30, 40}));
}

TEST(ViewGeometry, CaretIsABlockOnlyWhenOverwriting)
{
    Document document = document_of({"a"});
    View view = view_of(document);
    EXPECT_EQ(caret_width(view, metrics), 3);
    view.flags |= viewflag::overwrite;
    EXPECT_EQ(caret_width(view, metrics), 10);
    view.flags = 0;
    EXPECT_EQ(caret_width(view, CellMetrics{0, 2, 20, 8}), 1);
}

TEST(ViewGeometry, HorizontalScrollMovesOnlyAsFarAsTheCursorNeeds)
{
    Document document = document_of({std::string(100, 'x').c_str()});
    View view = view_of(document);
    view.cursor = {0, 30};
    follow_cursor_horizontally(view, 20, 8);
    EXPECT_EQ(view.first_column, 11);  // column 30 is the last one shown
    view.cursor = {0, 15};
    follow_cursor_horizontally(view, 20, 8);
    EXPECT_EQ(view.first_column, 11);  // still in sight: no move
    view.cursor = {0, 4};
    follow_cursor_horizontally(view, 20, 8);
    EXPECT_EQ(view.first_column, 4);
}

TEST(ViewGeometry, PointsMapToTheNearestCharacterEdge)
{
    Document document = document_of({"a\tbc", "xyz"});
    View view = view_of(document);
    // Column 0 starts at x=4; a click in the right half of a cell goes after it.
    EXPECT_EQ(position_at(view, {4 + 4, 5}, metrics), (Position{0, 0}));
    EXPECT_EQ(position_at(view, {4 + 5, 5}, metrics), (Position{0, 1}));
    // The tab spans screen columns 1 to 3: its inside snaps to its start,
    // then 'b' begins at column 4.
    EXPECT_EQ(position_at(view, {4 + 25, 5}, metrics), (Position{0, 1}));
    EXPECT_EQ(position_at(view, {4 + 40, 5}, metrics), (Position{0, 2}));
    EXPECT_EQ(position_at(view, {4 + 500, 5}, metrics), (Position{0, 4}));  // past the end
    EXPECT_EQ(position_at(view, {4 + 15, 25}, metrics), (Position{1, 2}));
    EXPECT_EQ(position_at(view, {4 + 15, 20 * 9}, metrics), (Position{2, 0}));  // below the text
    view.top_line = 1;
    view.first_column = 2;
    EXPECT_EQ(position_at(view, {4, 0}, metrics), (Position{1, 2}));
}

TEST(ViewGeometry, ScrollRequestsStayWithinTheDocument)
{
    Document document = document_of({"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"});
    View view = view_of(document);
    view.rows = 5;
    view.top_line = 3;
    EXPECT_EQ(scrolled_top_line(view, ScrollRequest::line_up), 2);
    EXPECT_EQ(scrolled_top_line(view, ScrollRequest::line_down), 4);
    EXPECT_EQ(scrolled_top_line(view, ScrollRequest::page_down), 7);  // one row stays in sight
    EXPECT_EQ(scrolled_top_line(view, ScrollRequest::page_up), 0);
    EXPECT_EQ(scrolled_top_line(view, ScrollRequest::top), 0);
    EXPECT_EQ(scrolled_top_line(view, ScrollRequest::bottom), 11);  // the last line, not past it
    EXPECT_EQ(scrolled_top_line(view, ScrollRequest::to_line, 6), 6);
    EXPECT_EQ(scrolled_top_line(view, ScrollRequest::to_line, 400), 11);
    EXPECT_EQ(scrolled_top_line(view, ScrollRequest::to_line, -3), 0);
    Document empty;
    View none = view_of(empty);
    EXPECT_EQ(scrolled_top_line(none, ScrollRequest::page_down), 0);
}

TEST(ViewGeometry, ScrollBarSpansTheLinesAndTheEndPosition)
{
    Document document = document_of({"a", "b", "c"});
    View view = view_of(document);
    view.rows = 7;
    view.top_line = 2;
    ScrollRange range = vertical_scroll_range(view);
    EXPECT_EQ(range.maximum, 3);
    EXPECT_EQ(range.page, 7);
    EXPECT_EQ(range.position, 2);
}

}  // namespace
}  // namespace vyn::editor::testing
