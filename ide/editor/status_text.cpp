#include "ide/editor/status_text.h"

#include "common/strings.h"

namespace vyn::editor {

std::string status_text(const View& view, int tab_size, const std::string& function_name)
{
    const Document& document = *view.document;
    int column = view.cursor.column + 1;
    if (view.cursor.line < document.line_count())
        column = screen_column(document.lines[static_cast<std::size_t>(view.cursor.line)].text, view.cursor.column,
                               tab_size) + 1;
    unsigned line = static_cast<unsigned>(view.cursor.line) + 1;
    std::string text = function_name.empty() ? format("%u:%d", line, column)
                                             : format("%s %u:%d", function_name.c_str(), line, column);
    if (document.is_modified())
        text += " *";
    return text;
}

std::string marked_title(const std::string& title, bool modified)
{
    std::string plain = title;
    if (!plain.empty() && plain.back() == '*')
        plain.pop_back();
    return modified ? plain + "*" : plain;
}

}  // namespace vyn::editor
