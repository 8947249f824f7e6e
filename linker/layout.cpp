// Placing input sections into output sections and giving them addresses.
#include "linker/linker.h"

#include <algorithm>
#include <unordered_map>

namespace vyn::lnk {

namespace {

constexpr std::uint32_t kPage = 0x1000;

std::uint64_t align_up(std::uint64_t value, std::uint64_t alignment)
{
    return (value + alignment - 1) & ~(alignment - 1);
}

// A 32-bit process without large-address awareness (which this linker
// never declares) has its user addresses below 2 GB: the whole image,
// from its base, must end there.
constexpr std::uint64_t kImageLimit = 0x80000000u;

bool image_too_large(Linker& l, const OutputSection& s)
{
    err(l, "Section %s does not fit: the image would end above 0x%08x\n", s.name.c_str(),
        static_cast<unsigned>(kImageLimit));
    return false;
}

OutputSection& output_for_group(Linker& l, std::size_t group_index)
{
    // Output sections are made for every group in declaration order and the
    // empty ones removed after assignment, so the list keeps group order.
    return *l.sections[group_index];
}

void assign(OutputSection& out, InputSection& in)
{
    Contribution c;
    c.section = &in;
    c.size = in.size;
    out.contributions.push_back(std::move(c));
    out.flags |= in.flags & (kAllocated | kLoaded | kCode | kData | kHasContents);
    if (in.flags & kKeep02)
        out.extra_characteristics |= kKeep02Characteristic;
    in.output = &out;
}

/* An import table needs a zero descriptor after the last real one. Import
   libraries that carry one supply it in ".idata$3"; for those that do not,
   an empty descriptor is put behind the ".idata$2" contributions. */
void terminate_import_descriptors(Linker& l)
{
    OutputSection* idata = find_output(l, ".idata");
    if (!idata)
        return;
    auto& list = idata->contributions;
    std::size_t last2 = list.size();
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string& name = list[i].section->name;
        if (name == ".idata$3")
            return;
        if (name == ".idata$2")
            last2 = i;
    }
    if (last2 == list.size())
        return;
    static InputSection descriptor_section;
    descriptor_section.name = ".idata$3";
    descriptor_section.flags = kAllocated | kLoaded | kData | kHasContents;
    descriptor_section.size = coff::kImportDescriptorSize;
    descriptor_section.alignment = 4;
    descriptor_section.output = idata;
    Contribution c;
    c.section = &descriptor_section;
    c.is_synthetic = true;
    c.synthetic.assign(coff::kImportDescriptorSize, 0);
    c.size = coff::kImportDescriptorSize;
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(last2) + 1, std::move(c));
}

/* What is left after the groups took theirs: code goes to ".text",
   initialised data to ".data", the rest is left out. */
void FinalCheck(Linker& l)
{
    for (InputFile* f : l.linked_files) {
        for (auto& s : f->sections) {
            if (s->output)
                continue;
            bool quiet = s->name.compare(0, 6, ".rdata") == 0;
            if (!quiet)
                err(l, "File %s contains unknown section %s.\n", f->name.c_str(), s->name.c_str());
            if (s->flags & kCode) {
                if (!quiet)
                    err(l, ".text section assumed\n");
                assign(*find_output(l, ".text"), *s);
            } else if (s->flags & kData) {
                if (!quiet)
                    err(l, ".data section assumed\n");
                assign(*find_output(l, ".data"), *s);
            } else if (!quiet) {
                out("Ignored\n");
            }
        }
    }
}

}  // namespace

OutputSection* find_output(Linker& l, std::string_view name)
{
    for (auto& s : l.sections)
        if (s->name == name)
            return s.get();
    return nullptr;
}

void declare_section_groups(Linker& l)
{
    l.groups = {
        {".text", {".text"}},
        {".bss", {".bss", "COMMON"}},
        {".rdata", {".rdata"}},
        {".data", {".data"}},
        {".idata", {".idata$2", ".idata$3", ".idata$4", ".idata$5", ".idata$6", ".idata$7"}},
        {".rsrc", {".rsrc$01", ".rsrc$02"}},
        {".debug", {".drectve", ".debug$F", ".debug$S", ".debug$T"}},
    };
}

/* Walks the groups in declaration order; each takes, name by name and file
   by file in link order, the input sections of exactly that name. */
