// A module's line table, gathered from the COFF line numbers of its code
// sections while they are relocated. A line-number record with line 0
// starts a function: its field names the function's symbol, whose first
// source line is added to the relative lines that follow.
#include "linker/linker.h"

#include "common/coff_format.h"

namespace vyn::lnk {

namespace {

constexpr std::uint32_t kTextRva = 0x1000;

/* The offset within ".text" of the function symbol index names, or
   fallback when the symbol does not lie in placed code. Computed from the
   symbol itself so that bad line numbers never touch the link's state. */
std::uint32_t function_offset(const Linker& l, const InputFile& f, std::uint32_t index, std::uint32_t fallback)
{
    if (index >= f.symbols.size() || f.symbols[index].is_aux)
        return fallback;
    const CoffSymbol& s = f.symbols[index];
    if (s.section <= 0 || static_cast<std::size_t>(s.section) > f.sections.size())
        return fallback;
    const InputSection& in = *f.sections[static_cast<std::size_t>(s.section) - 1];
    if (!in.output || in.output->name != ".text")
        return fallback;
    return in.output->address - l.settings.image_base - kTextRva + in.out_offset + s.value - in.virtual_address;
}

}  // namespace

void CodeViewSetLineNumbersForSource(Linker& l, std::uint32_t line_count)
{
    CodeViewInfo& cv = l.codeview;
    cv.line_capacity = line_count;
    cv.lines_in_section = 0;
    cv.function_first_line = 0;
}

/* A function starts at offset: its first line applies to the relative
   lines that follow, and its start is the entry of that first line. */
void CodeViewSetFnOffset(Linker& l, CvModule& m, std::uint32_t offset, int first_line)
{
    l.codeview.function_first_line = first_line;
    CodeViewAddLineNumber(l, m, offset, 0);
}

/* One entry: a code offset within ".text" and the source line, the
   relative line plus the current function's first line. */
void CodeViewAddLineNumber(Linker& l, CvModule& m, std::uint32_t offset, int relative_line)
{
    CodeViewInfo& cv = l.codeview;
    if (cv.lines_in_section >= cv.line_capacity) {
        internal_error(l, InternalCheck::LineTableOverflow);
        return;
    }
    ++cv.lines_in_section;
    m.line_offsets.push_back(offset);
    m.line_numbers.push_back(static_cast<std::uint16_t>(relative_line + cv.function_first_line));
}

void CodeViewFinishLineNumbers(Linker& l, CvModule&)
{
    l.codeview.line_capacity = 0;
    l.codeview.lines_in_section = 0;
}

/* The entries of one placed code section, one per line-number record. */
void collect_line_numbers(Linker& l, CvModule& m, InputFile& f, InputSection& s)
{
    if (s.line_count == 0 || !s.output || s.output->name != ".text")
        return;
    CodeViewSetLineNumbersForSource(l, s.line_count);
    std::uint32_t section_offset = s.output->address - l.settings.image_base - kTextRva + s.out_offset;
    for (const coff::LineNumber& n : section_line_numbers(s)) {
        if (n.starts_function()) {
            std::uint32_t offset = function_offset(l, f, n.address_or_symbol, section_offset);
            CodeViewSetFnOffset(l, m, offset, function_first_line(f, n.address_or_symbol));
        } else {
            CodeViewAddLineNumber(l, m, section_offset + n.address_or_symbol - s.virtual_address, n.line);
        }
    }
    CodeViewFinishLineNumbers(l, m);
}

}  // namespace vyn::lnk
