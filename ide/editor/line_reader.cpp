#include "ide/editor/line_reader.h"

#include "ide/editor/document.h"

namespace vyn::editor {

/* Carriage returns are dropped wherever they stand, a line-feed ends a line,
   and the end of the bytes ends a last line that has characters. A line
   longer than 513 characters is cut after its 513th, the rest starting the
   next line; a line of exactly 513 is left whole. */
int split_into_lines(std::span<const std::uint8_t> bytes, std::vector<std::string>& lines)
{
    int cuts = 0;
    std::string line;
    for (std::uint8_t byte : bytes) {
        char c = static_cast<char>(byte);
        if (c == '\r')
            continue;
        if (c == '\n') {
            lines.push_back(std::move(line));
            line.clear();
            continue;
        }
        if (line.size() == static_cast<std::size_t>(max_loaded_line)) {
            lines.push_back(std::move(line));
            line.clear();
            ++cuts;
        }
        line += c;
    }
    if (!line.empty())
        lines.push_back(std::move(line));
    return cuts;
}

}  // namespace vyn::editor
