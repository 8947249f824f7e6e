// The PE32 reader: DOS stub, PE headers, section table. The directories
// (imports, exports, base relocations, TLS) are read in pe_directories.cpp. It reads
// the file plainly, field by field, in the order the loader needs.
#include "testing/i386/pe_image.h"

#include "testing/i386/pe_reading.h"

#include "common/byte_reader.h"
#include "common/strings.h"

#include <algorithm>

namespace vyn::i386 {

namespace {

constexpr std::uint32_t kPageSize = 0x1000;
constexpr std::uint32_t kAllocationGranularity = 0x10000;  // where images may be based
constexpr std::uint32_t kDefaultStackReserve = 1u << 20;
constexpr std::uint32_t kStackGranularity = 0x10000;

std::uint32_t round_up(std::uint64_t value, std::uint32_t granularity)
{
    return static_cast<std::uint32_t>((value + granularity - 1) / granularity * granularity);
}

// The DOS header, the PE signature, the file header and the optional header.
bool read_headers(ByteReader file, PeImage& image, Headers& headers, std::string& error)
{
    if (file.u16() != coff::kDosSignature || !file.ok())
        return fail(error, "not an executable image (no MZ signature)");
    file.seek(coff::kDosLfanewOffset);
    std::uint32_t pe_offset = file.u32();
    if (!file.ok() || !file.seek(pe_offset) || file.u32() != coff::kPeSignature || !file.ok())
        return fail(error, "no PE signature at the offset the DOS header gives");
    coff::FileHeader file_header = coff::read_file_header(file);
    headers.section_count = file_header.section_count;
    if (!file.ok())
        return fail(error, "truncated file header");
    if (file_header.machine != coff::machine::kI386)
        return fail(error,
                    "machine " + hex(file_header.machine) + " is not the i386 (" + hex(coff::machine::kI386) + ")");
    std::size_t optional_start = file.position();
    std::uint16_t optional_size = file_header.optional_header_size;
    ByteReader optional = file.sub(optional_start, optional_size);
    if (!file.ok() || optional_size < coff::optional_header32::kDirectories)
        return fail(error, "truncated optional header");
    if (optional.u16() != coff::kOptionalMagicPe32)
        return fail(error, "optional header is not PE32 (magic " + hex(coff::kOptionalMagicPe32) + ")");
    namespace field = coff::optional_header32;
    optional.seek(field::kEntryPoint);
    image.entry_rva = optional.u32();
    optional.seek(field::kImageBase);
    image.image_base = optional.u32();
    optional.seek(field::kSectionAlignment);
    image.section_alignment = optional.u32();
    optional.seek(field::kSizeOfImage);
    headers.size_of_image = optional.u32();
    optional.seek(field::kSizeOfHeaders);
    headers.size_of_headers = optional.u32();
    optional.seek(field::kDllCharacteristics);
    std::uint16_t dll_characteristics = optional.u16();
    optional.seek(field::kSizeOfStackReserve);
    headers.stack_reserve = optional.u32();
    optional.seek(field::kDirectoryCount);
    std::uint32_t directory_count = optional.u32();
    for (std::size_t i = 0; i < std::min<std::size_t>(directory_count, coff::data_directory::kCount); ++i) {
        if (!optional.seek(field::kDirectories + coff::kDataDirectorySize * i))
            break;
        headers.directories[i].rva = optional.u32();
        headers.directories[i].size = optional.u32();
    }
    if (!optional.ok())
        return fail(error, "truncated optional header");
    image.relocations_stripped = (file_header.characteristics & coff::file_flags::kRelocsStripped) != 0;
    image.dll = (file_header.characteristics & coff::file_flags::kDll) != 0;
    image.nx_compatible = (dll_characteristics & coff::dll_flags::kNxCompatible) != 0;
    headers.section_table = optional_start + optional_size;
    return true;
}

bool check_layout(PeImage& image, const Headers& headers, std::size_t file_size, std::string& error)
{
    if (image.image_base % kAllocationGranularity != 0)
        return fail(error, "image base " + hex(image.image_base) + " is not a multiple of 64 KB");
    if (image.section_alignment == 0 || (image.section_alignment & (image.section_alignment - 1)) != 0)
        return fail(error, "section alignment " + hex(image.section_alignment) + " is not a power of two");
    if (headers.size_of_image == 0 || headers.size_of_image > kMaxImageSize)
        return fail(error, "implausible size of image " + hex(headers.size_of_image));
    if (headers.size_of_headers > headers.size_of_image || headers.size_of_headers > file_size)
        return fail(error, "size of headers " + hex(headers.size_of_headers) + " lies beyond the file or image");
    if (image.entry_rva >= headers.size_of_image)
        return fail(error, "entry point " + hex(image.entry_rva) + " lies outside the image");
    if (headers.section_count > kMaxSections)
        return fail(error, std::to_string(headers.section_count) + " sections; the loader maps at most " +
                               std::to_string(kMaxSections));
    if (headers.stack_reserve > kMaxStackReserve)
        return fail(error, "stack reserve " + hex(headers.stack_reserve) + " does not fit the address space");
    image.size_of_image = round_up(headers.size_of_image, kPageSize);
    image.stack_reserve = round_up(headers.stack_reserve ? headers.stack_reserve : kDefaultStackReserve,
                                   kStackGranularity);
    return true;
}

std::uint32_t protection(std::uint32_t characteristics)
{
    namespace flag = coff::section_flags;
    return ((characteristics & flag::kRead) ? kRead : 0) | ((characteristics & flag::kWrite) ? kWrite : 0) |
           ((characteristics & flag::kExecute) ? kExecute : 0);
}

// The section table: each section's place in the image and a view of its raw
// data. Sections must ascend without overlapping, as the system's loader
// requires, which also keeps the image's picture simple to search.
bool read_sections(ByteReader file, const Headers& headers, PeImage& image, std::string& error)
{
    ByteReader table = file.sub(headers.section_table, headers.section_count * coff::kSectionHeaderSize);
    if (!file.ok())
        return fail(error, "section table lies beyond the end of the file");
    std::uint64_t previous_end = headers.size_of_headers;
    for (std::uint16_t i = 0; i < headers.section_count; ++i) {
        coff::SectionHeader header = coff::read_section_header(table);
        Section section;
        section.name = std::move(header.name);
        section.rva = header.virtual_address;
        section.protection = protection(header.characteristics);
        std::uint32_t virtual_size = header.virtual_size;
        std::uint32_t raw_size = header.raw_size;
        std::uint32_t raw_offset = header.raw_pos;
        std::uint32_t copy = virtual_size ? std::min(virtual_size, raw_size) : raw_size;
        section.virtual_size = std::max(virtual_size, copy);
        std::uint64_t end = std::uint64_t(section.rva) + section.virtual_size;
        if (end > image.size_of_image)
            return fail(error, "section " + section.name + " lies outside the image");
        if (section.rva < previous_end)
            return fail(error, "section " + section.name + " overlaps the headers or the section before it");
        // The whole raw extent must be in the file, padding included: a file
        // cut short there has lost more than padding.
        if (raw_size != 0 && std::uint64_t(raw_offset) + raw_size > file.size())
            return fail(error, "section " + section.name + " data lies beyond the end of the file");
        if (copy != 0)
            section.data = file.bytes().subspan(raw_offset, copy);
        previous_end = end;
        image.sections.push_back(std::move(section));
    }
    return true;
}

}  // namespace

bool fail(std::string& error, const std::string& message)
{
    error = message;
    return false;
}

std::string hex(std::uint32_t value)
{
    return format("0x%x", value);
}

std::span<const std::uint8_t> file_bytes_at(const PeImage& image, std::uint32_t rva)
{
    if (rva < image.headers.size())
        return image.headers.subspan(rva);
    auto after = std::upper_bound(image.sections.begin(), image.sections.end(), rva,
                                  [](std::uint32_t value, const Section& s) { return value < s.rva; });
    if (after == image.sections.begin())
        return {};
    const Section& s = *(after - 1);
    if (rva - s.rva >= s.data.size())
        return {};
    return s.data.subspan(rva - s.rva);
}

bool PeImage::read(std::uint32_t rva, std::span<std::uint8_t> out) const
{
    if (std::uint64_t(rva) + out.size() > size_of_image)
        return false;
    std::fill(out.begin(), out.end(), 0);
    auto copy_from = [&](std::uint32_t from_rva, std::span<const std::uint8_t> bytes) {
        std::uint64_t begin = std::max<std::uint64_t>(rva, from_rva);
        std::uint64_t end = std::min<std::uint64_t>(std::uint64_t(rva) + out.size(), from_rva + bytes.size());
        for (std::uint64_t at = begin; at < end; ++at)
            out[at - rva] = bytes[at - from_rva];
    };
    copy_from(0, headers);
    auto first = std::upper_bound(sections.begin(), sections.end(), rva,
                                  [](std::uint32_t value, const Section& s) { return value < s.rva; });
    if (first != sections.begin())
        --first;
    for (auto s = first; s != sections.end() && s->rva < std::uint64_t(rva) + out.size(); ++s)
        copy_from(s->rva, s->data);
    return true;
}

bool read_pe_image(std::span<const std::uint8_t> bytes, PeImage& image, std::string& error)
{
    ByteReader file(bytes);
    Headers headers;
    image = PeImage{};
    if (!read_headers(file, image, headers, error) || !check_layout(image, headers, bytes.size(), error))
        return false;
    image.headers = bytes.first(headers.size_of_headers);
    return read_sections(file, headers, image, error) && read_imports(headers, image, bytes.size(), error) &&
           read_exports(headers, image, bytes.size(), error) && read_relocations(headers, image, error) && read_tls(headers, image, error);
}

}  // namespace vyn::i386
