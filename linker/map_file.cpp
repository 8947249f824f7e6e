// The map file: line numbers gathered while copying, the output sections
// with their contributions and symbols, and a size summary.
#include "linker/linker.h"

#include "common/winpath.h"
#include "platform/files.h"

#include <filesystem>
#include <map>

namespace vyn::lnk {

namespace {

std::string file_label(const InputFile& f)
{
    if (f.from_archive())
        return "[" + f.archive->name + "] " + f.member_name;
    return f.name;
}

/* Symbols defined in each input section, in hash-table order. */
std::multimap<const InputSection*, const LinkSymbol*> symbols_by_section(Linker& l)
{
    std::multimap<const InputSection*, const LinkSymbol*> map;
    for (LinkSymbol* head : l.table.buckets)
        for (LinkSymbol* e = head; e; e = e->next_in_bucket)
            if (e->state == SymbolState::Defined && e->section && !e->section->pseudo)
                map.emplace(e->section, e);
    return map;
}

}  // namespace

void WriteMapFile(Linker& l)
{
    std::FILE* m = l.settings.map_file;
    std::fputs(l.map_lines_prefix.c_str(), m);
    std::fprintf(m, "output   input     virtual\n");
    std::fprintf(m, "section  section   address    tsize");
    auto symbols = symbols_by_section(l);
    for (auto& s : l.sections) {
        std::fprintf(m, "\n%*s %8s %8lx %5x %5x \n", -8, s->name.c_str(), "", static_cast<unsigned long>(s->address),
                     s->raw_size, s->virtual_size);
        for (const Contribution& c : s->contributions) {
            const InputSection* in = c.section;
            if (!in->output) {
                std::fprintf(m, "No output section allocated\n");
                continue;
            }
            std::uint32_t address = in->output->address + in->out_offset;
            std::fprintf(m, "%8s %*s %8lx %5x %5x  %s\n", "", -8, in->name.c_str(),
                         static_cast<unsigned long>(address), c.size, c.size,
                         in->file ? file_label(*in->file).c_str() : "");
            auto range = symbols.equal_range(in);
            for (auto it = range.first; it != range.second; ++it)
                std::fprintf(m, "%8s %8s %8x              %s\n", "", "", address + it->second->value,
                             it->second->name.c_str());
        }
    }
    std::fprintf(m, "\n");
    for (auto& s : l.sections) {
        std::fprintf(m, "Section %s: %d\n", s->name.c_str(), static_cast<int>(s->virtual_size));
        const InputFile* archive = nullptr;
        std::uint32_t archive_total = 0;
        for (const Contribution& c : s->contributions) {
            const InputFile* f = c.section->file;
            const InputFile* a = f ? f->archive : nullptr;
            if (archive && a != archive) {
                std::fprintf(m, "\t%s: %d\n", archive->name.c_str(), static_cast<int>(archive_total));
                archive_total = 0;
            }
            archive = a;
            if (a)
                archive_total += c.size;
            else if (f)
                std::fprintf(m, "\t%s: %s %d\n", f->name.c_str(), "", static_cast<int>(c.size));
        }
        if (archive)
            std::fprintf(m, "\t%s: %d\n", archive->name.c_str(), static_cast<int>(archive_total));
    }
    std::fprintf(m, "\n");
    bool written = std::fflush(m) == 0 && !std::ferror(m);
    std::fclose(m);
    l.settings.map_file = nullptr;
    std::error_code ec;
    if (written)
        std::filesystem::rename(l.settings.map_temp_path, winpath::to_host(l.settings.map_name), ec);
    if (!written || ec) {
        platform::remove_file(l.settings.map_temp_path);
        err(l, "impossible to open %s\n", l.settings.map_name.c_str());
    }
    l.settings.map_temp_path.clear();
}

}  // namespace vyn::lnk
