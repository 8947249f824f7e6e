// The directories the loader follows: imports, base relocations and TLS.
// Their tables are reached through RVAs, read from the image's picture
// (file data where there is some, zeros elsewhere), and every count is
// bounded while it is read: a table cannot make the reader keep more than the
// file holds.
#include "testing/i386/pe_reading.h"

#include "common/byte_reader.h"

#include <algorithm>

namespace vyn::i386 {

namespace {

constexpr std::size_t kImportDescriptorSize = 20;
constexpr std::uint32_t kTlsDirectorySize = 24;
constexpr std::uint32_t kOrdinalFlag = 0x80000000u;
enum RelocationType : std::uint8_t { kAbsolute = 0, kHigh = 1, kLow = 2, kHighLow = 3 };

bool read_u32(const PeImage& image, std::uint64_t rva, std::uint32_t& value)
{
    std::uint8_t b[4];
    if (rva > image.size_of_image || !image.read(static_cast<std::uint32_t>(rva), b))
        return false;
    value = b[0] | (b[1] << 8) | (b[2] << 16) | (std::uint32_t(b[3]) << 24);
    return true;
}

// The NUL-terminated string at rva, of at most limit characters; false when
// it is longer or leaves the image. File data that ends inside its section
// is followed by zeros, which end the string.
bool read_string(const PeImage& image, std::uint32_t rva, std::size_t limit, std::string& text)
{
    if (rva >= image.size_of_image)
        return false;
    std::span<const std::uint8_t> bytes = file_bytes_at(image, rva);
    auto searched = bytes.first(std::min(bytes.size(), limit + 1));
    auto nul = std::find(searched.begin(), searched.end(), 0);
    if (nul == searched.end()) {
        std::uint64_t next = std::uint64_t(rva) + bytes.size();
        if (bytes.size() > limit || next >= image.size_of_image ||
            !file_bytes_at(image, static_cast<std::uint32_t>(next)).empty())
            return false;
    }
    text.assign(searched.begin(), nul);
    return true;
}

struct ImportWalk {
    PeImage& image;
    std::size_t file_size;
    std::size_t name_bytes = 0;  // name_bytes <= file_size: names are read from the file
    std::string& error;
};

// The name of an import: "#ordinal" or the string after the hint.
bool import_name(ImportWalk& walk, const std::string& dll, std::uint32_t entry, std::string& name)
{
    if (entry & kOrdinalFlag) {
        name = "#" + std::to_string(entry & 0xFFFF);
        return true;
    }
    if (std::uint64_t(entry) + 2 >= walk.image.size_of_image ||
        !read_string(walk.image, entry + 2, kMaxImportNameLength, name))
        return fail(walk.error, "import name of " + dll + " lies outside the image or is longer than " +
                                    std::to_string(kMaxImportNameLength) + " characters");
    walk.name_bytes += name.size() + 1;
    if (walk.name_bytes > walk.file_size)
        return fail(walk.error, "import names of " + dll + " add up to more than the file holds");
    return true;
}

// One descriptor's functions; the lookup table is the original first thunk
// when the linker wrote one, else the IAT itself.
bool read_thunks(ImportWalk& walk, const std::string& dll, std::uint32_t lookup_rva, std::uint32_t iat_rva)
{
    PeImage& image = walk.image;
    for (std::uint64_t index = 0;; ++index) {
        std::uint32_t entry = 0;
        std::uint64_t slot = iat_rva + 4 * index;
        if (!read_u32(image, lookup_rva + 4 * index, entry) || slot + 4 > image.size_of_image)
            return fail(walk.error, "import table of " + dll + " runs off the image");
        if (entry == 0)
            return true;
        if (image.imports.size() == kMaxImports)
            return fail(walk.error, "more than " + std::to_string(kMaxImports) + " imported functions");
        ImportedFunction function{dll, {}, static_cast<std::uint32_t>(slot)};
        if (!import_name(walk, dll, entry, function.name))
            return false;
        image.imports.push_back(std::move(function));
    }
}

// Reads one relocation block at the start of block; its size is checked
// against what is left of the directory.
bool read_relocation_block(PeImage& image, ByteReader block, std::uint32_t& block_size, std::string& error)
{
    std::uint32_t page = block.u32();
    block_size = block.u32();
    if (!block.ok() || block_size < 8 || block_size % 2 != 0 || block_size > block.size())
        return fail(error, "relocation block for page " + hex(page) + " has a bad size " + hex(block_size));
    for (std::uint32_t i = 0; i < (block_size - 8) / 2; ++i) {
        std::uint16_t entry = block.u16();
        auto type = static_cast<std::uint8_t>(entry >> 12);
        std::uint64_t rva = std::uint64_t(page) + (entry & 0xFFF);
        if (type == kAbsolute)
            continue;
        if (type != kHigh && type != kLow && type != kHighLow)
            return fail(error, "relocation type " + std::to_string(type) + " at " + hex(std::uint32_t(rva)) +
                                   " is not an i386 relocation");
        if (rva + (type == kHighLow ? 4 : 2) > image.size_of_image)
            return fail(error, "relocation at " + hex(std::uint32_t(rva)) + " lies outside the image");
        image.relocations.push_back({static_cast<std::uint32_t>(rva), type});
    }
    return true;
}

bool inside_image(const PeImage& image, std::uint32_t va)
{
    return va >= image.image_base && va - image.image_base < image.size_of_image;
}

}  // namespace

bool read_imports(const Headers& headers, PeImage& image, std::size_t file_size, std::string& error)
{
    std::uint32_t at = headers.directories[kImportDirectory].rva;
    if (at == 0)
        return true;
    ImportWalk walk{image, file_size, 0, error};
    for (std::uint32_t count = 0;; ++count, at += kImportDescriptorSize) {
        std::uint8_t bytes[kImportDescriptorSize];
        if (std::uint64_t(at) + kImportDescriptorSize > image.size_of_image || !image.read(at, bytes))
            return fail(error, "import directory runs off the image");
        ByteReader descriptor(bytes);
        std::uint32_t lookup_rva = descriptor.u32();
        descriptor.skip(8);
        std::uint32_t name_rva = descriptor.u32();
        std::uint32_t iat_rva = descriptor.u32();
        if (name_rva == 0 && iat_rva == 0)
            return true;
        if (count == kMaxImports)
            return fail(error, "more than " + std::to_string(kMaxImports) + " import descriptors");
        std::string dll;
        if (!read_string(image, name_rva, kMaxDllNameLength, dll))
            return fail(error, "import DLL name lies outside the image or is longer than " +
                                   std::to_string(kMaxDllNameLength) + " characters");
        if (!read_thunks(walk, dll, lookup_rva ? lookup_rva : iat_rva, iat_rva))
            return false;
    }
}

// The base relocations, kept whether or not the image will be moved, so
// that a damaged table is found whatever the base.
bool read_relocations(const Headers& headers, PeImage& image, std::string& error)
{
    DirectoryEntry directory = headers.directories[kRelocationDirectory];
    if (directory.rva == 0 || directory.size == 0)
        return true;
    if (std::uint64_t(directory.rva) + directory.size > image.size_of_image)
        return fail(error, "relocation directory runs off the image");
    for (std::uint32_t offset = 0; offset < directory.size;) {
        std::uint32_t rva = directory.rva + offset;
        std::span<const std::uint8_t> bytes = file_bytes_at(image, rva);
        ByteReader block(bytes.first(std::min<std::size_t>(bytes.size(), directory.size - offset)));
        std::uint32_t block_size = 0;
        if (!read_relocation_block(image, block, block_size, error))
            return false;
        offset += block_size;
    }
    return true;
}

bool read_tls(const Headers& headers, PeImage& image, std::string& error)
{
    DirectoryEntry directory = headers.directories[kTlsDirectory];
    if (directory.rva == 0)
        return true;
    std::uint8_t bytes[kTlsDirectorySize];
    if (directory.size < kTlsDirectorySize || std::uint64_t(directory.rva) + kTlsDirectorySize > image.size_of_image ||
        !image.read(directory.rva, bytes))
        return fail(error, "TLS directory runs off the image");
    ByteReader fields(bytes);
    TlsDirectory& tls = image.tls;
    tls.present = true;
    tls.template_start = fields.u32();
    tls.template_end = fields.u32();
    tls.index_address = fields.u32();
    tls.callbacks_address = fields.u32();
    tls.zero_fill = fields.u32();
    if (tls.template_start != tls.template_end &&
        (!inside_image(image, tls.template_start) || tls.template_end < tls.template_start ||
         tls.template_end - image.image_base > image.size_of_image))
        return fail(error, "TLS template lies outside the image");
    if (!inside_image(image, tls.index_address) || tls.index_address - image.image_base + 4 > image.size_of_image)
        return fail(error, "TLS index lies outside the image");
    if (tls.callbacks_address != 0 && !inside_image(image, tls.callbacks_address))
        return fail(error, "TLS callbacks lie outside the image");
    if (tls.zero_fill > kMaxImageSize)
        return fail(error, "TLS zero fill " + hex(tls.zero_fill) + " is implausible");
    return true;
}

}  // namespace vyn::i386
