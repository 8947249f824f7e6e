// The export section of a DLL and the ".exp" list handed to the
// import-library builder.
#include "linker/linker.h"

#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "common/strings.h"
#include "common/winpath.h"
#include "platform/files.h"
#include "platform/process.h"

#include <algorithm>
#include <ctime>

namespace vyn::lnk {

namespace {

std::uint32_t symbol_rva(const Linker& l, const LinkSymbol& e)
{
    if (e.section->pseudo)
        return e.value - l.settings.image_base;
    return e.section->output->address + e.section->out_offset + e.value - l.settings.image_base;
}

const std::string& exported_name(const ExportDirective& e)
{
    return e.alias.empty() ? e.name : e.alias;
}

/* Resolves every export: exact name first, then export style (which gives
   the export the real symbol's name). */
bool resolve_exports(Linker& l)
{
    bool missing = false;
    for (ExportDirective& e : l.exports) {
        LinkSymbol* s = LinkTableLookup(l, e.name, false);
        if (!s || s->state != SymbolState::Defined) {
            s = find_export_style(l, e.name);
            if (s)
                e.name = s->name;
        }
        if (!s || s->state != SymbolState::Defined || !s->section || (!s->section->pseudo && !s->section->output)) {
            err(l, "Specified export %s is not defined\n", e.name.c_str());
            missing = true;
            continue;
        }
        s->referenced = true;
        e.symbol = s;
        e.rva = symbol_rva(l, *s);
    }
    return !missing;
}

}  // namespace

/* ".edata": directory, DLL name, address table, name pointers, ordinals
   and names, for the exports sorted by decorated name and numbered 1..n. */
bool BuildEdataSection(Linker& l)
{
    auto& list = l.exports;
    std::stable_sort(list.begin(), list.end(),
                     [](const ExportDirective& a, const ExportDirective& b) { return a.name < b.name; });
    for (std::size_t i = 0; i < list.size(); ++i)
        list[i].ordinal = static_cast<int>(i + 1);
    if (list.empty() || !resolve_exports(l)) {
        err(l, "Missing exports. Aborting\n");
        xexit(l, 1);
    }
    auto out = std::make_unique<OutputSection>();
    out->name = ".edata";
    // The section's address is not known yet: the directory's RVAs are
    // written relative to 0 and moved once it is placed (see below).
    std::uint32_t n = static_cast<std::uint32_t>(list.size());
    std::string dll_name = l.settings.output_name;
    std::uint32_t name_size = static_cast<std::uint32_t>((dll_name.size() + 1 + 3) & ~std::size_t(3));
    std::uint32_t dll_name_at = 40;
    std::uint32_t addresses_at = dll_name_at + name_size;
    std::uint32_t pointers_at = addresses_at + 4 * n;
    std::uint32_t ordinals_at = pointers_at + 4 * n;
    std::uint32_t names_at = ordinals_at + 2 * n + (n & 1) * 2;
    l.edata_layout = {dll_name_at, addresses_at, pointers_at, ordinals_at, names_at};
    ByteWriter w;
    w.u32(0);
    w.u32(static_cast<std::uint32_t>(std::time(nullptr)));
    w.u32(0);
    w.u32(dll_name_at);
    w.u32(1);
    w.u32(n);
    w.u32(n);
    w.u32(addresses_at);
    w.u32(pointers_at);
    w.u32(ordinals_at);
    w.c_string(dll_name);
    w.align(4);
    for (const ExportDirective& e : list)
        w.u32(e.rva);
    // The loader looks names up by binary search: the name table is in the
    // byte order of the names exported, which differs from the ordinal
    // order when aliases are given.
    std::vector<const ExportDirective*> by_name;
    for (const ExportDirective& e : list)
        by_name.push_back(&e);
    std::stable_sort(by_name.begin(), by_name.end(), [](const ExportDirective* a, const ExportDirective* b) {
        return exported_name(*a) < exported_name(*b);
    });
    std::uint32_t name_pos = names_at;
    for (const ExportDirective* e : by_name) {
        w.u32(name_pos);
        name_pos += static_cast<std::uint32_t>(exported_name(*e).size() + 1);
    }
    for (const ExportDirective* e : by_name)
        w.u16(static_cast<std::uint16_t>(e->ordinal - 1));
    if (n & 1)
        w.u16(0);
    for (const ExportDirective* e : by_name)
        w.c_string(exported_name(*e));
    if (w.size() != name_pos)
        err(l, "edata section: bad size calculation, delta=%d\n", static_cast<int>(w.size()) - static_cast<int>(name_pos));
    out->virtual_size = static_cast<std::uint32_t>(w.size());
    out->data = w.release();
    out->flags = kAllocated | kLoaded | kData | kHasContents;
    l.sections.push_back(std::move(out));
    return true;
}

/* Moves the RVAs inside ".edata" by the section's own RVA once it is placed. */
void relocate_edata(Linker& l)
{
    OutputSection* edata = find_output(l, ".edata");
    if (!edata)
        return;
    std::uint32_t rva = edata->address - l.settings.image_base;
    auto& d = edata->data;
    const auto& lay = l.edata_layout;
    for (std::size_t field : {12u, 28u, 32u, 36u}) {
        std::uint32_t v = 0;
        read_u32_at(d, field, v);
        put_u32_at(d, field, v + rva);
    }
    for (std::uint32_t p = lay.pointers_at; p < lay.ordinals_at; p += 4) {
        std::uint32_t v = 0;
        read_u32_at(d, p, v);
        put_u32_at(d, p, v + rva);
    }
}

/* The ".exp" list beside the DLL and the import-library builder run on it.
   Nothing here changes the exit code. */
void WriteImportLibrary(Linker& l)
{
    const Settings& s = l.settings;
    std::string exp_name = winpath::replace_extension(s.output_name, ".exp");
    std::FILE* f = std::fopen(winpath::to_host(exp_name).c_str(), "w");
    if (!f) {
        err(l, "Impossible to open %s\n", exp_name.c_str());
        return;
    }
    std::fprintf(f, "%s\n", std::string(winpath::base_name(s.output_name)).c_str());
    for (const ExportDirective& e : l.exports) {
        if (!e.symbol)
            continue;
        const std::string& section = e.symbol->section->name;
        bool data = section == ".data" || section == ".bss" || section == "COMMON";
        const std::string& shown = e.alias.empty() ? e.name : e.alias;
        if (data)
            std::fprintf(f, "%s\t\t%s\tdata\n", e.symbol->name.c_str(), shown.c_str());
        else
            std::fprintf(f, "%s\t\t%s\n", e.symbol->name.c_str(), shown.c_str());
    }
    std::fclose(f);
    std::string root = s.library_directory ? winpath::directory(*s.library_directory) : std::string();
    std::string tool = winpath::join(winpath::join(root, "bin"), "libforge.exe");
    if (!platform::file_exists(winpath::to_host(tool))) {
        err(l, "Impossible to find %s\n", tool.c_str());
        return;
    }
    std::string lib_name = winpath::replace_extension(s.output_name, ".lib");
    std::string command =
        format("\"%s\" \"%s\" \"%s\"", winpath::to_host(tool).c_str(), exp_name.c_str(), lib_name.c_str());
    std::string error;
    auto process = platform::Process::start(command, {}, error);
    if (!process) {
        err(l, "Impossible to execute libforge.exe\n");
        return;
    }
    process->wait();
}

}  // namespace vyn::lnk
