// The link hash table and what happens when an object's symbols meet it.
#include "linker/linker.h"

#include "common/byte_reader.h"

#include <algorithm>

namespace vyn::lnk {

/* The hash of a name: h += c * 0x20001, h ^= h >> 2 per byte, then the same
   with the length. Used for every table of names in the linker. */
std::uint32_t link_hash(std::string_view name)
{
    std::uint32_t h = 0;
    for (char ch : name) {
        h += static_cast<std::uint32_t>(static_cast<unsigned char>(ch)) * 0x20001u;
        h ^= h >> 2;
    }
    h += static_cast<std::uint32_t>(name.size()) * 0x20001u;
    h ^= h >> 2;
    return h;
}

namespace {

std::size_t first_slot(std::uint64_t hash, std::size_t mask)
{
    return static_cast<std::size_t>(hash) & mask;
}

void grow_index(LinkHashTable& t)
{
    std::vector<LinkSymbol*> larger(t.index.size() * 2, nullptr);
    std::size_t mask = larger.size() - 1;
    for (LinkSymbol* e : t.index) {
        if (!e)
            continue;
        std::size_t slot = first_slot(e->index_hash, mask);
        while (larger[slot])
            slot = (slot + 1) & mask;
        larger[slot] = e;
    }
    t.index.swap(larger);
}

}  // namespace

/* Finds (or, with create, makes) the entry of a name. A new entry goes to
   the front of its bucket, which fixes the order of every walk over the
   table. */
LinkSymbol* LinkTableLookup(Linker& l, std::string_view name, bool create)
{
    LinkHashTable& t = l.table;
    std::uint64_t key = std::hash<std::string_view>{}(name);
    std::size_t mask = t.index.size() - 1;
    std::size_t slot = first_slot(key, mask);
    for (LinkSymbol* e; (e = t.index[slot]) != nullptr; slot = (slot + 1) & mask)
        if (e->index_hash == key && e->name == name)
            return e;
    if (!create)
        return nullptr;
    std::uint32_t h = link_hash(name);
    LinkSymbol*& bucket = t.buckets[h % kHashBuckets];
    LinkSymbol& s = t.storage.emplace_back();
    s.name = std::string(name);
    s.hash = h;
    s.index_hash = key;
    s.next_in_bucket = bucket;
    bucket = &s;
    t.index[slot] = &s;
    if (++t.entry_count * 2 > t.index.size())
        grow_index(t);
    return &s;
}

void append_undefined(Linker& l, LinkSymbol* s)
{
    if (s->on_undefined_list)
        return;
    s->on_undefined_list = true;
    s->next_undefined = nullptr;
    if (l.table.undefined_tail)
        l.table.undefined_tail->next_undefined = s;
    else
        l.table.undefined_head = s;
    l.table.undefined_tail = s;
}

namespace {

enum class Incoming { Undefined, Definition, Common };

InputSection* common_section_of(InputFile& f)
{
    if (!f.common_section) {
        auto s = std::make_unique<InputSection>();
        s->name = "COMMON";
        s->flags = kAllocated;
        s->alignment = 1;
        s->file = &f;
        f.common_section = s.get();
        f.sections.push_back(std::move(s));
    }
    return f.common_section;
}

void define(LinkSymbol* e, InputSection* section, std::uint32_t value, InputFile& f)
{
    e->state = SymbolState::Defined;
    e->section = section;
    e->value = value;
    e->defining_file = &f;
}

void make_common(Linker& l, LinkSymbol* e, std::uint32_t size, InputFile& f)
{
    bool was_new = e->state == SymbolState::New;
    e->state = SymbolState::Common;
    e->common_size = size;
    e->section = common_section_of(f);
    e->defining_file = &f;
    if (was_new)
        append_undefined(l, e);
}

void multiple_definition(Linker& l, LinkSymbol* e, InputFile& f)
{
    if (e->section && (e->section->flags & kLinkOnce))
        return;
    err(l, "%s: multiple definition of %s\n", f.name.c_str(), e->name.c_str());
    if (e->defining_file)
        err(l, "first definition is in file %s\n", e->defining_file->name.c_str());
}

void common_meets_common(Linker& l, LinkSymbol* e, std::uint32_t size, InputFile& f)
{
    if (size == e->common_size)
        return;
    if (e->defining_file)
        err(l, "in %s ", e->defining_file->name.c_str());
    err(l, "warning: '%s' (defined ", e->name.c_str());
    err(l, " with size %d)\n", static_cast<int>(e->common_size));
    err(l, "is redefined in %s with size %d\n", f.name.c_str(), static_cast<int>(size));
    e->common_size = std::max(e->common_size, size);
}

/* The section a symbol's section number names, or a pseudo-section. */
InputSection* section_of_symbol(Linker& l, InputFile& f, const CoffSymbol& s)
{
    if (s.section > 0) {
        if (static_cast<std::size_t>(s.section) <= f.section_count)
            return f.sections[static_cast<std::size_t>(s.section) - 1].get();
        return &l.und_section;
    }
    if (s.section == 0)
        return s.value == 0 ? &l.und_section : &l.com_section;
    if (s.section == coff::section_number::kAbsolute || s.section == coff::section_number::kDebug)
        return &l.abs_section;
    err(l, "Bad section index %d in file %s\n", s.section, f.name.c_str());
    return &l.und_section;
}

}  // namespace

/* Enters every external symbol of an object into the link hash table,
   following the action table of incoming kind against existing state. */
bool AddSymbols(Linker& l, InputFile& f)
{
    if (!ReadObjectSymbols(l, f))
        return false;
    for (std::size_t i = 0; i < f.symbols.size(); ++i) {
        const CoffSymbol& s = f.symbols[i];
        if (!is_external(s))
            continue;
        InputSection* section = section_of_symbol(l, f, s);
        std::uint32_t value = s.value;
        if (!section->pseudo)
            value -= section->virtual_address;
        Incoming kind = section == &l.und_section   ? Incoming::Undefined
                        : section == &l.com_section ? Incoming::Common
                                                    : Incoming::Definition;
        // An archive member's test may have found the entry already.
        LinkSymbol* e = f.symbol_entries[i] ? f.symbol_entries[i] : LinkTableLookup(l, s.name, true);
        f.symbol_entries[i] = e;
        switch (kind) {
        case Incoming::Undefined:
            if (e->state == SymbolState::New) {
                e->state = SymbolState::Undefined;
                e->section = &l.und_section;
                e->first_reference = &f;
                append_undefined(l, e);
            }
            break;
        case Incoming::Definition:
            if (e->state == SymbolState::New || e->state == SymbolState::Undefined || e->state == SymbolState::Common)
                define(e, section, value, f);
            else
                multiple_definition(l, e, f);
            break;
        case Incoming::Common:
            if (e->state == SymbolState::New || e->state == SymbolState::Undefined)
                make_common(l, e, s.value, f);
            else if (e->state == SymbolState::Common)
                common_meets_common(l, e, s.value, f);
            break;
        }
    }
    return true;
}

/* Gives every symbol still common its place in its file's "COMMON" section:
   aligned to the smallest power of two not below its size, at most 16. */
void BuildCommon(Linker& l)
{
    for (LinkSymbol* head : l.table.buckets) {
        for (LinkSymbol* e = head; e; e = e->next_in_bucket) {
            if (e->state != SymbolState::Common)
                continue;
            std::uint32_t align = 1;
            while (align < e->common_size && align < 16)
                align <<= 1;
            InputSection* s = e->section;
            s->size = (s->size + align - 1) & ~(align - 1);
            e->value = s->size;
            s->size += e->common_size;
            s->alignment = std::max(s->alignment, align);
            s->flags |= kAllocated;
            e->state = SymbolState::Defined;
        }
    }
}

namespace {

bool already_reported(Linker& l, const std::string& name)
{
    return !l.reported_undefined.insert(name).second;
}

/* The source line of the line-number entry whose address range holds
   offset (relative to the section's start). */
std::optional<int> source_line(const InputFile& f, const InputSection& s, std::uint32_t offset)
{
    int first_line = 0;
    std::optional<int> found;
    for (const coff::LineNumber& n : section_line_numbers(s)) {
        if (n.starts_function()) {
            first_line = function_first_line(f, n.address_or_symbol);
            continue;
        }
        if (n.address_or_symbol - s.virtual_address > offset)
            break;
        found = n.line + first_line;
    }
    return found;
}

}  // namespace

static std::string aux_text(const InputFile& f, std::size_t index)
{
    std::string text;
    const CoffSymbol& s = f.symbols[index];
    for (std::size_t k = 1; k <= s.aux_count; ++k)
        for (std::uint8_t b : f.symbols[index + k].raw)
            text += static_cast<char>(b);
    return text.substr(0, text.find('\0'));
}

std::optional<std::string> source_file_name(const InputFile& f)
{
    for (std::size_t i = 0; i < f.symbols.size(); ++i)
        if (!f.symbols[i].is_aux && f.symbols[i].storage_class == coff::storage_class::kFile)
            return aux_text(f, i);
    return std::nullopt;
}

/* The first source line of a function: its auxiliary record names the
   ".bf" symbol, whose auxiliary record holds the line. */
int function_first_line(const InputFile& f, std::uint32_t symbol_index)
{
    // Indices come from the file: compared in 64 bits so that 0xFFFFFFFF + 1 cannot wrap.
    if (std::uint64_t(symbol_index) + 1 >= f.symbols.size() || f.symbols[symbol_index].aux_count == 0)
        return 0;
    std::uint32_t bf = 0;
    read_u32_at(f.symbols[symbol_index + 1].raw, coff::aux_function::kBeginFunctionIndex, bf);
    if (std::uint64_t(bf) + 1 >= f.symbols.size() || f.symbols[bf].aux_count == 0)
        return 0;
    return coff::aux_line(f.symbols[bf + 1].raw);
}

/* Reports a relocation against a symbol that is not defined. Every call
   counts towards the exit code; each name is reported once. */
void undefined_symbol(Linker& l, InputFile& f, InputSection* section, std::string_view name_view,
                      std::uint32_t offset_in_section)
{
    ++l.error_count;
    std::string name(name_view);
    if (already_reported(l, name))
        return;
    if (section && section->index == 1 && !f.from_archive() && section->line_count > 0) {
        auto source = source_file_name(f);
        auto line = source_line(f, *section, offset_in_section);
        if (source && line) {
            err(l, "Error %s %d undefined reference to %s\n", source->c_str(), *line, name.c_str());
            return;
        }
    }
    err(l, "%s %s: undefined reference to '%s'\n", f.name.c_str(), section ? section->name.c_str() : "",
        name.c_str());
}

/* The "-x" report: symbols no relocation used, in bucket order. */
void UsageSymbol(Linker& l)
{
    std::FILE* to = l.error_stream == stderr ? stdout : l.error_stream;
    bool heading = false;
    for (LinkSymbol* head : l.table.buckets) {
        for (LinkSymbol* e = head; e; e = e->next_in_bucket) {
            if (e->referenced || e->name.compare(0, 4, "__im") == 0 || e->name == l.settings.entry_symbol)
                continue;
            if ((e->defining_file && is_startup_name(e->defining_file->name)) ||
                (e->first_reference && is_startup_name(e->first_reference->name)))
                continue;
            if (!heading) {
                std::fprintf(to, "Unused symbols\n%35s %9s %s\n", "File", "Section", "Name");
                heading = true;
            }
            if (e->section && e->defining_file)
                std::fprintf(to, "%35s %9s %s\n", e->defining_file->name.c_str(), e->section->name.c_str(),
                             e->name.c_str());
        }
    }
}

}  // namespace vyn::lnk