bool LinkInputSections(Linker& l)
{
    l.sections.clear();
    for (const SectionGroup& g : l.groups) {
        auto out = std::make_unique<OutputSection>();
        out->name = g.name;
        out->alignment = 4096;
        out->in_image = g.name != ".debug";
        l.sections.push_back(std::move(out));
    }
    // The sections of each listed name, gathered in one pass in link order
    // and file order, then taken name by name as the groups list them.
    std::unordered_map<std::string_view, std::vector<InputSection*>> by_name;
    for (const SectionGroup& g : l.groups)
        for (const std::string& name : g.inputs)
            by_name.try_emplace(name);
    for (InputFile* f : l.linked_files)
        for (auto& s : f->sections)
            if (auto it = by_name.find(s->name); it != by_name.end() && !s->output)
                it->second.push_back(s.get());
    for (std::size_t gi = 0; gi < l.groups.size(); ++gi) {
        OutputSection& out = output_for_group(l, gi);
        for (const std::string& name : l.groups[gi].inputs)
            for (InputSection* s : by_name[name])
                if (!s->output)
                    assign(out, *s);
    }
    FinalCheck(l);
    terminate_import_descriptors(l);
    std::erase_if(l.sections, [](const std::unique_ptr<OutputSection>& s) { return s->contributions.empty(); });
    return true;
}

/* Runs of contributions from members of one archive (and of one input
   section name) are put in member-name order, which puts an import
   library's head, entries and tail in that order within each ".idata$n".
   Contributions of command-line files keep their place. */
void sort_sections(Linker& l)
{
    for (auto& out : l.sections) {
        auto& list = out->contributions;
        std::size_t i = 0;
        while (i < list.size()) {
            const InputFile* file = list[i].section->file;
            const InputFile* archive = file ? file->archive : nullptr;
            std::size_t j = i + 1;
            // A run also keeps to one input-section name, so that sorting
            // never moves an ".idata$5" entry in among the ".idata$4" ones.
            while (archive && j < list.size() && list[j].section->file &&
                   list[j].section->file->archive == archive && list[j].section->name == list[i].section->name)
                ++j;
            if (archive)
                std::stable_sort(list.begin() + static_cast<std::ptrdiff_t>(i),
                                 list.begin() + static_cast<std::ptrdiff_t>(j),
                                 [](const Contribution& a, const Contribution& b) {
                                     return a.section->file->member_name < b.section->file->member_name;
                                 });
            i = j;
        }
    }
}

/* Addresses in list order: the first section one page above the image base,
   each next one at the previous end rounded up to a page. Contributions
   follow each other, each at its own alignment. ".debug" is laid out for
   its offsets but takes no room in the image. Sizes are summed wide so that
   no sum wraps; an image that does not fit is refused. */
bool SetSectionSizes(Linker& l)
{
    std::uint64_t address = std::uint64_t(l.settings.image_base) + kPage;
    int index = 0;
    for (auto& out : l.sections) {
        std::uint64_t offset = 0;
        for (Contribution& c : out->contributions) {
            offset = align_up(offset, c.section->alignment);
            if (offset > kImageLimit)
                break;
            c.section->out_offset = static_cast<std::uint32_t>(offset);
            offset += c.size;
        }
        if (!out->in_image) {
            if (offset > 0xFFFFFFFFu)
                return image_too_large(l, *out);
            out->virtual_size = static_cast<std::uint32_t>(offset);
            out->address = 0;
            continue;
        }
        if (address + offset > kImageLimit)
            return image_too_large(l, *out);
        out->virtual_size = static_cast<std::uint32_t>(offset);
        out->address = static_cast<std::uint32_t>(address);
        if (offset != 0) {
            out->index = ++index;
            address = align_up(address + offset, kPage);
        }
    }
    return true;
}

/* The sections appended after the layout (".reloc", ".edata") must fit too. */
bool check_image_end(Linker& l)
{
    for (auto& out : l.sections)
        if (out->in_image && std::uint64_t(out->address) + out->virtual_size > kImageLimit)
            return image_too_large(l, *out);
    return true;
}

/* The process entry must be a defined symbol in a placed section; a DLL
   also needs its initialisation function. */
void DetermineEntryPoint(Linker& l)
{
    const Settings& s = l.settings;
    LinkSymbol* entry = LinkTableLookup(l, s.entry_symbol, false);
    if (!entry || entry->state != SymbolState::Defined || !entry->section || entry->section->pseudo ||
        !entry->section->output) {
        err(l, "Program has no starting address!\n");
        xexit(l, 1);
    }
    entry->referenced = true;
    l.entry_address = entry->section->output->address + entry->section->out_offset + entry->value;
    if (!s.dll)
        return;
    LinkSymbol* init = LinkTableLookup(l, s.dll_init_symbol, false);
    if (!init || init->state != SymbolState::Defined)
        init = find_export_style(l, s.dll_init_symbol);
    if (!init || init->state != SymbolState::Defined || !init->section || !init->section->output) {
        err(l, "Entry point %s not found\n", s.dll_init_symbol.c_str());
        err(l, "Use the -entry command line option\n");
        xexit(l, 1);
    }
    init->referenced = true;
    l.dll_init = init;
}

}  // namespace vyn::lnk
