// The keyword colourer and the colouring of a row around its comments.
#include "ide/editor/colourer.h"

#include <algorithm>

namespace vyn::editor {

namespace {

bool is_letter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool is_word_char(char c)
{
    return is_letter(c) || (c >= '0' && c <= '9') || c == '_';
}

bool is_blank(char c)
{
    return c == ' ' || c == '\t';
}

void paint(std::vector<ColourSpan>& spans, int from, int to, Colour colour)
{
    if (to <= from)
        return;
    if (!spans.empty() && spans.back().colour == colour && spans.back().to == from) {
        spans.back().to = to;
        return;
    }
    spans.push_back({from, to, colour});
}

bool is_fortran(const Language& language)
{
    return language.name.starts_with("Fo");
}

/* A row whose first non-blank character is "#": the directive after it
   (blanks may come between) in the keyword colour when it is longer than
   two characters and known, everything else plain. */
void colour_preprocessor(std::string_view row, int hash, int to, std::vector<ColourSpan>& spans)
{
    int word = hash + 1;
    while (word < to && is_blank(row[static_cast<std::size_t>(word)]))
        ++word;
    int end = word;
    while (end < to && is_letter(row[static_cast<std::size_t>(end)]))
        ++end;
    std::string_view directive = row.substr(static_cast<std::size_t>(word), static_cast<std::size_t>(end - word));
    if (end - word > 2 && is_preprocessor_directive(directive)) {
        paint(spans, hash, end, Colour::keyword);
        paint(spans, end, to, Colour::text);
    } else {
        paint(spans, hash, to, Colour::text);
    }
}

// The column after a quoted string opened at column (backslash escapes
// honoured), or the stretch's end when it is not closed.
int string_end(std::string_view row, int column, int to)
{
    char quote = row[static_cast<std::size_t>(column)];
    for (int i = column + 1; i < to; ++i) {
        char c = row[static_cast<std::size_t>(i)];
        if (c == '\\')
            ++i;
        else if (c == quote)
            return i + 1;
    }
    return to;
}

}  // namespace

void colour_stretch(const Language* language, std::string_view row, int from, int to, std::vector<ColourSpan>& spans)
{
    to = std::min(to, static_cast<int>(row.size()));
    if (from >= to)
        return;
    if (language == nullptr || !language->has_keywords()) {
        paint(spans, from, to, Colour::text);
        return;
    }
    int i = from;
    while (i < to && is_blank(row[static_cast<std::size_t>(i)]))
        ++i;
    paint(spans, from, i, Colour::text);
    if (is_fortran(*language)) {
        if (from == 0 && i == 5 && i < to) {
            paint(spans, i, i + 1, Colour::continuation);
            ++i;
        }
    } else if (i < to && row[static_cast<std::size_t>(i)] == '#') {
        colour_preprocessor(row, i, to, spans);
        return;
    }
    while (i < to) {
        char c = row[static_cast<std::size_t>(i)];
        if (c == '"' || c == '\'') {
            int end = string_end(row, i, to);
            paint(spans, i, end, Colour::text);
            i = end;
            continue;
        }
        if (!language->is_keyword_char(c) || (i > 0 && is_letter(row[static_cast<std::size_t>(i - 1)]))) {
            // Not a candidate: a run of keyword characters after a letter
            // is part of a longer word and goes plain as a whole.
            int end = i + 1;
            if (language->is_keyword_char(c))
                while (end < to && language->is_keyword_char(row[static_cast<std::size_t>(end)]))
                    ++end;
            paint(spans, i, end, Colour::text);
            i = end;
            continue;
        }
        int end = i;
        while (end < to && language->is_keyword_char(row[static_cast<std::size_t>(end)]))
            ++end;
        int length = end - i;
        bool keyword = language->is_keyword(row.substr(static_cast<std::size_t>(i), static_cast<std::size_t>(length)));
        if (keyword && end < to)
            keyword = length >= 2 && length <= longest_keyword && !is_word_char(row[static_cast<std::size_t>(end)]);
        paint(spans, i, end, keyword ? Colour::keyword : Colour::text);
        i = end;
    }
}

void colour_row(const Language* language, std::string_view row, std::span<const ColumnRange> comments,
                bool colouring, std::vector<ColourSpan>& spans)
{
    spans.clear();
    int length = static_cast<int>(row.size());
    if (!colouring) {
        paint(spans, 0, length, Colour::text);
        return;
    }
    int at = 0;
    for (const ColumnRange& comment : comments) {
        int from = std::clamp(comment.from, at, length);
        int to = std::clamp(comment.to, from, length);
        colour_stretch(language, row, at, from, spans);
        paint(spans, from, to, Colour::comment);
        at = to;
    }
    colour_stretch(language, row, at, length, spans);
}

void colour_line(const Document& document, int line, int tab_size, bool colouring, ColouredRow& row)
{
    row.text.clear();
    row.comments.clear();
    const std::string& text = document.lines[static_cast<std::size_t>(line)].text;
    int mismatch = 0;
    if (colouring && document.language != nullptr)
        row.comments = comment_columns(document, line, mismatch);
    row.mismatch = mismatch;
    if (text.find('\t') == std::string::npos) {
        row.text = text;
    } else {
        // Expand the tabs, keeping where each stored column lands.
        row.screen.assign(text.size() + 1, 0);
        for (std::size_t i = 0; i < text.size(); ++i) {
            row.screen[i] = static_cast<int>(row.text.size());
            if (text[i] == '\t')
                row.text.append(static_cast<std::size_t>(tab_size - static_cast<int>(row.text.size()) % tab_size), ' ');
            else
                row.text += text[i];
        }
        row.screen[text.size()] = static_cast<int>(row.text.size());
        for (ColumnRange& range : row.comments) {
            range.from = row.screen[static_cast<std::size_t>(range.from)];
            range.to = row.screen[static_cast<std::size_t>(range.to)];
        }
    }
    colour_row(document.language, row.text, row.comments, colouring, row.spans);
}

}  // namespace vyn::editor
