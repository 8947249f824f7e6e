// Typing: characters, line breaks with and without automatic indentation,
// deleting forward and backward.
#include "ide/editor/editor.h"

#include "common/strings.h"
#include "ide/editor/language.h"

#include <algorithm>

namespace vyn::editor {

namespace {

bool is_identifier_char(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

/* The last character of a C line that is neither blank nor inside a comment
   or a string literal; 0 when there is none. A comment that does not end on
   the line ends the scan. */
char last_code_char(const std::string& text)
{
    char last = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '/')
            break;
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            std::size_t close = text.find("*/", i + 2);
            if (close == std::string::npos)
                break;
            i = close + 1;
            continue;
        }
        if (c == '"' || c == '\'') {
            std::size_t j = i + 1;
            while (j < text.size() && text[j] != c)
                j += (text[j] == '\\') ? 2 : 1;
            last = c;
            i = std::min(j, text.size());
            continue;
        }
        if (!is_blank(c))
            last = c;
    }
    return last;
}

enum class LineKind { other, opens_block, continuation };

/* How a completed C line shapes the indentation of the next one. */
LineKind classify(const std::string& text, const Language* language)
{
    char last = last_code_char(text);
    if (last == '{')
        return LineKind::opens_block;
    std::size_t i = 0;
    while (i < text.size() && is_blank(text[i]))
        ++i;
    std::size_t start = i;
    while (i < text.size() && text[i] >= 'a' && text[i] <= 'z')
        ++i;
    if (i == start || (i < text.size() && is_identifier_char(text[i])))
        return LineKind::other;
    std::string word = text.substr(start, i - start);
    if (language == nullptr || !language->is_keyword(word))
        return LineKind::other;
    if (last == ')' || last == '&' || last == '|' || word == "else")
        return LineKind::continuation;
    if (word == "case" && last == ':')
        return LineKind::opens_block;
    return LineKind::other;
}

}  // namespace

/* A closing brace typed on a line that is blank up to the cursor takes one
   tab size of indentation away first: the tab before the cursor, or up to a
   tab size of blanks. */
void Editor::outdent_for_brace(View& view)
{
    Document& document = *view.document;
    Position cursor = view.cursor;
    if (cursor.line >= document.line_count() || cursor.column == 0)
        return;
    const std::string& text = document.lines[static_cast<std::size_t>(cursor.line)].text;
    int column = std::min(cursor.column, static_cast<int>(text.size()));
    for (int i = 0; i < column; ++i)
        if (!is_blank(text[static_cast<std::size_t>(i)]))
            return;
    int k = 0;
    if (text[static_cast<std::size_t>(column - 1)] == '\t')
        k = 1;
    else
        while (k < tab_size && k < column && text[static_cast<std::size_t>(column - 1 - k)] == ' ')
            ++k;
    delete_text(document, {cursor.line, column - k}, k);
    place(view, {cursor.line, column - k});
}

/* Types count copies of a character at the cursor; returns how many
   characters went in, a line broken by the length limit counting one. */
int Editor::type_characters(View& view, int count, int character, bool brace_rule)
{
    int inserted = 0;
    if ((character < 32 && character != '\t') || character > 255 || count <= 0)
        return inserted;
    Document& document = *view.document;
    if (brace_rule && character == '}' && document.is_c_source() && (editor_flags & editorflag::auto_indent))
        outdent_for_brace(view);
    std::string one(1, static_cast<char>(character));
    for (int i = 0; i < count; ++i) {
        Position cursor = view.cursor;
        bool on_line = cursor.line < document.line_count();
        if (on_line && document.length(cursor.line) >= max_typed_line) {
            host_.tell("Line too long!");
            split_line(document, cursor);
            cursor = {cursor.line + 1, 0};
            ++inserted;
        }
        if (view.overwrite() && on_line && cursor.column < document.length(cursor.line)) {
            // A tab stays while the cursor is inside its span on screen and
            // goes when the cursor reaches the span's last column.
            const std::string& text = document.lines[static_cast<std::size_t>(cursor.line)].text;
            char under = text[static_cast<std::size_t>(cursor.column)];
            int column = screen_column(text, cursor.column, tab_size);
            if (under != '\t' || column % tab_size == tab_size - 1)
                for (char gone : delete_text(document, cursor, 1))
                    record_overwritten(view, gone);
        }
        if (cursor.column > 1000) {
            host_.tell(format("InternalError %d", 29512));
            break;
        }
        cursor = insert_text(document, cursor, one);
        ++inserted;
        place(view, cursor);
    }
    return inserted;
}

