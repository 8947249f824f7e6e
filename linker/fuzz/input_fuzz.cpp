// Feeds arbitrary bytes to a link: as an object (headers, sections, symbols,
// string table, line numbers, directives) or an archive (index, member
// headers, long names, members pulled in by the search), then through layout,
// relocation, ".reloc" and ".edata", the COFF symbols and the image in
// memory; also as raw CodeView records and as a resource file (converted,
// then linked as an object). None may crash, hang or read out of bounds.
#include "linker/linker.h"

#include "common/byte_reader.h"

#include <algorithm>
#include <cstdio>

using namespace vyn::lnk;

namespace {

// A link that ends (xexit) unwinds to the fuzz target instead of ending
// the process.
struct LinkEnded {};

[[noreturn]] void end_link(int)
{
    throw LinkEnded{};
}

std::unique_ptr<Linker> new_linker()
{
    static std::FILE* sink = std::fopen("/dev/null", "w");
    auto l = std::make_unique<Linker>();
    l->error_stream = sink;
    l->end_hook = end_link;
    l->settings.output_name = "fuzz.exe";
    l->settings.base_relocations = true;
    declare_section_groups(*l);
    return l;
}

void add_module(Linker& l, std::span<const std::uint8_t> symbols, std::span<const std::uint8_t> types)
{
    CvModule& m = l.codeview.modules.emplace_back();
    m.object_name = "fuzz.obj";
    m.source_name = "fuzz.c";
    merge_codeview_records(l, m, static_cast<int>(l.codeview.modules.size()), symbols, types);
}

/* The input as two runs (the first two bytes give the symbols' length),
   taken by two modules so that the second merges into the first's types. */
void merge_raw_codeview(std::span<const std::uint8_t> data)
{
    auto l = new_linker();
    std::uint16_t split = 0;
    if (!vyn::read_u16_at(data, 0, split))
        return;
    data = data.subspan(2);
    std::size_t at = std::min<std::size_t>(split, data.size());
    for (int k = 0; k < 2; ++k)
        add_module(*l, data.first(at), data.subspan(at));
    WriteCVInfo(*l);
}

/* Every name an archive's index offers is wanted, so that the search opens
   and tests the members, as the entry symbol is for an object. */
void want_everything(Linker& l, InputFile& f)
{
    std::vector<std::string> names{l.settings.entry_symbol};
    if (FindFileType(l, f, FileKind::Archive))
        for (const ArchiveIndexEntry& e : f.index)
            names.push_back(e.name);
    for (const std::string& name : names) {
        LinkSymbol* e = LinkTableLookup(l, name, true);
        if (e->state == SymbolState::New) {
            e->state = SymbolState::Undefined;
            e->section = &l.und_section;
            append_undefined(l, e);
        }
    }
}

/* One whole link of bytes named name (whose extension may force the kind),
   up to the image in memory. */
void link_bytes(std::span<const std::uint8_t> bytes, const char* name)
{
    auto l = new_linker();
    auto owned = std::make_unique<InputFile>();
    owned->name = name;
    auto copy = std::make_shared<std::uint8_t[]>(bytes.size() + 1);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    owned->data = copy;
    owned->bytes = {copy.get(), bytes.size()};
    InputFile& f = *owned;
    l->command_files.push_back(std::move(owned));
    try {
        want_everything(*l, f);
        enter_input(*l, f);
        if (!lay_out(*l))
            return;
        // Sizes declared by headers are refused above 2 GB; keep the
        // fuzzer's memory well below that.
        std::uint64_t total = 0;
        for (auto& s : l->sections)
            if (s->flags & kHasContents)
                total += s->virtual_size;
        if (total > (64u << 20))
            return;
        if (FinalLink(*l))
            build_image(*l);
    } catch (const LinkEnded&) {
    }
}

}  // namespace

// The linker's standard-output messages ("Ignored", bad sections) would
// drown the fuzzer's own report, which goes to standard error.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (!std::freopen("/dev/null", "w", stdout))
        return 1;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::span<const std::uint8_t> bytes(data, size);
    // The kind is found from the contents.
    link_bytes(bytes, "fuzz.dat");
    merge_raw_codeview(bytes);

    std::vector<std::uint8_t> object;
    if (convert_resource(bytes, object))
        link_bytes(object, "res.obj");
    return 0;
}
