// Applying COFF relocations to copied contents and building ".reloc".
#include "linker/linker.h"

#include "common/byte_reader.h"
#include "common/byte_writer.h"

#include <algorithm>

namespace vyn::lnk {

namespace {

using namespace coff::reloc_i386;

// A relocation's symbol index that names no symbol: the target is address 0.
constexpr std::uint32_t kNoSymbol = 0xFFFFFFFFu;
// A ".reloc" entry's type (a 32-bit address) in its top four bits.
constexpr std::uint16_t kBaseRelocHighLow = 3 << 12;

std::uint32_t placed_address(const InputSection& s)
{
    return s.output->address + s.out_offset;
}

[[noreturn]] void bad_section(Linker& l, InputFile& f, const InputSection& s, std::string_view symbol)
{
    out("%s: Bad section found in link (%s). Symbol %s\n", f.name.c_str(), s.name.c_str(),
        symbol.empty() ? "*undefined*" : std::string(symbol).c_str());
    xexit(l, 1);
}

/* The hash entry a weak external falls back to when its name is not
   defined: the symbol its auxiliary record names. */
std::optional<std::uint32_t> weak_default(const InputFile& f, std::uint32_t index)
{
    if (f.symbols[index].aux_count == 0 || index + 1 >= f.symbols.size())
        return std::nullopt;
    std::uint32_t tag = 0;
    read_u32_at(f.symbols[index + 1].raw, coff::aux_weak::kTagIndex, tag);
    if (tag >= f.symbols.size() || tag == index)
        return std::nullopt;
    return tag;
}

/* A weak external: its name when that is defined, else the symbol its
   auxiliary record names, which may be another weak external. A chain
   that comes back on itself names no symbol at all: it is reported and
   the symbol taken as undefined. */
std::optional<std::uint32_t> weak_address(Linker& l, InputFile& f, std::uint32_t index, InputSection** section_out)
{
    std::uint32_t first = index;
    for (std::size_t steps = 0; steps <= f.symbols.size(); ++steps) {
        const CoffSymbol& s = f.symbols[index];
        if (s.storage_class != coff::storage_class::kWeakExternal)
            return symbol_address(l, f, index, section_out);
        if (LinkSymbol* e = LinkTableLookup(l, s.name, false); e && e->state == SymbolState::Defined) {
            e->referenced = true;
            if (e->section->pseudo)
                return e->value;
            if (!e->section->output)
                bad_section(l, f, *e->section, e->name);
            *section_out = e->section;
            return placed_address(*e->section) + e->value;
        }
        auto tag = weak_default(f, index);
        if (!tag)
            return std::nullopt;
        index = *tag;
    }
    err(l, "%s: weak external %s names itself through its defaults\n", f.name.c_str(),
        std::string(f.symbols[first].name).c_str());
    l.weak_cycle = true;
    return std::nullopt;
}

}  // namespace

/* The absolute address of symbol index of file, with the section it lies
   in (nothing for absolute symbols). Nothing when the symbol is undefined. */
std::optional<std::uint32_t> symbol_address(Linker& l, InputFile& f, std::uint32_t index, InputSection** section_out)
{
    *section_out = nullptr;
    if (index == kNoSymbol)
        return 0;
    const CoffSymbol& s = f.symbols[index];
    if (LinkSymbol* e = f.symbol_entries[index]) {
        e->referenced = true;
        if (e->state != SymbolState::Defined || !e->section || e->section == &l.und_section)
            return std::nullopt;
        if (e->section->pseudo)
            return e->value;
        if (!e->section->output)
            bad_section(l, f, *e->section, e->name);
        *section_out = e->section;
        return placed_address(*e->section) + e->value;
    }
    if (s.storage_class == coff::storage_class::kWeakExternal)
        return weak_address(l, f, index, section_out);
    if (s.section == coff::section_number::kAbsolute || s.section == coff::section_number::kDebug)
        return s.value;
    if (s.section <= 0 || static_cast<std::size_t>(s.section) > f.section_count)
        return std::nullopt;
    InputSection& in = *f.sections[static_cast<std::size_t>(s.section) - 1];
    if (!in.output)
        bad_section(l, f, in, s.name);
    *section_out = &in;
    return placed_address(in) + s.value - in.virtual_address;
}

/* Applies the relocations of one placed input section to its copy in the
   output section. Returns false when the link must fail. */
bool RelocateSection(Linker& l, InputFile& f, InputSection& s)
{
    if (s.reloc_count == 0)
        return true;
    l.any_input_relocations = true;
    if (!(s.flags & kHasContents)) {
        err(l, "%s: relocs in section '%s', but it has no contents", f.name.c_str(), s.name.c_str());
        return false;
    }
    OutputSection& out = *s.output;
    std::span<std::uint8_t> data(out.data);
    bool base = l.settings.base_relocations && s.name.compare(0, 6, ".debug") != 0 && out.in_image;
    ByteReader r(f.bytes);
    if (!r.seek(s.reloc_pos)) {
        err(l, "Impossible to read section %s from file %s\n", s.name.c_str(), f.name.c_str());
        return false;
    }
    for (std::uint32_t k = 0; k < s.reloc_count; ++k) {
        std::uint32_t vaddr = r.u32();
        std::uint32_t index = r.u32();
        std::uint16_t type = r.u16();
        if (!r.ok()) {
            err(l, "Impossible to read section %s from file %s\n", s.name.c_str(), f.name.c_str());
            return false;
        }
        std::uint32_t offset = vaddr - s.virtual_address;
        if (offset > s.size || s.size - offset < (type == kSection ? 2u : 4u)) {
            err(l, "Relocation out of range!\n");
            return false;
        }
        if (index != kNoSymbol && (index >= f.symbols.size() || f.symbols[index].is_aux)) {
            err(l, "%s: bad symbol index %u in relocation\n", f.name.c_str(), index);
            return false;
        }
        InputSection* target = nullptr;
        auto address = symbol_address(l, f, index, &target);
        if (l.weak_cycle)
            return false;
        if (!address) {
            undefined_symbol(l, f, &s, f.symbols[index].name, offset);
            address = 0;
        }
        std::uint32_t S = *address;
        std::size_t at = s.out_offset + offset;
        std::uint32_t P = out.address + static_cast<std::uint32_t>(at);
        std::uint32_t field = 0;
        read_u32_at(data, at, field);
        switch (type) {
        case kDir32:
            put_u32_at(data, at, field + S);
            if (base)
                l.base_relocs.push_back(P);
            break;
        case kDir32NB:
            put_u32_at(data, at, field + S - l.settings.image_base);
            break;
        case kRel32:
            put_u32_at(data, at, field + S - 4 - P);
            break;
        case kSection:
            put_u8_at(data, at, static_cast<std::uint8_t>(target && target->output ? target->output->index : 1));
            break;
        case kSecRel:
            // The field may already hold an offset within the target section.
            put_u32_at(data, at, field + S - (target && target->output ? target->output->address : 0));
            break;
        default:
            break;
        }
    }
    return true;
}

/* ".reloc": the recorded addresses sorted and grouped by 4 KB page, one
   block per page that has any, each entry type 3 with the page offset;
   blocks padded to an even entry count. Eight zero bytes follow the last
   block, written but not counted in the size. */
bool BuildRelocSection(Linker& l)
{
    if (l.base_relocs.empty()) {
        l.settings.base_relocations = false;
        return true;
    }
    std::vector<std::uint32_t>& addrs = l.base_relocs;
    std::sort(addrs.begin(), addrs.end());
    ByteWriter w;
    std::size_t i = 0;
    while (i < addrs.size()) {
        std::uint32_t page = (addrs[i] - l.settings.image_base) & ~0xFFFu;
        std::size_t j = i;
        while (j < addrs.size() && ((addrs[j] - l.settings.image_base) & ~0xFFFu) == page)
            ++j;
        std::size_t count = j - i;
        std::size_t padded = count + (count & 1);
        w.u32(page);
        w.u32(static_cast<std::uint32_t>(8 + 2 * padded));
        for (std::size_t k = i; k < j; ++k)
            w.u16(static_cast<std::uint16_t>(kBaseRelocHighLow | ((addrs[k] - l.settings.image_base) & 0xFFF)));
        if (count & 1)
            w.u16(0);
        i = j;
    }
    std::uint32_t size = static_cast<std::uint32_t>(w.size());
    w.zeros(8);
    auto out = std::make_unique<OutputSection>();
    out->name = ".reloc";
    out->virtual_size = size;
    out->data = w.release();
    out->flags = kAllocated | kLoaded | kData | kHasContents;
    l.sections.push_back(std::move(out));
    return true;
}

}  // namespace vyn::lnk
