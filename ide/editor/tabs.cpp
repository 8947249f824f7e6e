// Conversion of leading white space between tabs and blanks.
#include "ide/editor/editor.h"

#include <algorithm>

namespace vyn::editor {

namespace {

/* The new leading white space of a line, or nothing when it stays.
   To blanks: a run holding a tab becomes as many blanks as its columns.
   To tabs: a run holding a blank and either a tab or at least a tab size of
   characters becomes its width in tabs, then the remainder in blanks. */
std::optional<std::string> converted_run(const std::string& run, int tab_size, bool to_tabs)
{
    bool has_tab = run.find('\t') != std::string::npos;
    bool has_blank = run.find(' ') != std::string::npos;
    int width = indentation_width(run, tab_size);
    if (!to_tabs) {
        if (!has_tab)
            return std::nullopt;
        return std::string(static_cast<std::size_t>(width), ' ');
    }
    if (!has_blank || (!has_tab && static_cast<int>(run.size()) < tab_size))
        return std::nullopt;
    return std::string(static_cast<std::size_t>(width / tab_size), '\t') +
           std::string(static_cast<std::size_t>(width % tab_size), ' ');
}

}  // namespace

void Editor::rewrite_leading_space(View& view, bool to_tabs)
{
    Document& document = *view.document;
    Position cursor = view.cursor;
    std::optional<Position> anchor = view.anchor;
    for (int line = 0; line < document.line_count(); ++line) {
        const std::string& text = document.lines[static_cast<std::size_t>(line)].text;
        std::size_t end = text.find_first_not_of(" \t");
        std::string run = text.substr(0, end);
        std::optional<std::string> replacement = converted_run(run, tab_size, to_tabs);
        if (!replacement || *replacement == run)
            continue;
        delete_text(document, {line, 0}, static_cast<int>(run.size()));
        insert_text(document, {line, 0}, *replacement);
    }
    document.flags &= static_cast<std::uint16_t>(~docflag::comments_valid);
    if (anchor)
        anchor->column = std::min(anchor->column, document.length(anchor->line));
    view.anchor = anchor;
    place(view, cursor);
    view.flags |= viewflag::repaint_all;
}

void Editor::tabs_to_spaces(View& view)
{
    rewrite_leading_space(view, false);
}

void Editor::spaces_to_tabs(View& view)
{
    rewrite_leading_space(view, true);
}

}  // namespace vyn::editor
