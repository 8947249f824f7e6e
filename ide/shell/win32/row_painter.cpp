#include "ide/shell/win32/row_painter.h"

#include <algorithm>
#include <string>
#include <vector>

#include "common/strings.h"
#include "ide/editor/brace_level.h"
#include "ide/editor/colourer.h"
#include "ide/editor/comment_scan.h"
#include "ide/editor/status_text.h"
#include "ide/shell/win32/edit_window.h"
#include "ide/shell/win32/ide.h"
#include "ide/shell/win32/output_window.h"

namespace vyn::shell {

namespace {

using vyn::editor::Colour;
using vyn::editor::ColourSpan;
using vyn::editor::Position;
using vyn::editor::View;

constexpr COLORREF kDarkRed = 0x0000C0;
constexpr COLORREF kMagenta = 0xFF00FF;
constexpr COLORREF kLightCyan = 0xFFFF80;
constexpr int kBraceMargin = 20;
constexpr int kMoreTextMark = 3;  // pixels at the right edge
constexpr std::uint8_t kMarkedLine = 0x04;
constexpr std::uint8_t kDarkRedLine = 0x40;

int margin = 0;

int tab_size()
{
    return std::max(1, int(ide().settings.tab_size));
}

COLORREF colour_of(Colour colour)
{
    switch (colour) {
    case Colour::keyword: return COLORREF(ide().settings.keyword_color);
    case Colour::comment: return COLORREF(ide().settings.comment_color);
    case Colour::continuation: return kMagenta;
    case Colour::text: break;
    }
    return COLORREF(ide().settings.text_color);
}

// Selected screen columns [from, to) of a line, or nothing.
bool selected_columns(const View& view, int line, const std::string& text, int& from, int& to)
{
    if (!view.has_selection())
        return false;
    Position a = std::min(*view.anchor, view.cursor), b = std::max(*view.anchor, view.cursor);
    if (line < a.line || line > b.line)
        return false;
    int length = int(text.size());
    int start = line == a.line ? a.column : 0;
    int end = line == b.line ? b.column : length + 1;  // a selected line break shows as one cell
    from = vyn::editor::screen_column(text, std::min(start, length), tab_size()) + std::max(0, start - length);
    to = vyn::editor::screen_column(text, std::min(end, length), tab_size()) + std::max(0, end - length);
    return to > from;
}

// Fills a rectangle with the editor's background colour.
void fill_background(HDC dc, const RECT& area)
{
    SetBkColor(dc, COLORREF(ide().settings.background_color));
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &area, "", 0, nullptr);
}

void report_internal_error(int number)
{
    show_status_text(vyn::format("Error %d in %s, line %d", number, "row_painter.cpp", __LINE__));
}

// One row of text: the spans from the first visible column on, then the
// background, the "more text" mark, the selection and the marker.
void paint_text_row(HDC dc, const RECT& band, const View& view, int line, vyn::editor::ColouredRow& row)
{
    const auto& doc = *view.document;
    int width = ide().char_width;
    int left = margin;
    bool dark_red = (doc.lines[std::size_t(line)].display_flags & kDarkRedLine) != 0;
    SetBkColor(dc, COLORREF(ide().settings.background_color));
    int x = left;
    for (const ColourSpan& span : row.spans) {
        int from = std::max(span.from, view.first_column);
        if (span.to <= from)
            continue;
        x = left + (from - view.first_column) * width;
        if (x >= band.right)
            break;
        SetTextColor(dc, dark_red ? kDarkRed : colour_of(span.colour));
        RECT cell{x, band.top, std::min(LONG(band.right), LONG(x + (span.to - from) * width)), band.bottom};
        ExtTextOutA(dc, x, band.top, ETO_OPAQUE | ETO_CLIPPED, &cell, row.text.data() + from, UINT(span.to - from),
                    nullptr);
        x = cell.right;
    }
    int text_end = left + std::max(0, int(row.text.size()) - view.first_column) * width;
    RECT rest{std::max(LONG(left), LONG(std::min(text_end, int(band.right)))), band.top, band.right, band.bottom};
    fill_background(dc, rest);
    if (text_end > band.right) {
        RECT mark{band.right - kMoreTextMark, band.top + 2, band.right, band.bottom - 2};
        HBRUSH brush = CreateSolidBrush(COLORREF(ide().settings.text_color));
        FillRect(dc, &mark, brush);
        DeleteObject(brush);
    }
    int from = 0, to = 0;
    const std::string& text = doc.lines[std::size_t(line)].text;
    if (selected_columns(view, line, text, from, to)) {
        RECT inverted{left + (from - view.first_column) * width, band.top, left + (to - view.first_column) * width,
                      band.bottom};
        inverted.left = std::max(inverted.left, LONG(left));
        if (inverted.right > inverted.left)
            InvertRect(dc, &inverted);
    }
    if (doc.lines[std::size_t(line)].display_flags & kMarkedLine) {
        RECT marker{0, band.top + 1, margin > 0 ? margin - 2 : 3, band.bottom - 1};
        HBRUSH brush = CreateSolidBrush(kLightCyan);
        FillRect(dc, &marker, brush);
        DeleteObject(brush);
    }
}

void paint_margin(HDC dc, const RECT& band, int level)
{
    RECT area{0, band.top, margin, band.bottom};
    fill_background(dc, area);
    if (level <= 0)
        return;
    std::string text = std::to_string(level);
    SetTextColor(dc, COLORREF(ide().settings.comment_color));
    ExtTextOutA(dc, 1, band.top, ETO_CLIPPED, &area, text.c_str(), UINT(text.size()), nullptr);
}

}  // namespace

int edit_margin()
{
    return margin;
}

void toggle_brace_level_margin()
{
    margin = margin == 0 ? kBraceMargin : 0;
}

void paint_edit_rows(HDC dc, const RECT& client, View& view)
{
    auto& doc = *view.document;
    if (int error = vyn::editor::ensure_comments(doc))
        report_internal_error(error);
    int height = std::max(1, ide().line_height);
    int rows = (int(client.bottom) + height - 1) / height;
    std::vector<int> levels;
    if (margin > 0)
        levels = vyn::editor::brace_levels(doc, view.top_line, rows);
    vyn::editor::ColouredRow row;
    for (int r = 0; r < rows; ++r) {
        int line = view.top_line + r;
        RECT band{0, r * height, client.right, (r + 1) * height};
        if (margin > 0)
            paint_margin(dc, band, r < int(levels.size()) ? levels[std::size_t(r)] : 0);
        if (line >= doc.line_count()) {
            RECT rest{margin, band.top, band.right, band.bottom};
            fill_background(dc, rest);
            continue;
        }
        vyn::editor::colour_line(doc, line, tab_size(), true, row);
        if (row.mismatch)
            report_internal_error(row.mismatch);
        paint_text_row(dc, band, view, line, row);
    }
}

void show_edit_status(HWND window, const View& view)
{
    if (window == current_edit_window())
        show_status_text(vyn::editor::status_text(view, tab_size()));
    char current[512] = {};
    GetWindowTextA(window, current, sizeof current);
    std::string title = vyn::editor::marked_title(title_for(*view.document), view.document->is_modified());
    if (title != current)
        SetWindowTextA(window, title.c_str());
}

}  // namespace vyn::shell
