// What each module contributes to the CodeView information, taken while
// its sections are copied and relocated: its place in ".text", its source
// file, its line table, its symbols (the object's own when it carries
// CodeView 4 symbols, otherwise records the linker makes from its COFF
// symbols) and its type records.
#include "linker/linker.h"

#include "common/byte_reader.h"
#include "common/winpath.h"
#include "linker/codeview_records.h"

#include <functional>
#include <optional>

namespace vyn::lnk {

namespace {

bool is_code_or_data(const InputSection& s)
{
    if (!s.output)
        return false;
    const std::string& name = s.output->name;
    return name == ".text" || name == ".data" || name == ".bss";
}

bool is_module(const InputFile& f)
{
    if (f.from_archive())
        return false;
    for (auto& s : f.sections)
        if (is_code_or_data(*s))
            return true;
    return f.common_section && is_code_or_data(*f.common_section);
}

/* The relocated contents of one placed section: its bytes in the output
   section (empty when they do not fit there). */
std::span<const std::uint8_t> relocated_contents(const InputSection& s)
{
    if (!s.output || !(s.flags & kHasContents))
        return {};
    std::span<const std::uint8_t> data(s.output->data);
    if (s.out_offset > data.size() || data.size() - s.out_offset < s.size)
        return {};
    return data.subspan(s.out_offset, s.size);
}

bool has_section_named(const InputFile& f, std::string_view name)
{
    for (auto& s : f.sections)
        if (s->name == name)
            return true;
    return false;
}

/* The span of ".text" the file's code occupies. */
void set_text_range(CvModule& m, const InputFile& f)
{
    bool found = false;
    std::uint32_t start = 0, end = 0;
    for (auto& s : f.sections) {
        if (!s->output || s->output->name != ".text")
            continue;
        std::uint32_t s_end = s->out_offset + s->size;
        start = found ? std::min(start, s->out_offset) : s->out_offset;
        end = found ? std::max(end, s_end) : s_end;
        found = true;
    }
    m.text_offset = start;
    m.text_size = end - start;
}

/* One data or public record per COFF symbol defined in a placed section
   (section symbols and labels of the code section left out). */
void add_linker_made_symbols(CvModule& m, const InputFile& f)
{
    for (std::size_t i = 0; i < f.symbols.size(); ++i) {
        const CoffSymbol& s = f.symbols[i];
        if (s.is_aux || s.section <= 0 || static_cast<std::size_t>(s.section) > f.sections.size())
            continue;
        if (s.name.starts_with(".") || (s.section == 1 && s.storage_class == coff::storage_class::kLabel))
            continue;
        const InputSection& in = *f.sections[static_cast<std::size_t>(s.section) - 1];
        if (!in.output || !in.output->in_image || in.output->index <= 0)
            continue;
        std::uint16_t kind = s.storage_class == coff::storage_class::kExternal ? cv::kPublic : cv::kGlobalData;
        AddCodeViewSymbol(m, kind, in.out_offset + s.value - in.virtual_address,
                          static_cast<std::uint16_t>(in.output->index), s.name);
    }
}

}  // namespace

/* A new module for f: its object name, code range and source file name
   (from ".file", else the object name with the extension ".asm"). */
CvModule& AddTextModule(Linker& l, InputFile& f)
{
    CvModule& m = l.codeview.modules.emplace_back();
    m.object_name = f.name;
    set_text_range(m, f);
    if (auto source = source_file_name(f); source && !source->empty())
        m.source_name = *source;
    else
        m.source_name = winpath::replace_extension(f.name, ".asm");
    return m;
}

/* A data or public record of a linker-made block, padded to 4 bytes. */
void AddCodeViewSymbol(CvModule& m, std::uint16_t kind, std::uint32_t offset, std::uint16_t section,
                       std::string_view name)
{
    ByteWriter w;
    w.u16(0);
    w.u16(kind);
    w.u32(offset);
    w.u16(section);
    w.u16(0);
    cv::put_name(w, name);
    w.align(4);
    w.patch_u16(0, static_cast<std::uint16_t>(w.size() - 2));
    m.symbols.insert(m.symbols.end(), w.bytes().begin(), w.bytes().end());
}

/* The contents of f's sections called name, as contents_of gives each,
   joined with their leading CodeView 4 signature dropped. Nothing when a
   section does not start with the signature (another CodeView generation,
   which this linker does not read); an empty run when there is no such
   section. */
std::optional<std::vector<std::uint8_t>> join_codeview_sections(
    const InputFile& f, std::string_view name,
    const std::function<std::span<const std::uint8_t>(const InputSection&)>& contents_of)
{
    std::vector<std::uint8_t> joined;
    for (auto& s : f.sections) {
        if (s->name != name || !(s->flags & kHasContents))
            continue;
        std::span<const std::uint8_t> data = contents_of(*s);
        std::uint32_t signature = 0;
        if (!read_u32_at(data, 0, signature) || signature != cv::kSignature)
            return std::nullopt;
        joined.insert(joined.end(), data.begin() + 4, data.end());
    }
    return joined;
}

/* Notes whether any module has a section whose name begins with ".debug":
   only then is CodeView information gathered and written. */
void find_debug_sections(Linker& l)
{
    for (InputFile* f : l.linked_files) {
        if (!is_module(*f))
            continue;
        for (auto& s : f->sections)
            if (s->name.starts_with(".debug"))
                l.codeview.any_debug_section = true;
    }
}

/* Gathers the module f makes, if it is one: a command-line object with
   code or data. Runs after f's sections are relocated, so the symbol
   records already hold their final offsets and section numbers. */
void collect_codeview(Linker& l, InputFile& f)
{
    if (l.settings.stripped() || !l.codeview.any_debug_section || !is_module(f))
        return;
    CvModule& m = AddTextModule(l, f);
    int number = static_cast<int>(l.codeview.modules.size());
    for (auto& s : f.sections)
        collect_line_numbers(l, m, f, *s);

    auto symbols = has_section_named(f, ".debug$S") ? join_codeview_sections(f, ".debug$S", relocated_contents)
                                                    : std::nullopt;
    if (symbols) {
        auto types = join_codeview_sections(f, ".debug$T", relocated_contents);
        merge_codeview_records(l, m, number, *symbols, types ? std::span<const std::uint8_t>(*types)
                                                             : std::span<const std::uint8_t>());
        return;
    }
    start_symbol_block(m, number, {});
    add_linker_made_symbols(m, f);
    finish_symbol_block(l, m);
}

/* A module's own symbols and types, their signatures dropped: the block
   is started, the types merged into the global list and the block then
   completed with global type indices. */
void merge_codeview_records(Linker& l, CvModule& m, int number, std::span<const std::uint8_t> symbols,
                            std::span<const std::uint8_t> types)
{
    m.has_symbols = true;
    start_symbol_block(m, number, symbols);
    m.types.assign(types.begin(), types.end());
    LinkTypes(l, m);
    finish_symbol_block(l, m);
}

}  // namespace vyn::lnk
