#include "kit/coffar/archive.h"

#include <algorithm>
#include <numeric>

#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "common/coff_format.h"
#include "common/strings.h"

namespace vyn::coffar {

namespace {

constexpr std::size_t kMaxShortName = 15;  // 16 bytes with the closing '/'

std::size_t padded(std::size_t size)
{
    return size + (size & 1);
}

void write_header(ByteWriter& w, const std::string& name_field, std::size_t size)
{
    w.fixed_string(name_field, coff::member_header::kNameSize);
    w.text(format("%-12s%-6s%-6s%-8s%-10zu", "0", "", "", "0", size));
    w.text(coff::kMemberHeaderEnd);
}

void put_member(ByteWriter& w, const std::string& name_field, std::span<const std::uint8_t> body)
{
    std::string field = name_field;
    field.resize(coff::member_header::kNameSize, ' ');
    write_header(w, field, body.size());
    w.bytes(body);
    if (body.size() & 1)
        w.u8('\n');
}

void put_big_endian(ByteWriter& w, std::uint32_t v)
{
    w.u8(static_cast<std::uint8_t>(v >> 24));
    w.u8(static_cast<std::uint8_t>(v >> 16));
    w.u8(static_cast<std::uint8_t>(v >> 8));
    w.u8(static_cast<std::uint8_t>(v));
}

}  // namespace

bool is_archive(std::span<const std::uint8_t> bytes)
{
    return bytes.size() >= coff::kArchiveSignature.size() &&
           std::equal(coff::kArchiveSignature.begin(), coff::kArchiveSignature.end(), bytes.begin());
}

std::vector<std::uint8_t> write_archive(const std::vector<ArchiveMember>& members)
{
    // Long names and the name field of every member.
    std::string long_names;
    std::vector<std::string> name_fields;
    for (const ArchiveMember& m : members) {
        if (!m.name.empty() && m.name.size() <= kMaxShortName && m.name.find('/') == std::string::npos) {
            name_fields.push_back(m.name + "/");
        } else {
            name_fields.push_back("/" + std::to_string(long_names.size()));
            long_names += m.name;
            long_names += '\0';
        }
    }
    std::size_t symbol_count = 0, names_size = 0;
    for (const ArchiveMember& m : members) {
        symbol_count += m.symbols.size();
        for (const std::string& s : m.symbols)
            names_size += s.size() + 1;
    }
    const std::size_t h = coff::kArchiveMemberHeaderSize;
    std::size_t first_size = 4 + 4 * symbol_count + names_size;
    std::size_t second_size = 4 + 4 * members.size() + 4 + 2 * symbol_count + names_size;
    std::size_t pos = coff::kArchiveSignature.size() + h + padded(first_size) + h + padded(second_size) + h +
                      padded(long_names.size());
    std::vector<std::uint32_t> offsets;
    for (const ArchiveMember& m : members) {
        offsets.push_back(static_cast<std::uint32_t>(pos));
        pos += h + padded(m.bytes.size());
    }

    ByteWriter first;
    put_big_endian(first, static_cast<std::uint32_t>(symbol_count));
    for (std::size_t i = 0; i < members.size(); ++i)
        for (std::size_t k = 0; k < members[i].symbols.size(); ++k)
            put_big_endian(first, offsets[i]);
    for (const ArchiveMember& m : members)
        for (const std::string& s : m.symbols)
            first.c_string(s);

    std::vector<std::pair<std::string, std::uint16_t>> sorted;
    for (std::size_t i = 0; i < members.size(); ++i)
        for (const std::string& s : members[i].symbols)
            sorted.push_back({s, static_cast<std::uint16_t>(i + 1)});
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    ByteWriter second;
    second.u32(static_cast<std::uint32_t>(members.size()));
    for (std::uint32_t o : offsets)
        second.u32(o);
    second.u32(static_cast<std::uint32_t>(symbol_count));
    for (const auto& [name, index] : sorted)
        second.u16(index);
    for (const auto& [name, index] : sorted)
        second.c_string(name);

    ByteWriter out;
    // Byte by byte: GCC 12's -Wstringop-overflow misjudges a range insert
    // into the still empty buffer here.
    for (char c : coff::kArchiveSignature)
        out.u8(static_cast<std::uint8_t>(c));
    put_member(out, "/", first.bytes());
    put_member(out, "/", second.bytes());
    put_member(out, "//", as_bytes(long_names));
    for (std::size_t i = 0; i < members.size(); ++i)
        put_member(out, name_fields[i], members[i].bytes);
    return out.release();
}

std::optional<std::vector<ArchiveMember>> read_archive(std::span<const std::uint8_t> bytes, std::string& error)
{
    if (!is_archive(bytes)) {
        error = "not an archive";
        return std::nullopt;
    }
    ByteReader r(bytes);
    r.skip(coff::kArchiveSignature.size());
    std::string long_names;
    std::vector<ArchiveMember> members;
    while (r.remaining() > 0) {
        if (r.remaining() == 1 && bytes.back() == '\n')
            break;  // the pad byte of an odd last member
        std::size_t at = r.position();
        auto header = coff::read_member_header(r);
        if (!header || !r.ok()) {
            error = format("bad member header at offset %zu", at);
            return std::nullopt;
        }
        std::span<const std::uint8_t> body = r.take(header->size);
        if (!r.ok()) {
            error = format("member at offset %zu runs past the end", at);
            return std::nullopt;
        }
        if (header->size & 1)
            r.skip(std::min<std::size_t>(1, r.remaining()));
        const std::string& field = header->name;
        if (field == "/" || field == "/SYM64/")
            continue;
        if (field == "//") {
            long_names.assign(body.begin(), body.end());
            continue;
        }
        ArchiveMember m;
        if (field.size() > 1 && field[0] == '/') {
            auto offset = parse_u32(std::string_view(field).substr(1));
            if (!offset || *offset >= long_names.size()) {
                error = format("member at offset %zu names a long name that does not exist", at);
                return std::nullopt;
            }
            std::size_t end = long_names.find_first_of(std::string_view("/\n\0", 3), *offset);
            m.name = long_names.substr(*offset, end == std::string::npos ? std::string::npos : end - *offset);
        } else {
            std::size_t slash = field.find('/');
            m.name = slash == std::string::npos ? field : field.substr(0, slash);
        }
        m.bytes.assign(body.begin(), body.end());
        members.push_back(std::move(m));
    }
    return members;
}

}  // namespace vyn::coffar
