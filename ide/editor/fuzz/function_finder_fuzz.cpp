// Arbitrary bytes as a C source: finding its functions must neither crash
// nor read out of bounds, and every record must lie within the text.
#include "ide/editor/function_finder.h"
#include "ide/editor/line_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> texts;
    vyn::editor::split_into_lines({data, size}, texts);
    std::vector<vyn::editor::Line> lines;
    for (std::string& text : texts)
        lines.push_back(vyn::editor::Line{std::move(text), 0});
    for (const vyn::editor::FunctionRecord& f : vyn::editor::find_functions(lines)) {
        int count = int(lines.size());
        if (f.name.empty() || f.paren_line < 0 || f.paren_line >= count || f.header_line > f.paren_line ||
            f.end_line < f.paren_line || f.end_line >= count ||
            f.paren_column >= int(lines[std::size_t(f.paren_line)].text.size()))
            std::abort();
    }
    return 0;
}
