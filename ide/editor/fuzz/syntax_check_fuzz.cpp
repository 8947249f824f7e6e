// Arbitrary bytes as a C source: cutting them into lines and checking the
// syntax must neither crash nor read out of bounds.
#include "ide/editor/line_reader.h"
#include "ide/editor/syntax_check.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> lines;
    vyn::editor::split_into_lines({data, size}, lines);
    vyn::editor::Document document;
    for (std::string& text : lines)
        document.lines.push_back(vyn::editor::Line{std::move(text), 0});
    (void)vyn::editor::check_syntax(document, "fuzz.c");
    return 0;
}
