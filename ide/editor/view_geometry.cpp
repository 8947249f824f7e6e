#include "ide/editor/view_geometry.h"

#include <algorithm>

namespace vyn::editor {

namespace {

// The cursor line's text, empty at the end of the document.
const std::string& cursor_text(const View& view)
{
    static const std::string none;
    const Document& document = *view.document;
    if (view.cursor.line < 0 || view.cursor.line >= document.line_count())
        return none;
    return document.lines[static_cast<std::size_t>(view.cursor.line)].text;
}

}  // namespace

int text_columns(int client_width, const CellMetrics& metrics)
{
    return std::max(1, (client_width - metrics.margin) / std::max(1, metrics.char_width));
}

int text_rows(int client_height, const CellMetrics& metrics)
{
    return std::max(2, client_height / std::max(1, metrics.line_height));
}

int cursor_screen_column(const View& view, int tab_size)
{
    return screen_column(cursor_text(view), view.cursor.column, tab_size);
}

void follow_cursor_horizontally(View& view, int columns, int tab_size)
{
    int column = cursor_screen_column(view, tab_size);
    if (column < view.first_column)
        view.first_column = column;
    else if (column >= view.first_column + columns)
        view.first_column = column - columns + 1;
}

Point caret_point(const View& view, const CellMetrics& metrics)
{
    int column = cursor_screen_column(view, metrics.tab_size);
    return {metrics.margin + (column - view.first_column) * metrics.char_width,
            (view.cursor.line - view.top_line) * metrics.line_height};
}

int caret_width(const View& view, const CellMetrics& metrics)
{
    return view.overwrite() ? metrics.char_width : std::max(1, metrics.char_width / 3);
}

Position position_at(const View& view, Point point, const CellMetrics& metrics)
{
    const Document& document = *view.document;
    int char_width = std::max(1, metrics.char_width);
    int line = std::min(view.top_line + point.y / std::max(1, metrics.line_height), document.line_count());
    int wanted = view.first_column + (point.x - metrics.margin + metrics.char_width / 2) / char_width;
    if (line >= document.line_count())
        return {line, 0};
    const std::string& text = document.lines[static_cast<std::size_t>(line)].text;
    int column = 0;
    while (column < static_cast<int>(text.size()) && screen_column(text, column + 1, metrics.tab_size) <= wanted)
        ++column;
    return {line, column};
}

ScrollRange vertical_scroll_range(const View& view)
{
    return {std::max(0, view.document->line_count()), std::max(1, view.rows), view.top_line};
}

int scrolled_top_line(const View& view, ScrollRequest request, int line)
{
    int top = view.top_line;
    switch (request) {
    case ScrollRequest::line_up: --top; break;
    case ScrollRequest::line_down: ++top; break;
    case ScrollRequest::page_up: top -= view.rows - 1; break;
    case ScrollRequest::page_down: top += view.rows - 1; break;
    case ScrollRequest::top: top = 0; break;
    case ScrollRequest::bottom: top = view.document->line_count(); break;
    case ScrollRequest::to_line: top = line; break;
    }
    return std::clamp(top, 0, std::max(0, view.document->line_count() - 1));
}

}  // namespace vyn::editor
