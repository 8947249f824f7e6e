// Feeds arbitrary bytes to the readers of link inputs: COFF objects (headers,
// sections, symbols, string table, line numbers, directives), archives (index,
// long names, members) and resource files (converted, then read back as an
// object). None may crash, hang or read out of bounds.
#include "linker/linker.h"

#include "common/byte_reader.h"

#include <algorithm>
#include <cstdio>

using namespace vyn::lnk;

namespace {

void add_module(Linker& l, std::span<const std::uint8_t> symbols, std::span<const std::uint8_t> types)
{
    CvModule& m = l.codeview.modules.emplace_back();
    m.object_name = "fuzz.obj";
    m.source_name = "fuzz.c";
    merge_codeview_records(l, m, static_cast<int>(l.codeview.modules.size()), symbols, types);
}

/* The input as two runs (the first two bytes give the symbols' length),
   taken by two modules so that the second merges into the first's types. */
void merge_raw_codeview(Linker& l, std::span<const std::uint8_t> data)
{
    std::uint16_t split = 0;
    if (!vyn::read_u16_at(data, 0, split))
        return;
    data = data.subspan(2);
    std::size_t at = std::min<std::size_t>(split, data.size());
    for (int k = 0; k < 2; ++k)
        add_module(l, data.first(at), data.subspan(at));
}

void read_object(Linker& l, InputFile& f)
{
    if (!FindFileType(l, f, FileKind::Object))
        return;
    l.linked_files.push_back(&f);
    if (!AddSymbols(l, f))
        return;
    process_embedded_commands(l, f);
    for (auto& s : f.sections) {
        section_contents(*s);
        if (s->index == 1)
            undefined_symbol(l, f, s.get(), "_fuzz", 0x10);
    }
    // The sections as the object holds them: nothing is relocated here.
    auto symbols = join_codeview_sections(f, ".debug$S", section_contents);
    if (symbols && !symbols->empty()) {
        auto types = join_codeview_sections(f, ".debug$T", section_contents);
        add_module(l, *symbols, types ? std::span<const std::uint8_t>(*types) : std::span<const std::uint8_t>());
    }
}

void read_input(Linker& l, std::unique_ptr<InputFile>& f)
{
    read_object(l, *f);
    if (f->kind != FileKind::Archive)
        return;
    for (const ArchiveIndexEntry& e : f->index) {
        InputFile* m = open_archive_member(*f, e.member_offset);
        if (m && m->member_mark == 0) {
            m->member_mark = -1;
            read_object(l, *m);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static std::FILE* sink = std::fopen("/dev/null", "w");
    auto l = std::make_unique<Linker>();
    l->error_stream = sink;
    auto f = std::make_unique<InputFile>();
    f->name = "fuzz.obj";
    auto copy = std::make_shared<std::uint8_t[]>(size + 1);
    std::copy(data, data + size, copy.get());
    f->data = copy;
    f->bytes = {copy.get(), size};
    read_input(*l, f);
    BuildCommon(*l);
    merge_raw_codeview(*l, {data, size});
    WriteCVInfo(*l);

    std::vector<std::uint8_t> object;
    if (convert_resource({data, size}, object)) {
        auto r = std::make_unique<InputFile>();
        r->name = "res.obj";
        auto bytes = std::make_shared<std::uint8_t[]>(object.size() + 1);
        std::copy(object.begin(), object.end(), bytes.get());
        r->data = bytes;
        r->bytes = {bytes.get(), object.size()};
        read_input(*l, r);
    }
    return 0;
}
