// The arithmetic of showing a view in a window of fixed-pitch character
// cells: row and column to pixel and back, the horizontal scroll that keeps
// the cursor in sight, the caret's place and size, and the vertical scroll
// range and its limits. Nothing here draws; the window code feeds it the
// measures of its font and client area.
#pragma once

#include "ide/editor/document.h"

namespace vyn::editor {

// The measures a window lays text out with, in pixels.
struct CellMetrics {
    int margin = 0;       // blank room left of the first column
    int char_width = 1;
    int line_height = 1;
    int tab_size = 8;
};

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Whole text columns a client area of this width holds beside the margin;
// at least 1.
int text_columns(int client_width, const CellMetrics& metrics);
// Text rows a client area of this height holds; at least 2.
int text_rows(int client_height, const CellMetrics& metrics);

// The screen column of the view's cursor, tabs expanded; 0 at the end of
// the document.
int cursor_screen_column(const View& view, int tab_size);
// Scrolls the view horizontally, as little as needed, so that the cursor's
// screen column is one of the `columns` columns shown.
void follow_cursor_horizontally(View& view, int columns, int tab_size);

// Where the caret's top left corner goes in the client area.
Point caret_point(const View& view, const CellMetrics& metrics);
// The caret's width: a whole character in overwrite mode, a third of one
// (at least a pixel) when inserting.
int caret_width(const View& view, const CellMetrics& metrics);

// The text position under a client-area point: the row's line (at most the
// end of the document), and the character whose left edge is nearest to the
// point, tabs expanded.
Position position_at(const View& view, Point point, const CellMetrics& metrics);

// The vertical scroll bar of a view: lines 0 to `maximum`, a page of the
// view's rows, the thumb at the top line.
struct ScrollRange {
    int maximum = 0;
    int page = 1;
    int position = 0;
};
ScrollRange vertical_scroll_range(const View& view);

enum class ScrollRequest { line_up, line_down, page_up, page_down, top, bottom, to_line };
// The top line a scroll request asks for, kept within the document (the
// last line at most); `line` is the target of to_line. A page moves by one
// row less than the view shows, so that one row stays in sight.
int scrolled_top_line(const View& view, ScrollRequest request, int line = 0);

}  // namespace vyn::editor
