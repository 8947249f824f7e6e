// The directories the loader follows: imports, exports, base relocations
// and TLS.
// Their tables are reached through RVAs, read from the image's picture
// (file data where there is some, zeros elsewhere), and every count is
// bounded while it is read: a table cannot make the reader keep more than the
// file holds.
#include "testing/i386/pe_reading.h"

#include "common/byte_reader.h"

#include <algorithm>

namespace vyn::i386 {

namespace {

constexpr std::uint32_t kTlsIndexSize = 4;  // the 32-bit slot the loader stores the image's TLS index in

bool read_u32(const PeImage& image, std::uint64_t rva, std::uint32_t& value)
{
    std::uint8_t b[4];
    return rva <= image.size_of_image && image.read(static_cast<std::uint32_t>(rva), b) && read_u32_at(b, 0, value);
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

bool read_u16(const PeImage& image, std::uint64_t rva, std::uint16_t& value)
{
    std::uint8_t b[2];
    return rva <= image.size_of_image && image.read(static_cast<std::uint32_t>(rva), b) && read_u16_at(b, 0, value);
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
    namespace lookup = coff::import_entry32;
    if (entry & lookup::kOrdinalFlag) {
        name = "#" + std::to_string(entry & lookup::kOrdinalMask);
        return true;
    }
    if (std::uint64_t(entry) + lookup::kHintSize >= walk.image.size_of_image ||
        !read_string(walk.image, entry + lookup::kHintSize, kMaxImportNameLength, name))
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
        std::uint64_t slot = iat_rva + coff::import_entry32::kSize * index;
        if (!read_u32(image, lookup_rva + coff::import_entry32::kSize * index, entry) ||
            slot + coff::import_entry32::kSize > image.size_of_image)
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
    namespace reloc = coff::base_reloc;
    std::uint32_t page = block.u32();
    block_size = block.u32();
    if (!block.ok() || block_size < coff::kBaseRelocBlockHeaderSize || block_size % coff::kBaseRelocEntrySize != 0 ||
        block_size > block.size())
        return fail(error, "relocation block for page " + hex(page) + " has a bad size " + hex(block_size));
    const std::size_t entries = (block_size - coff::kBaseRelocBlockHeaderSize) / coff::kBaseRelocEntrySize;
    for (std::size_t i = 0; i < entries; ++i) {
        std::uint16_t entry = block.u16();
        std::uint8_t type = reloc::type(entry);
        std::uint64_t rva = std::uint64_t(page) + reloc::offset(entry);
        if (type == reloc::kAbsolute)
            continue;
        if (type != reloc::kHigh && type != reloc::kLow && type != reloc::kHighLow)
            return fail(error, "relocation type " + std::to_string(type) + " at " + hex(std::uint32_t(rva)) +
                                   " is not an i386 relocation");
        if (rva + relocation_width(type) > image.size_of_image)
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
    std::uint32_t at = headers.directories[coff::data_directory::kImport].rva;
    if (at == 0)
        return true;
    ImportWalk walk{image, file_size, 0, error};
    for (std::uint32_t count = 0;; ++count, at += coff::kImportDescriptorSize) {
        std::uint8_t bytes[coff::kImportDescriptorSize];
        if (std::uint64_t(at) + coff::kImportDescriptorSize > image.size_of_image || !image.read(at, bytes))
            return fail(error, "import directory runs off the image");
        namespace field = coff::import_descriptor;
        std::uint32_t lookup_rva = 0, name_rva = 0, iat_rva = 0;
        read_u32_at(bytes, field::kLookupTable, lookup_rva);
        read_u32_at(bytes, field::kName, name_rva);
        read_u32_at(bytes, field::kAddressTable, iat_rva);
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

namespace {

struct ExportWalk {
    PeImage& image;
    DirectoryEntry directory;
    std::size_t file_size;
    std::size_t name_bytes = 0;  // name_bytes <= file_size: names and forwarders are read from the file
    std::string& error;
};

bool export_string(ExportWalk& walk, std::uint32_t rva, std::string& text, const char* what)
{
    if (!read_string(walk.image, rva, kMaxImportNameLength, text))
        return fail(walk.error, std::string("export ") + what + " at " + hex(rva) +
                                    " lies outside the image or is longer than " +
                                    std::to_string(kMaxImportNameLength) + " characters");
    walk.name_bytes += text.size() + 1;
    if (walk.name_bytes > walk.file_size)
        return fail(walk.error, "export names add up to more than the file holds");
    return true;
}

// The address table: one export per used ordinal, positions[i] its place in
// image.exports (or -1 for an unused slot).
bool read_export_addresses(ExportWalk& walk, std::uint32_t ordinal_base, std::uint32_t count, std::uint32_t table,
                           std::vector<int>& positions)
{
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t address = 0;
        if (!read_u32(walk.image, std::uint64_t(table) + 4 * std::uint64_t(i), address))
            return fail(walk.error, "export address table runs off the image");
        if (address == 0)
            continue;
        Export e;
        e.ordinal = ordinal_base + i;
        bool forwarded = address >= walk.directory.rva && address - walk.directory.rva < walk.directory.size;
        if (forwarded) {
            if (!export_string(walk, address, e.forwarder, "forwarder"))
                return false;
        } else if (address >= walk.image.size_of_image) {
            return fail(walk.error, "export #" + std::to_string(e.ordinal) + " lies outside the image");
        } else {
            e.rva = address;
        }
        positions[i] = static_cast<int>(walk.image.exports.size());
        walk.image.exports.push_back(std::move(e));
    }
    return true;
}

}  // namespace

bool read_exports(const Headers& headers, PeImage& image, std::size_t file_size, std::string& error)
{
    DirectoryEntry directory = headers.directories[coff::data_directory::kExport];
    if (directory.rva == 0)
        return true;
    std::uint8_t bytes[coff::kExportDirectorySize];
    if (std::uint64_t(directory.rva) + coff::kExportDirectorySize > image.size_of_image ||
        !image.read(directory.rva, bytes))
        return fail(error, "export directory runs off the image");
    namespace field = coff::export_directory;
    std::uint32_t base = 0, functions = 0, names = 0, addresses = 0, pointers = 0, ordinals = 0;
    read_u32_at(bytes, field::kOrdinalBase, base);
    read_u32_at(bytes, field::kFunctionCount, functions);
    read_u32_at(bytes, field::kNameCount, names);
    read_u32_at(bytes, field::kAddressTable, addresses);
    read_u32_at(bytes, field::kNamePointers, pointers);
    read_u32_at(bytes, field::kOrdinalTable, ordinals);
    if (functions > kMaxExports || names > kMaxExports)
        return fail(error, "more than " + std::to_string(kMaxExports) + " exports");
    if (functions != 0 && std::uint64_t(base) + functions - 1 > coff::import_entry32::kOrdinalMask)
        return fail(error, "export ordinals go beyond " + std::to_string(coff::import_entry32::kOrdinalMask));
    ExportWalk walk{image, directory, file_size, 0, error};
    std::vector<int> positions(functions, -1);
    if (!read_export_addresses(walk, base, functions, addresses, positions))
        return false;
    for (std::uint32_t i = 0; i < names; ++i) {
        std::uint32_t name_rva = 0;
        std::uint16_t index = 0;
        if (!read_u32(image, std::uint64_t(pointers) + 4 * std::uint64_t(i), name_rva) ||
            !read_u16(image, std::uint64_t(ordinals) + 2 * std::uint64_t(i), index))
            return fail(error, "export name tables run off the image");
        if (index >= functions || positions[index] < 0)
            return fail(error, "export name " + std::to_string(i) + " refers to the unused ordinal " +
                                   std::to_string(std::uint64_t(base) + index));
        std::string name;
        if (!export_string(walk, name_rva, name, "name"))
            return false;
        Export& named = image.exports[static_cast<std::size_t>(positions[index])];
        if (named.name.empty()) {
            named.name = std::move(name);
        } else {  // a second name of the same function; its forwarder is a copy, counted again
            Export alias = named;
            alias.name = std::move(name);
            walk.name_bytes += alias.forwarder.size();
            if (walk.name_bytes > walk.file_size)
                return fail(error, "export names add up to more than the file holds");
            image.exports.push_back(std::move(alias));
        }
    }
    return true;
}

// The base relocations, kept whether or not the image will be moved, so
// that a damaged table is found whatever the base.
bool read_relocations(const Headers& headers, PeImage& image, std::string& error)
{
    DirectoryEntry directory = headers.directories[coff::data_directory::kBaseReloc];
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
    DirectoryEntry directory = headers.directories[coff::data_directory::kTls];
    if (directory.rva == 0)
        return true;
    std::uint8_t bytes[coff::kTlsDirectorySize32];
    if (directory.size < coff::kTlsDirectorySize32 ||
        std::uint64_t(directory.rva) + coff::kTlsDirectorySize32 > image.size_of_image ||
        !image.read(directory.rva, bytes))
        return fail(error, "TLS directory runs off the image");
    namespace field = coff::tls_directory32;
    TlsDirectory& tls = image.tls;
    tls.present = true;
    read_u32_at(bytes, field::kRawDataStart, tls.template_start);
    read_u32_at(bytes, field::kRawDataEnd, tls.template_end);
    read_u32_at(bytes, field::kIndexAddress, tls.index_address);
    read_u32_at(bytes, field::kCallbacks, tls.callbacks_address);
    read_u32_at(bytes, field::kZeroFillSize, tls.zero_fill);
    if (tls.template_start != tls.template_end &&
        (!inside_image(image, tls.template_start) || tls.template_end < tls.template_start ||
         tls.template_end - image.image_base > image.size_of_image))
        return fail(error, "TLS template lies outside the image");
    if (!inside_image(image, tls.index_address) ||
        tls.index_address - image.image_base + kTlsIndexSize > image.size_of_image)
        return fail(error, "TLS index lies outside the image");
    if (tls.callbacks_address != 0 && !inside_image(image, tls.callbacks_address))
        return fail(error, "TLS callbacks lie outside the image");
    if (tls.zero_fill > kMaxImageSize)
        return fail(error, "TLS zero fill " + hex(tls.zero_fill) + " is implausible");
    return true;
}

}  // namespace vyn::i386
