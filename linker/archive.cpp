// COFF archives ("!<arch>\n"): the first linker member's index, the long-name
// member and the members themselves, opened on demand and cached by offset.
#include "linker/linker.h"

#include "common/byte_reader.h"
#include "common/coff_format.h"
#include "common/strings.h"

#include <cstring>
#include <optional>

namespace vyn::lnk {

namespace {

constexpr std::size_t kHeaderSize = coff::kArchiveMemberHeaderSize;
namespace mh = coff::member_header;

struct MemberHeader {
    std::string raw_name;     // the 16-byte name field, as is
    std::uint32_t size = 0;
    std::size_t data_pos = 0;
};

/* A member header and what is wrong with it, if anything. */
struct HeaderRead {
    std::optional<MemberHeader> header;
    std::string problem;
};

HeaderRead read_header(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    if (offset > bytes.size() || bytes.size() - offset < kHeaderSize)
        return {std::nullopt, format("truncated member header at offset %zu", offset)};
    const char* h = reinterpret_cast<const char*>(bytes.data() + offset);
    if (std::string_view(h + mh::kEnd, coff::kMemberHeaderEnd.size()) != coff::kMemberHeaderEnd)
        return {std::nullopt, format("bad member header at offset %zu", offset)};
    MemberHeader m;
    m.raw_name.assign(h + mh::kName, mh::kNameSize);
    auto size = parse_u32(trim(std::string_view(h + mh::kSize, mh::kSizeSize)));
    if (!size)
        return {std::nullopt, format("bad member size at offset %zu", offset)};
    m.size = *size;
    m.data_pos = offset + kHeaderSize;
    if (bytes.size() - m.data_pos < m.size)
        return {std::nullopt, format("member at offset %zu runs past the end of the file", offset)};
    return {m, {}};
}

std::optional<MemberHeader> read_member_header(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    return read_header(bytes, offset).header;
}

std::uint32_t big_endian_u32(std::span<const std::uint8_t> b, std::size_t pos)
{
    return (std::uint32_t(b[pos]) << 24) | (std::uint32_t(b[pos + 1]) << 16) | (std::uint32_t(b[pos + 2]) << 8) |
           std::uint32_t(b[pos + 3]);
}

/* The first linker member: a big-endian count n, n big-endian member-header
   offsets, then n NUL-terminated names; name i belongs to offset i. Every
   offset must lead to a member header that fits in the archive. Returns
   what is wrong, or nothing. */
std::string read_index(InputFile& a, const MemberHeader& m)
{
    std::span<const std::uint8_t> body = a.bytes.subspan(m.data_pos, m.size);
    if (body.size() < 4)
        return "index too short";
    std::uint32_t n = big_endian_u32(body, 0);
    if ((body.size() - 4) / 4 < n)
        return format("index count %u does not fit its member", n);
    std::size_t names = 4 + static_cast<std::size_t>(n) * 4;
    a.index.reserve(n);
    std::optional<std::uint32_t> last_checked;
    for (std::uint32_t i = 0; i < n; ++i) {
        std::size_t end = names;
        while (end < body.size() && body[end] != 0)
            ++end;
        if (end >= body.size())
            return format("index names end after %u of %u", i, n);
        std::uint32_t offset = big_endian_u32(body, 4 + static_cast<std::size_t>(i) * 4);
        // The names of one member follow each other: its header is checked
        // once for all of them.
        if (last_checked != offset) {
            HeaderRead member = read_header(a.bytes, offset);
            if (!member.header)
                return "index entry " + std::string(reinterpret_cast<const char*>(body.data() + names), end - names) +
                       ": " + member.problem;
            last_checked = offset;
        }
        a.index.push_back({std::string(reinterpret_cast<const char*>(body.data() + names), end - names), offset});
        names = end + 1;
    }
    return {};
}

std::size_t even(std::size_t pos)
{
    return pos + (pos & 1);
}

/* A member name: "/<digits>" refers into the long-name member; otherwise
   the name runs to the first '/', NUL or blank. */
std::string member_name(const InputFile& a, const std::string& raw)
{
    if (raw.size() > 1 && raw[0] == '/' && raw[1] >= '0' && raw[1] <= '9') {
        auto offset = parse_u32(trim(std::string_view(raw).substr(1)));
        if (!offset || *offset >= a.long_names.size())
            return {};
        std::size_t end = a.long_names.find_first_of(std::string_view("/\n\0", 3), *offset);
        return a.long_names.substr(*offset, end == std::string::npos ? std::string::npos : end - *offset);
    }
    if (!raw.empty() && raw[0] == '/')
        return {};
    std::size_t end = raw.find_first_of(std::string_view("/ \0", 3));
    return raw.substr(0, std::min<std::size_t>(end, 15));
}

}  // namespace

/* The archive test: the signature, then the first linker member (when the
   archive has one), a second linker member that is skipped, and the
   long-name member. An archive without an index contributes no members;
   one whose headers or index are damaged is still an archive, with its
   damage noted for the caller to report. */
bool CheckIfDotLib(InputFile& a)
{
    const std::string_view signature = coff::kArchiveSignature;
    if (a.bytes.size() < signature.size() || std::memcmp(a.bytes.data(), signature.data(), signature.size()) != 0)
        return false;
    a.index.clear();
    a.long_names.clear();
    a.damage.clear();
    a.kind = FileKind::Archive;
    std::size_t pos = signature.size();
    if (pos == a.bytes.size())
        return true;
    HeaderRead first = read_header(a.bytes, pos);
    if (!first.header) {
        a.damage = first.problem;
        return true;
    }
    if (first.header->raw_name == coff::kLinkerMemberName) {
        a.damage = read_index(a, *first.header);
        if (!a.damage.empty()) {
            a.index.clear();
            return true;
        }
        pos = even(first.header->data_pos + first.header->size);
        if (pos < a.bytes.size()) {
            HeaderRead second = read_header(a.bytes, pos);
            if (!second.header) {
                a.damage = second.problem;
                a.index.clear();
                return true;
            }
            if (second.header->raw_name.starts_with("/ "))
                pos = even(second.header->data_pos + second.header->size);
        }
    }
    auto names = read_member_header(a.bytes, pos);
    if (names && names->raw_name.starts_with("// ")) {
        a.long_names.assign(reinterpret_cast<const char*>(a.bytes.data() + names->data_pos), names->size);
    }
    return true;
}

/* The member whose header is at header_offset, opened once and cached.
   Nothing when the header is unreadable. */
InputFile* open_archive_member(InputFile& a, std::uint32_t header_offset)
{
    auto it = a.members.find(header_offset);
    if (it != a.members.end())
        return it->second.get();
    auto header = read_member_header(a.bytes, header_offset);
    if (!header)
        return nullptr;
    auto m = std::make_unique<InputFile>();
    m->archive = &a;
    m->member_offset = header_offset;
    m->member_name = member_name(a, header->raw_name);
    m->name = m->member_name;
    m->host_path = a.host_path;
    m->data = a.data;
    m->bytes = a.bytes.subspan(header->data_pos, header->size);
    InputFile* raw = m.get();
    a.members.emplace(header_offset, std::move(m));
    return raw;
}

}  // namespace vyn::lnk