/* A keyboard macro goes in as if typed character by character, its
   line-feeds as plain line breaks. */
void Editor::type_macro(View& view, const std::string& text)
{
    for (char c : text) {
        if (c == '\n')
            insert_line_breaks(view, 1);
        else
            type_characters(view, 1, static_cast<unsigned char>(c), false);
    }
}

int Editor::insert_characters(View& view, int count, int character)
{
    return type_characters(view, count, character);
}

int Editor::insert_string(View& view, std::string_view text)
{
    place(view, insert_text(*view.document, view.cursor, text));
    return static_cast<int>(text.size());
}

void Editor::insert_line_breaks(View& view, int count)
{
    for (int i = 0; i < count; ++i)
        place(view, insert_text(*view.document, view.cursor, "\n"));
}

/* Target indentation of the line after completed_line, given the width of
   the reference line's indentation: C lines that open a block or continue a
   statement indent one tab size more, the line after a finished
   continuation one tab size less. */
int Editor::auto_indent_target(const Document& document, int completed_line, int reference_width) const
{
    if (!document.is_c_source())
        return reference_width;
    auto text = [&](int line) -> const std::string& { return document.lines[static_cast<std::size_t>(line)].text; };
    LineKind kind = classify(text(completed_line), document.language);
    if (kind != LineKind::other)
        return reference_width + tab_size;
    if (completed_line > 0 && classify(text(completed_line - 1), document.language) == LineKind::continuation)
        return reference_width - tab_size;
    return reference_width;
}

/* Enter with automatic indentation, count times; returns the characters
   inserted, line breaks included. */
int Editor::type_new_lines(View& view, int count)
{
    Document& document = *view.document;
    int inserted = 0;
    for (int i = 0; i < count; ++i) {
        Position cursor = view.cursor;
        if (cursor.line >= document.line_count()) {
            place(view, insert_text(document, cursor, "\n"));
            ++inserted;
            continue;
        }
        int reference = cursor.line;
        while (reference >= 0 && document.length(reference) == 0)
            --reference;
        int width = reference >= 0 ? indentation_width(document.lines[static_cast<std::size_t>(reference)].text, tab_size) : 0;
        split_line(document, cursor);
        ++inserted;
        int new_line = cursor.line + 1;
        int target = auto_indent_target(document, cursor.line, width) -
                     indentation_width(document.lines[static_cast<std::size_t>(new_line)].text, tab_size);
        std::string indent;
        if (target > 0)
            indent = std::string(static_cast<std::size_t>(target / tab_size), '\t') +
                     std::string(static_cast<std::size_t>(target % tab_size), ' ');
        insert_text(document, {new_line, 0}, indent);
        inserted += static_cast<int>(indent.size());
        place(view, {new_line, static_cast<int>(indent.size())});
    }
    return inserted;
}

int Editor::new_line_indented(View& view, int count)
{
    return type_new_lines(view, count);
}

std::string Editor::delete_forward(View& view, int count, bool keep_copy)
{
    std::string removed = delete_text(*view.document, view.cursor, count);
    if (keep_copy)
        clipboard_ += removed;
    place(view, view.cursor);
    return removed;
}

/* Backspace: moves left over count characters and deletes what it moved
   over. At the start of the document fewer are deleted, never any after the
   cursor. */
std::string Editor::delete_before(View& view, int count)
{
    Position start = view.cursor;
    int moved = step_back(*view.document, start, count);
    std::string removed = delete_text(*view.document, start, moved);
    place(view, start);
    return removed;
}

}  // namespace vyn::editor
