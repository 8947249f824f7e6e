// A compiled resource file (.res) turned into a COFF object with the
// resource directory in ".rsrc$01" and the resource data in ".rsrc$02".
#include "linker/linker.h"

#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "common/coff_format.h"
#include "common/winpath.h"
#include "platform/files.h"

#include <algorithm>
#include <ctime>

namespace vyn::lnk {

namespace {

struct ResName {
    bool is_id = true;
    std::uint16_t id = 0;
    std::u16string text;
};

struct Resource {
    ResName type;
    ResName name;
    std::uint16_t language = 0;
    std::span<const std::uint8_t> data;
};

bool read_name(ByteReader& r, ResName& n)
{
    std::uint16_t first = r.u16();
    if (!r.ok())
        return false;
    if (first == 0xFFFF) {
        n.is_id = true;
        n.id = r.u16();
        return r.ok();
    }
    n.is_id = false;
    for (std::uint16_t c = first; c != 0; c = r.u16()) {
        if (!r.ok())
            return false;
        n.text += static_cast<char16_t>(c);
    }
    return r.ok();
}

/* Every entry: sizes, type, name, then fixed fields; the header size must
   match what was read, the padded data must fit, and the walk must end
   exactly at the end of the file. */
bool OpenResFile(std::span<const std::uint8_t> bytes, std::vector<Resource>& out)
{
    ByteReader r(bytes);
    while (!r.at_end()) {
        std::size_t start = r.position();
        if (r.remaining() < 8)
            return false;
        std::uint32_t data_size = r.u32();
        std::uint32_t header_size = r.u32();
        Resource res;
        if (!read_name(r, res.type) || !read_name(r, res.name))
            return false;
        if (!r.align(4))
            return false;
        r.u32();  // data version
        r.u16();  // memory flags
        res.language = r.u16();
        r.u32();  // version
        r.u32();  // characteristics
        if (!r.ok() || r.position() - start != header_size)
            return false;
        std::size_t padded = (static_cast<std::size_t>(data_size) + 3) & ~std::size_t(3);
        if (r.remaining() < data_size)
            return false;
        res.data = r.take(data_size);
        if (!r.skip(std::min(padded - data_size, r.remaining())))
            return false;
        out.push_back(res);
    }
    return true;
}

char16_t fold(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
}

bool name_less(const ResName& a, const ResName& b)
{
    if (a.is_id != b.is_id)
        return !a.is_id;  // named entries first
    if (a.is_id)
        return a.id < b.id;
    return std::lexicographical_compare(a.text.begin(), a.text.end(), b.text.begin(), b.text.end(),
                                        [](char16_t x, char16_t y) { return fold(x) < fold(y); });
}

/* Keeps the types given as ordinals 1 to 16 (not 17) and orders by type,
   then name. */
std::vector<Resource> FindTypes(std::vector<Resource> all)
{
    std::vector<Resource> kept;
    for (Resource& r : all)
        if (r.type.is_id && r.type.id >= 1 && r.type.id <= 16)
            kept.push_back(r);
    std::stable_sort(kept.begin(), kept.end(), [](const Resource& a, const Resource& b) {
        if (a.type.id != b.type.id)
            return a.type.id < b.type.id;
        return name_less(a.name, b.name);
    });
    return kept;
}

/* The object: ".rsrc$01" (directory tree, one relocation per data entry)
   and ".rsrc$02" (the data), with one symbol for ".rsrc$02". */
std::vector<std::uint8_t> WriteObjectFile(const std::vector<Resource>& res)
{
    std::vector<std::uint16_t> types;
    for (const Resource& r : res)
        if (types.empty() || types.back() != r.type.id)
            types.push_back(r.type.id);
    std::uint32_t stamp = static_cast<std::uint32_t>(std::time(nullptr));
    std::uint32_t n = static_cast<std::uint32_t>(res.size());
    std::uint32_t type_dirs_at = 16 + 8 * static_cast<std::uint32_t>(types.size());
    std::uint32_t lang_dirs_at = type_dirs_at + 16 * static_cast<std::uint32_t>(types.size()) + 8 * n;
    std::uint32_t data_entries_at = lang_dirs_at + 24 * n;
    std::uint32_t strings_at = data_entries_at + 16 * n;

    ByteWriter strings;
    std::vector<std::uint32_t> name_offsets(n, 0);
    for (std::uint32_t i = 0; i < n; ++i) {
        if (res[i].name.is_id)
            continue;
        name_offsets[i] = strings_at + static_cast<std::uint32_t>(strings.size());
        strings.u16(static_cast<std::uint16_t>(res[i].name.text.size()));
        for (char16_t c : res[i].name.text)
            strings.u16(c);
    }
    strings.align(4);

    ByteWriter d;
    auto directory = [&](std::uint16_t named, std::uint16_t ids) {
        d.u32(0);
        d.u32(stamp);
        d.u32(0);
        d.u16(named);
        d.u16(ids);
    };
    directory(0, static_cast<std::uint16_t>(types.size()));
    std::uint32_t at = type_dirs_at;
    std::vector<std::uint32_t> type_dir_offsets;
    for (std::uint16_t t : types) {
        std::uint32_t count = static_cast<std::uint32_t>(
            std::count_if(res.begin(), res.end(), [&](const Resource& r) { return r.type.id == t; }));
        d.u32(t);
        d.u32(0x80000000u | at);
        at += 16 + 8 * count;
    }
    std::uint32_t resource = 0;
    for (std::uint16_t t : types) {
        std::uint16_t named = 0, ids = 0;
        for (const Resource& r : res)
            if (r.type.id == t)
                (r.name.is_id ? ids : named)++;
        directory(named, ids);
        for (; resource < n && res[resource].type.id == t; ++resource) {
            d.u32(res[resource].name.is_id ? res[resource].name.id : 0x80000000u | name_offsets[resource]);
            d.u32(0x80000000u | (lang_dirs_at + 24 * resource));
        }
    }
    for (std::uint32_t i = 0; i < n; ++i) {
        directory(0, 1);
        d.u32(res[i].language);
        d.u32(data_entries_at + 16 * i);
    }
    std::uint32_t data_offset = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
        d.u32(data_offset);
        d.u32(static_cast<std::uint32_t>(res[i].data.size()));
        d.u32(0);
        d.u32(0);
        data_offset += static_cast<std::uint32_t>((res[i].data.size() + 3) & ~std::size_t(3));
    }
    d.bytes(strings.bytes());
    d.align(16);
    std::uint32_t dir_size = static_cast<std::uint32_t>(d.size());

