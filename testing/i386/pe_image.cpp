// The PE32 reader: DOS stub, PE headers, section table, import directory.
// It reads the file plainly, field by field, in the order the loader needs.
#include "testing/i386/pe_image.h"

#include "common/byte_reader.h"
#include "common/strings.h"

#include <algorithm>
#include <cstdio>

namespace vyn::i386 {

namespace {

constexpr std::uint16_t kMachineI386 = 0x14C;
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint32_t kPageSize = 0x1000;
// Larger images are taken for corrupt headers rather than allocated.
constexpr std::uint32_t kMaxImageSize = 256u << 20;
constexpr std::uint32_t kImportDirectory = 1;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kImportDescriptorSize = 20;

std::string hex(std::uint32_t value)
{
    return format("0x%x", value);
}

struct Headers {
    std::uint16_t section_count = 0;
    std::size_t section_table = 0;  // file offset of the first section header
    std::uint32_t size_of_image = 0;
    std::uint32_t size_of_headers = 0;
    std::uint32_t import_rva = 0;
    std::uint32_t import_size = 0;
};

bool fail(std::string& error, const std::string& message)
{
    error = message;
    return false;
}

// The DOS header, the PE signature, the file header and the optional header.
bool read_headers(ByteReader file, PeImage& image, Headers& headers, std::string& error)
{
    if (file.u16() != 0x5A4D || !file.ok())
        return fail(error, "not an executable image (no MZ signature)");
    file.seek(0x3C);
    std::uint32_t pe_offset = file.u32();
    if (!file.ok() || !file.seek(pe_offset) || file.u32() != 0x00004550 || !file.ok())
        return fail(error, "no PE signature at the offset the DOS header gives");
    std::uint16_t machine = file.u16();
    headers.section_count = file.u16();
    file.skip(12);
    std::uint16_t optional_size = file.u16();
    file.skip(2);
    if (!file.ok())
        return fail(error, "truncated file header");
    if (machine != kMachineI386)
        return fail(error, "machine " + hex(machine) + " is not the i386 (0x14c)");
    std::size_t optional_start = file.position();
    ByteReader optional = file.sub(optional_start, optional_size);
    if (!file.ok() || optional_size < 96)
        return fail(error, "truncated optional header");
    if (optional.u16() != kPe32Magic)
        return fail(error, "optional header is not PE32 (magic 0x10b)");
    optional.seek(16);
    image.entry_rva = optional.u32();
    optional.seek(28);
    image.image_base = optional.u32();
    optional.seek(56);
    headers.size_of_image = optional.u32();
    headers.size_of_headers = optional.u32();
    optional.seek(92);
    std::uint32_t directory_count = optional.u32();
    if (directory_count > kImportDirectory && optional.seek(96 + 8 * kImportDirectory)) {
        headers.import_rva = optional.u32();
        headers.import_size = optional.u32();
    }
    if (!optional.ok())
        return fail(error, "truncated optional header");
    headers.section_table = optional_start + optional_size;
    return true;
}

bool check_layout(const PeImage& image, const Headers& headers, std::size_t file_size, std::string& error)
{
    if (image.image_base % 0x10000 != 0)
        return fail(error, "image base " + hex(image.image_base) + " is not a multiple of 64 KB");
    if (headers.size_of_image == 0 || headers.size_of_image > kMaxImageSize)
        return fail(error, "implausible size of image " + hex(headers.size_of_image));
    if (std::uint64_t(image.image_base) + headers.size_of_image > 0x80000000u)
        return fail(error, "image does not fit below 2 GB");
    if (headers.size_of_headers > headers.size_of_image || headers.size_of_headers > file_size)
        return fail(error, "size of headers " + hex(headers.size_of_headers) + " lies beyond the file or image");
    if (image.entry_rva >= headers.size_of_image)
        return fail(error, "entry point " + hex(image.entry_rva) + " lies outside the image");
    return true;
}

// Copies each section's raw data to its RVA in the mapped image.
bool map_sections(ByteReader file, const Headers& headers, PeImage& image, std::string& error)
{
    ByteReader table = file.sub(headers.section_table, headers.section_count * kSectionHeaderSize);
    if (!file.ok())
        return fail(error, "section table lies beyond the end of the file");
    for (std::uint16_t i = 0; i < headers.section_count; ++i) {
        std::string name = table.fixed_string(8);
        std::uint32_t virtual_size = table.u32();
        std::uint32_t rva = table.u32();
        std::uint32_t raw_size = table.u32();
        std::uint32_t raw_offset = table.u32();
        table.skip(16);
        std::uint32_t copy = virtual_size ? std::min(virtual_size, raw_size) : raw_size;
        std::uint64_t extent = std::uint64_t(rva) + std::max(virtual_size, copy);
        if (extent > image.mapped.size())
            return fail(error, "section " + name + " lies outside the image");
        // The whole raw extent must be in the file, padding included: a file
        // cut short there has lost more than padding.
        if (raw_size != 0 && std::uint64_t(raw_offset) + raw_size > file.size())
            return fail(error, "section " + name + " data lies beyond the end of the file");
        if (copy == 0)
            continue;
        auto data = file.bytes().subspan(raw_offset, copy);
        std::copy(data.begin(), data.end(), image.mapped.begin() + rva);
    }
    return true;
}

// The name of an import: "#ordinal" or the string after the hint.
bool import_name(ByteReader& mapped, std::uint32_t entry, std::string& name)
{
    if (entry & 0x80000000u) {
        name = "#" + std::to_string(entry & 0xFFFF);
        return true;
    }
    if (!mapped.seek(entry) || !mapped.skip(2))
        return false;
    name = mapped.c_string();
    return mapped.ok();
}

// One descriptor's functions; the lookup table is the original first thunk
// when the linker wrote one, else the IAT itself.
bool read_thunks(ByteReader mapped, const std::string& dll, std::uint32_t lookup_rva, std::uint32_t iat_rva,
                 PeImage& image, std::string& error)
{
    for (std::uint32_t index = 0;; ++index) {
        std::uint32_t entry = 0;
        std::uint64_t slot = std::uint64_t(iat_rva) + 4 * index;
        if (!read_u32_at(mapped.bytes(), lookup_rva + std::size_t(4) * index, entry) || slot + 4 > mapped.size())
            return fail(error, "import table of " + dll + " runs off the image");
        if (entry == 0)
            return true;
        ImportedFunction function{dll, {}, static_cast<std::uint32_t>(slot)};
        if (!import_name(mapped, entry, function.name))
            return fail(error, "import name of " + dll + " lies outside the image");
        image.imports.push_back(std::move(function));
    }
}

bool read_imports(const Headers& headers, PeImage& image, std::string& error)
{
    if (headers.import_rva == 0)
        return true;
    ByteReader mapped(image.mapped);
    for (std::uint32_t at = headers.import_rva;; at += kImportDescriptorSize) {
        ByteReader descriptor = mapped.sub(at, kImportDescriptorSize);
        if (!mapped.ok())
            return fail(error, "import directory runs off the image");
        std::uint32_t lookup_rva = descriptor.u32();
        descriptor.skip(8);
        std::uint32_t name_rva = descriptor.u32();
        std::uint32_t iat_rva = descriptor.u32();
        if (name_rva == 0 && iat_rva == 0)
            return true;
        ByteReader name_reader = mapped.sub(name_rva, mapped.size() - std::min<std::size_t>(name_rva, mapped.size()));
        std::string dll = name_reader.c_string();
        if (!mapped.ok() || !name_reader.ok())
            return fail(error, "import DLL name lies outside the image");
        if (!read_thunks(mapped, dll, lookup_rva ? lookup_rva : iat_rva, iat_rva, image, error))
            return false;
    }
}

}  // namespace

bool read_pe_image(std::span<const std::uint8_t> bytes, PeImage& image, std::string& error)
{
    ByteReader file(bytes);
    Headers headers;
    image = PeImage{};
    if (!read_headers(file, image, headers, error) || !check_layout(image, headers, bytes.size(), error))
        return false;
    std::uint32_t mapped_size = (headers.size_of_image + kPageSize - 1) & ~(kPageSize - 1);
    image.mapped.assign(mapped_size, 0);
    std::copy_n(bytes.begin(), headers.size_of_headers, image.mapped.begin());
    return map_sections(file, headers, image, error) && read_imports(headers, image, error);
}

}  // namespace vyn::i386
