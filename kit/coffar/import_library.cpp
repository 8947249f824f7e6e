#include "kit/coffar/import_library.h"

#include <set>

#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "common/coff_format.h"
#include "common/strings.h"
#include "kit/coffar/object_writer.h"

namespace vyn::coffar {

namespace {

using namespace coff;

constexpr std::uint32_t kIdata = section_flags::kInitializedData | section_flags::kRead | section_flags::kWrite;
constexpr std::uint32_t kText = section_flags::kCode | section_flags::kExecute | section_flags::kRead;
constexpr std::size_t kDescriptorSize = 20;
constexpr std::uint32_t kDescriptorLookupTable = 0, kDescriptorName = 12, kDescriptorAddressTable = 16;
constexpr std::string_view kNullDescriptor = "__NULL_IMPORT_DESCRIPTOR";
// "jmp dword ptr [address]" followed by two NOPs; the address is patched at offset 2.
constexpr std::uint8_t kJumpThunk[] = {0xFF, 0x25, 0, 0, 0, 0, 0x90, 0x90};
constexpr std::uint32_t kJumpAddressOffset = 2;

std::string stem_of(const std::string& dll)
{
    std::string stem;
    for (char c : dll)
        stem += std::isalnum(static_cast<unsigned char>(c)) ? lower_ascii(c) : '_';
    return stem;
}

ArchiveMember member(std::string name, const ObjectWriter& object, std::vector<std::string> symbols)
{
    return {std::move(name), object.build(), std::move(symbols)};
}

ArchiveMember head(const std::string& stem)
{
    ObjectWriter o;
    int descriptor = o.add_section(".idata$2", std::vector<std::uint8_t>(kDescriptorSize), kIdata | alignment_flags(4));
    int lookup = o.add_section(".idata$4", {}, kIdata | alignment_flags(4));
    int address = o.add_section(".idata$5", {}, kIdata | alignment_flags(4));
    std::string head_symbol = "__head_" + stem;
    o.define(head_symbol, descriptor);
    std::uint32_t name = o.reference("__" + stem + "_iname");
    o.reference(std::string(kNullDescriptor));
    o.relocate(descriptor, kDescriptorLookupTable, o.section_symbol(lookup), reloc_i386::kDir32NB);
    o.relocate(descriptor, kDescriptorName, name, reloc_i386::kDir32NB);
    o.relocate(descriptor, kDescriptorAddressTable, o.section_symbol(address), reloc_i386::kDir32NB);
    return member(stem + "_h.obj", o, {head_symbol});
}

std::vector<std::uint8_t> hint_name(std::uint16_t hint, const std::string& name)
{
    ByteWriter w;
    w.u16(hint);
    w.c_string(name);
    w.align(2);
    return w.release();
}

ArchiveMember entry(const std::string& stem, const Export& e, std::size_t index)
{
    ObjectWriter o;
    int text = e.data ? 0 : o.add_section(".text", {std::begin(kJumpThunk), std::end(kJumpThunk)}, kText | alignment_flags(4));
    int tag = o.add_section(".idata$7", std::vector<std::uint8_t>(4), kIdata | alignment_flags(4));
    int address = o.add_section(".idata$5", std::vector<std::uint8_t>(4), kIdata | alignment_flags(4));
    int lookup = o.add_section(".idata$4", std::vector<std::uint8_t>(4), kIdata | alignment_flags(4));
    int name = o.add_section(".idata$6", hint_name(static_cast<std::uint16_t>(index), e.name), kIdata | alignment_flags(2));
    std::vector<std::string> symbols;
    if (!e.data) {
        o.define(e.link_name, text);
        symbols.push_back(e.link_name);
        o.relocate(text, kJumpAddressOffset, o.section_symbol(address), reloc_i386::kDir32);
    }
    o.define("__imp_" + e.link_name, address);
    symbols.push_back("__imp_" + e.link_name);
    // The tag entry pulls the head (and through it the tail) into every link that uses an entry.
    std::uint32_t head_symbol = o.reference("__head_" + stem);
    o.relocate(tag, 0, head_symbol, reloc_i386::kDir32NB);
    o.relocate(address, 0, o.section_symbol(name), reloc_i386::kDir32NB);
    o.relocate(lookup, 0, o.section_symbol(name), reloc_i386::kDir32NB);
    return member(format("%s_s%05zu.obj", stem.c_str(), index + 1), o, symbols);
}

ArchiveMember tail(const std::string& stem, const std::string& dll)
{
    ObjectWriter o;
    o.add_section(".idata$4", std::vector<std::uint8_t>(4), kIdata | alignment_flags(4));
    o.add_section(".idata$5", std::vector<std::uint8_t>(4), kIdata | alignment_flags(4));
    ByteWriter name;
    name.c_string(dll);
    name.align(4);
    int names = o.add_section(".idata$7", name.release(), kIdata | alignment_flags(4));
    std::string iname = "__" + stem + "_iname";
    o.define(iname, names);
    return member(stem + "_t.obj", o, {iname});
}

ArchiveMember null_descriptor(const std::string& stem)
{
    ObjectWriter o;
    int s = o.add_section(".idata$3", std::vector<std::uint8_t>(kDescriptorSize), kIdata | alignment_flags(4));
    o.define(std::string(kNullDescriptor), s);
    return member(stem + "_n.obj", o, {std::string(kNullDescriptor)});
}

// ---- reading an import library back ----

struct ObjectView {
    std::vector<SectionHeader> sections;
    std::vector<std::pair<std::string, Symbol>> symbols;  // name, record (aux records left out)
};

std::optional<ObjectView> view_object(std::span<const std::uint8_t> bytes)
{
    ByteReader r(bytes);
    FileHeader h = read_file_header(r);
    if (!r.ok() || h.machine != machine::kI386)
        return std::nullopt;
    r.skip(h.optional_header_size);
    ObjectView v;
    for (std::uint16_t i = 0; i < h.section_count; ++i)
        v.sections.push_back(read_section_header(r));
    if (!r.ok())
        return std::nullopt;
    std::size_t table = h.symbol_table_pos, count = h.symbol_count;
    if (table > bytes.size() || (bytes.size() - table) / kSymbolSize < count)
        return std::nullopt;
    std::span<const std::uint8_t> strings = bytes.subspan(table + count * kSymbolSize);
    ByteReader s(bytes.subspan(table, count * kSymbolSize));
    for (std::size_t i = 0; i < count; ++i) {
        Symbol sym = read_symbol(s);
        v.symbols.push_back({symbol_name(sym, strings), sym});
        std::size_t aux = std::min<std::size_t>(sym.aux_count, count - i - 1);
        s.skip(aux * kAuxSize);
        i += aux;
    }
    return v;
}

std::span<const std::uint8_t> section_data(std::span<const std::uint8_t> bytes, const SectionHeader& s)
{
    if (s.raw_pos > bytes.size() || bytes.size() - s.raw_pos < s.raw_size)
        return {};
    return bytes.subspan(s.raw_pos, s.raw_size);
}

const SectionHeader* find_section(const ObjectView& v, std::string_view name)
{
    for (const SectionHeader& s : v.sections)
        if (s.name == name)
            return &s;
    return nullptr;
}

bool is_defined_external(const Symbol& s)
{
    return s.storage_class == storage_class::kExternal && s.section > 0;
}

// One export from a per-export member, and the DLL name from a tail.
void read_member(std::span<const std::uint8_t> bytes, ExportList& list)
{
    auto v = view_object(bytes);
    if (!v)
        return;
    if (const SectionHeader* names = find_section(*v, ".idata$7"); names && list.dll.empty()) {
        ByteReader r(section_data(bytes, *names));
        std::string dll = r.c_string();
        if (r.ok() && !dll.empty())
            list.dll = dll;
    }
    const SectionHeader* hint = find_section(*v, ".idata$6");
    if (!hint)
        return;
    ByteReader r(section_data(bytes, *hint));
    r.u16();
    std::string name = r.c_string();
    if (!r.ok() || name.empty())
        return;
    std::string link_name;
    for (const auto& [n, s] : v->symbols)
        if (is_defined_external(s) && n.rfind("__imp_", 0) == 0)
            link_name = n.substr(6);
    if (link_name.empty())
        return;
    bool code = false;
    for (const auto& [n, s] : v->symbols)
        code = code || (is_defined_external(s) && n == link_name);
    list.exports.push_back({link_name, name, !code});
}

// The export a short import object describes, by its name type.
void read_import_object(const ImportObject& object, ExportList& list)
{
    std::string name = object.symbol;
    if (object.name_type == import_name_type::kOrdinal)
        return;
    if (object.name_type == import_name_type::kNameNoPrefix || object.name_type == import_name_type::kNameUndecorate) {
        if (!name.empty() && (name[0] == '_' || name[0] == '@' || name[0] == '?'))
            name.erase(0, 1);
    }
    if (object.name_type == import_name_type::kNameUndecorate)
        name = name.substr(0, name.find('@'));
    if (list.dll.empty())
        list.dll = object.dll;
    list.exports.push_back({object.symbol, name, object.type != import_type::kCode});
}

}  // namespace

std::vector<ArchiveMember> import_members(const ExportList& list)
{
    std::string stem = stem_of(list.dll);
    std::vector<ArchiveMember> members;
    members.push_back(head(stem));
    for (std::size_t i = 0; i < list.exports.size(); ++i)
        members.push_back(entry(stem, list.exports[i], i));
    members.push_back(tail(stem, list.dll));
    members.push_back(null_descriptor(stem));
    return members;
}

std::optional<ExportList> exports_of_import_library(std::span<const std::uint8_t> archive, std::string& error)
{
    auto members = read_archive(archive, error);
    if (!members)
        return std::nullopt;
    ExportList list;
    for (const ArchiveMember& m : *members) {
        if (auto object = coff::read_import_object(m.bytes))
            read_import_object(*object, list);
        else
            read_member(m.bytes, list);
    }
    // Some libraries list an export twice; the first one is kept.
    std::set<std::string> seen;
    std::erase_if(list.exports, [&](const Export& e) { return !seen.insert(e.link_name).second; });
    if (list.exports.empty()) {
        error = "no import entries found";
        return std::nullopt;
    }
    if (list.dll.empty()) {
        error = "the DLL name was not found";
        return std::nullopt;
    }
    return list;
}

}  // namespace vyn::coffar