    ByteWriter data;
    for (const Resource& r : res) {
        data.bytes(r.data);
        data.align(4);
    }

    constexpr std::uint32_t kSections = 2;  // ".rsrc$01" and ".rsrc$02"
    std::uint32_t dir_pos = static_cast<std::uint32_t>(coff::kFileHeaderSize + kSections * coff::kSectionHeaderSize);
    // One relocation per data entry, making its offset an address.
    std::vector<coff::Relocation> relocations;
    for (std::uint32_t i = 0; i < n; ++i)
        relocations.push_back({data_entries_at + 16 * i, 0, coff::reloc_i386::kDir32NB});
    coff::RelocationCount count = coff::relocation_count(n);
    std::uint32_t reloc_pos = dir_pos + dir_size;
    std::uint32_t data_pos = reloc_pos + static_cast<std::uint32_t>(coff::kRelocationSize * count.entries);
    std::uint32_t symtab_pos = data_pos + static_cast<std::uint32_t>(data.size());
    ByteWriter o;
    o.u16(coff::machine::kI386);
    o.u16(kSections);
    o.u32(stamp);
    o.u32(symtab_pos);
    o.u32(1);
    o.u16(0);
    o.u16(0);
    auto header = [&](const char* name, std::uint32_t vaddr, std::uint32_t size, std::uint32_t pos,
                      std::uint32_t relocs, coff::RelocationCount count) {
        o.fixed_string(name, 8);
        o.u32(0);
        o.u32(vaddr);
        o.u32(size);
        o.u32(size ? pos : 0);
        o.u32(count.entries ? relocs : 0);
        o.u32(0);
        o.u16(count.field);
        o.u16(0);
        o.u32(coff::section_flags::kInitializedData | coff::section_flags::kRead | coff::section_flags::kWrite |
              count.flags);
    };
    header(".rsrc$01", 0, dir_size, dir_pos, reloc_pos, count);
    header(".rsrc$02", dir_size, static_cast<std::uint32_t>(data.size()), data_pos, 0, {});
    o.bytes(d.bytes());
    coff::write_relocations(o, relocations);
    o.bytes(data.bytes());
    o.fixed_string(".rsrc$02", 8);
    o.u32(dir_size);
    o.u16(2);  // section number of ".rsrc$02"
    o.u16(0);
    o.u8(coff::storage_class::kStatic);
    o.u8(0);
    o.u32(4);  // the string table: its own size only
    return o.release();
}

}  // namespace

bool convert_resource(std::span<const std::uint8_t> res, std::vector<std::uint8_t>& object)
{
    std::vector<Resource> all;
    if (!OpenResFile(res, all))
        return false;
    object = WriteObjectFile(FindTypes(std::move(all)));
    return true;
}

/* Converts res_path into the object obj_path. False (after its own
   message for a malformed file) when the conversion fails. */
bool ReadResourceFile(Linker& l, const std::string& res_path, const std::string& obj_path)
{
    auto bytes = platform::read_file(winpath::to_host(res_path));
    if (!bytes)
        return false;
    std::vector<std::uint8_t> object;
    if (!convert_resource(*bytes, object)) {
        out("Invalid ressource file %s\n", res_path.c_str());
        return false;
    }
    std::FILE* f = std::fopen(winpath::to_host(obj_path).c_str(), "wb");
    if (!f) {
        err(l, "Impossible to write to %s\n", obj_path.c_str());
        return false;
    }
    bool ok = std::fwrite(object.data(), 1, object.size(), f) == object.size();
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

}  // namespace vyn::lnk
