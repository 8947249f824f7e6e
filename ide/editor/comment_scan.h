// The comment scan of a document: the regions of its comments, by the rules
// of its language, kept on the document while its comments_valid flag is set
// and rebuilt when a change has cleared it.
//
// A region runs from the column of its first character to the column of its
// last (inclusive); a comment that runs to the end of its line ends at
// line_end_column, which stays beyond the line however it is edited.
#pragma once

#include "ide/editor/document.h"
#include "ide/editor/language.h"

#include <vector>

namespace vyn::editor {

inline constexpr int line_end_column = 0x7FFF;

// The internal error of a scan that took more steps than lines plus 100.
inline constexpr int comment_scan_step_error = 1050;

struct CommentScan {
    std::vector<CommentRegion> regions;  // in document order, not overlapping
    int error = 0;                       // comment_scan_step_error, the regions found so far kept
};

// The comments of lines by the language's rules: C ("/* */" over lines,
// "//" to the line end and on over lines ending in a backslash, quotes
// skipped), Pascal ("{ }" and "(* *)" over lines), Fortran (a line with "C",
// "c", "*" or "!" in its first column, and "!" or a comment character to the
// line end), assembly and other languages (a comment character to the line
// end); string characters open literals that hide comment characters.
CommentScan scan_comments(const std::vector<Line>& lines, const Language& language);

// Rescans the document when its regions are not valid; a document without
// a language has none. Returns the scan's internal error, 0 when none.
int ensure_comments(Document& document);

// A region's columns on one line, [from, to) clamped to the line's length.
struct ColumnRange {
    int from = 0;
    int to = 0;
};

// The parts of the line covered by comments, in order. Sets mismatch (and
// gives nothing) when a region does not fit the line: it starts beyond its
// end, or ends before it starts (internal errors 4201 and 4202).
std::vector<ColumnRange> comment_columns(const Document& document, int line, int& mismatch);

}  // namespace vyn::editor
