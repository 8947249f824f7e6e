// The resolution phase: inputs are read in command-line order, objects enter
// their symbols, archives are searched once against what is undefined.
#include "linker/linker.h"

#include "common/byte_reader.h"
#include "common/winpath.h"
#include "platform/files.h"

#include <filesystem>

#include <unordered_map>

namespace vyn::lnk {

namespace {

constexpr int kLinked = -1;

/* Would this member define a symbol that is undefined right now? The
   entries found are kept for the member's symbols, so that linking it
   looks no name up twice. */
bool CheckLibrarySymbols(Linker& l, InputFile& m)
{
    for (std::size_t i = 0; i < m.symbols.size(); ++i) {
        const CoffSymbol& s = m.symbols[i];
        if (!is_external(s) || (s.section == coff::section_number::kUndefined && s.value == 0))
            continue;
        LinkSymbol* e = m.symbol_entries[i];
        if (!e)
            e = m.symbol_entries[i] = LinkTableLookup(l, s.name, false);
        if (e && e->state == SymbolState::Undefined)
            return true;
    }
    return false;
}

void link_object(Linker& l, InputFile& f)
{
    l.linked_files.push_back(&f);
    AddSymbols(l, f);
    process_embedded_commands(l, f);
}

/* Tests one member for the entry being resolved; links it when it defines
   something undefined. Returns true when it was linked. */
bool try_member(Linker& l, InputFile& a, std::uint32_t offset, int& pass)
{
    InputFile* m = open_archive_member(a, offset);
    if (!m || m->member_mark == kLinked || m->member_mark == pass)
        return false;
    if (!FindFileType(l, *m, FileKind::Object)) {
        // Members of other kinds are passed over; one that starts as an
        // i386 object but cannot be read as one is damage.
        std::uint16_t machine = 0;
        if (read_u16_at(m->bytes, coff::file_header::kMachine, machine) && machine == coff::machine::kI386) {
            err(l, "%s: damaged archive: member %s at offset %u is no readable object\n", a.name.c_str(),
                m->member_name.c_str(), offset);
            xexit(l, -1);
        }
        m->member_mark = kLinked;
        return false;
    }
    if (!ReadObjectSymbols(l, *m) || !CheckLibrarySymbols(l, *m)) {
        m->member_mark = pass;
        return false;
    }
    m->member_mark = kLinked;
    ++pass;
    link_object(l, *m);
    return true;
}

/* Searches an archive once against the undefined list, including entries
   that members linked during the search append to it. Entries that are no
   longer undefined or common are taken off the list (except the tail). */
void AddLibrarySymbol(Linker& l, InputFile& a)
{
    // The index entries of each name, in index order: the first one by
    // name, each next one through next_of (kNone ends a chain).
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    struct Chain {
        std::size_t first, last;
    };
    std::unordered_map<std::string_view, Chain> positions;
    positions.reserve(a.index.size());
    std::vector<std::size_t> next_of(a.index.size(), kNone);
    for (std::size_t i = 0; i < a.index.size(); ++i) {
        auto [it, fresh] = positions.try_emplace(a.index[i].name, Chain{i, i});
        if (!fresh) {
            next_of[it->second.last] = i;
            it->second.last = i;
        }
    }
    int pass = a.pass_mark + 1;
    LinkHashTable& t = l.table;
    LinkSymbol* previous = nullptr;
    LinkSymbol* e = t.undefined_head;
    while (e) {
        if (e->state == SymbolState::Undefined || e->state == SymbolState::Common) {
            auto found = positions.find(e->name);
            if (found != positions.end()) {
                for (std::size_t pos = found->second.first; pos != kNone; pos = next_of[pos]) {
                    if (e->state != SymbolState::Undefined && e->state != SymbolState::Common)
                        break;
                    try_member(l, a, a.index[pos].member_offset, pass);
                }
            }
            previous = e;
            e = e->next_undefined;
            continue;
        }
        if (e == t.undefined_tail) {
            previous = e;
            e = e->next_undefined;
            continue;
        }
        LinkSymbol* next = e->next_undefined;
        if (previous)
            previous->next_undefined = next;
        else
            t.undefined_head = next;
        e->on_undefined_list = false;
        e->next_undefined = nullptr;
        e = next;
    }
    a.pass_mark = pass;
}

/* Opens one input of the list and enters it. */
void EnterSymbols(Linker& l, InputFile& f)
{
    if (!read_whole_file(f.host_path, f)) {
        err(l, "cannot open %s\n", f.name.c_str());
        xexit(l, -1);
    }
    enter_input(l, f);
}

}  // namespace

/* Enters one input whose bytes are read: objects are linked, archives
   searched. The extension's first letter may force the kind. */
void enter_input(Linker& l, InputFile& f)
{
    std::string_view ext = winpath::extension(f.name);
    char first = ext.size() > 1 ? ext[1] : '\0';
    bool object = false, archive = false;
    if (first == 'o' || first == 'O') {
        object = FindFileType(l, f, FileKind::Object);
    } else if (first == 'l' || first == 'L') {
        f.kind = CheckIfDotLib(f) ? FileKind::Archive : FileKind::Neither;
        archive = f.kind == FileKind::Archive;
    } else {
        object = FindFileType(l, f, FileKind::Object);
        archive = !object && f.kind == FileKind::Archive;
    }
    f.entered = true;
    if (object) {
        link_object(l, f);
    } else if (archive) {
        if (!f.damage.empty()) {
            err(l, "%s: damaged archive: %s\n", f.name.c_str(), f.damage.c_str());
            xexit(l, -1);
        }
        AddLibrarySymbol(l, f);
    } else {
        err(l, "%s: unknown file type\n", f.name.c_str());
        xexit(l, -1);
    }
}

namespace {

void OpenInputFiles(Linker& l)
{
    for (const Linker::ListedFile& listed : l.input_list) {
        auto f = std::make_unique<InputFile>();
        f->name = listed.name;
        f->host_path = listed.host_path;
        l.command_files.push_back(std::move(f));
        EnterSymbols(l, *l.command_files.back());
    }
}

/* The image is written under a temporary name beside the output and renamed
   over it only once it is complete, so no failure can destroy an existing
   file, not even an input named as the output. This early probe keeps the
   early message for an output that cannot be written at all. */
bool check_output_writable(Linker& l)
{
    const std::string& name = l.settings.output_name;
    std::string host = winpath::to_host(name);
    std::string directory = std::filesystem::path(host).parent_path().string();
    std::string probe = platform::temporary_file_name(directory.empty() ? "." : directory, "vynlnk");
    std::FILE* f = std::fopen(probe.c_str(), "wb");
    if (!f) {
        err(l, "cannot open output file %s:\n", name.c_str());
        xexit(l, -1);
    }
    std::fclose(f);
    platform::remove_file(probe);
    return true;
}

}  // namespace

/* "-export:name" directives in an object's ".drectve" section join the
   export list like EXPORTS lines of a module-definition file. */
void process_embedded_commands(Linker& l, InputFile& f)
{
    static const std::string_view kExport = "-export:";
    for (const auto& s : f.sections) {
        if (s->name != ".drectve")
            continue;
        auto bytes = section_contents(*s);
        std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        for (std::size_t at = text.find(kExport); at != std::string_view::npos; at = text.find(kExport, at + 1)) {
            std::size_t pos = at + kExport.size();
            if (pos < text.size() && text[pos] == '"')
                ++pos;
            if (pos < text.size() && text[pos] == '_')
                ++pos;
            std::string name;
            // A name ends at a blank; ",data" and a closing quote are not part of it.
            while (pos < text.size() && text[pos] != ' ' && text[pos] != ',' && text[pos] != '"' &&
                   text[pos] != '\0' && name.size() < 256)
                name += text[pos++];
            if (!name.empty())
                add_export(l, "_" + name, "");
        }
    }
}

/* A defined symbol matching wanted in the export style: its name cut at
   '@' equals wanted, or it equals wanted without one leading '_'. */
LinkSymbol* find_export_style(Linker& l, const std::string& wanted)
{
    std::string_view without = wanted;
    if (!without.empty() && without[0] == '_')
        without.remove_prefix(1);
    for (LinkSymbol* head : l.table.buckets) {
        for (LinkSymbol* e = head; e; e = e->next_in_bucket) {
            if (e->state != SymbolState::Defined)
                continue;
            std::string_view name = e->name;
            std::string_view cut = name.substr(0, name.find('@'));
            if (cut == wanted || (wanted.size() > 0 && wanted[0] == '_' && name == without))
                return e;
        }
    }
    return nullptr;
}

/* The resolution phase: the entry names are wanted from the start, then
   every input of the list is entered in order. Layout follows it (lay_out). */
void ProcessDirectives(Linker& l)
{
    check_output_writable(l);
    for (const std::string& name : l.entry_names) {
        LinkSymbol* e = LinkTableLookup(l, name, true);
        if (e->state == SymbolState::New) {
            e->state = SymbolState::Undefined;
            e->section = &l.und_section;
            append_undefined(l, e);
        }
    }
    OpenInputFiles(l);
}

/* Once every input is entered: common symbols, output sections, their
   order and addresses. */
bool lay_out(Linker& l)
{
    BuildCommon(l);
    if (!LinkInputSections(l))
        return false;
    sort_sections(l);
    if (!SetSectionSizes(l))
        return false;
    l.common_output = find_output(l, ".bss");
    if (!l.common_output)
        l.common_output = find_output(l, ".data");
    if (OutputSection* text = find_output(l, ".text"))
        text->flags |= kCode;
    return true;
}

}  // namespace vyn::lnk
