#include "ide/editor/document.h"

namespace vyn::editor {

int Document::length(int line) const
{
    if (line < 0 || line >= line_count())
        return 0;
    return static_cast<int>(lines[static_cast<std::size_t>(line)].text.size());
}

std::string Document::text() const
{
    std::string all;
    for (const Line& line : lines) {
        all += line.text;
        all += '\n';
    }
    return all;
}

int step_back(const Document& document, Position& p, int count)
{
    int moved = 0;
    for (; moved < count; ++moved) {
        if (p.column > 0)
            --p.column;
        else if (p.line > 0)
            p = {p.line - 1, document.length(p.line - 1)};
        else
            break;
    }
    return moved;
}

int indentation_width(const std::string& text, int tab_size)
{
    int width = 0;
    for (char c : text) {
        if (c == ' ')
            ++width;
        else if (c == '\t')
            width = (width / tab_size + 1) * tab_size;
        else
            break;
    }
    return width;
}

int screen_column(const std::string& text, int column, int tab_size)
{
    int width = 0;
    for (int i = 0; i < column && i < static_cast<int>(text.size()); ++i)
        width = text[static_cast<std::size_t>(i)] == '\t' ? (width / tab_size + 1) * tab_size : width + 1;
    return width;
}

}  // namespace vyn::editor
