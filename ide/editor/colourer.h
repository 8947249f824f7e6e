// The colours of a row of text: comments in the comment colour, keywords in
// the keyword colour, the rest in the text colour. The window layer maps the
// colour kinds to the colours of the settings and draws the spans.
#pragma once

#include "ide/editor/comment_scan.h"
#include "ide/editor/document.h"
#include "ide/editor/language.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vyn::editor {

enum class Colour : std::uint8_t {
    text,
    keyword,
    comment,
    continuation,  // Fortran's continuation column, in magenta
};

struct ColourSpan {
    int from = 0;
    int to = 0;  // exclusive
    Colour colour = Colour::text;
    friend bool operator==(const ColourSpan&, const ColourSpan&) = default;
};

// Keywords are at most this long when something follows them in their stretch.
inline constexpr int longest_keyword = 14;

// The keyword colourer over the stretch [from, to) of row (a stretch is the
// text before, between or after the row's comments). Appends to spans,
// joining neighbours of one colour.
void colour_stretch(const Language* language, std::string_view row, int from, int to, std::vector<ColourSpan>& spans);

// A whole row: the comment ranges (in row columns, in order) in the comment
// colour, the stretches around them by the keyword colourer, or everything
// in the text colour when colouring is off.
void colour_row(const Language* language, std::string_view row, std::span<const ColumnRange> comments,
                bool colouring, std::vector<ColourSpan>& spans);

// A document line as its screen row: tabs expanded, comments mapped onto
// the expanded columns, coloured. Reusing one ColouredRow avoids allocating.
struct ColouredRow {
    std::string text;
    std::vector<ColourSpan> spans;
    int mismatch = 0;  // internal error 4201 or 4202: the comments did not fit the line
    std::vector<int> screen;  // screen column of each stored column (scratch)
    std::vector<ColumnRange> comments;  // scratch
};
void colour_line(const Document& document, int line, int tab_size, bool colouring, ColouredRow& row);

}  // namespace vyn::editor
