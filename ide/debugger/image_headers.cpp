// The PE headers and the debug directory of an image.
#include "common/coff_format.h"
#include "common/strings.h"
#include "ide/debugger/image_reader.h"

#include <algorithm>
#include <cctype>

namespace vyn::dbg {

namespace pe = vyn::coff;

void ImageReader::damage(const std::string& what)
{
    if (!damaged_)
        tell_("Damaged debug information in " + name_ + ": " + what);
    damaged_ = true;
}

bool ImageReader::check_dos_header()
{
    std::uint16_t magic = 0;
    if (!read_u16_at(file_, 0, magic) || magic != pe::kDosSignature) {
        tell_("Unrecognized file format");
        return false;
    }
    return true;
}

/* The file header, the 224-byte optional header and the section table.
   Headers that do not fit the file are an unrecognised format. */
bool ImageReader::read_headers(bool need_symbols, bool attaching)
{
    std::uint32_t lfanew = 0, signature = 0;
    if (!read_u32_at(file_, pe::kDosLfanewOffset, lfanew) || !read_u32_at(file_, lfanew, signature) ||
        signature != pe::kPeSignature) {
        tell_("Unrecognized file format");
        return false;
    }
    ByteReader r(file_);
    r.seek(std::size_t{lfanew} + 4);
    pe::FileHeader fh = pe::read_file_header(r);
    if (!r.ok() || fh.optional_header_size < pe::kOptionalHeaderSize32) {
        tell_("Unrecognized file format");
        return false;
    }
    if (need_symbols && (fh.symbol_table_pos == 0 || fh.symbol_count == 0)) {
        tell_(attaching ? "Impossible to attach\nNo debug information in executable"
                        : "No debugging information in " + name_);
        return false;
    }
    optional_header_pos_ = static_cast<std::uint32_t>(r.position());
    std::span<const std::uint8_t> opt = r.take(pe::kOptionalHeaderSize32);
    if (!r.ok()) {
        tell_("Unrecognized file format");
        return false;
    }
    d_.optional_header.assign(opt.begin(), opt.end());
    ByteReader o(opt);
    auto u32 = [&o](std::size_t at) { o.seek(at); return o.u32(); };
    d_.base_of_code = u32(pe::optional_header32::kBaseOfCode);
    d_.code_start = d_.image_base + d_.base_of_code;
    d_.code_end = d_.code_start + u32(pe::optional_header32::kSizeOfCode);
    d_.data_start = d_.image_base + u32(pe::optional_header32::kBaseOfData);
    d_.data_end = d_.data_start + u32(pe::optional_header32::kSizeOfInitializedData) +
                  u32(pe::optional_header32::kSizeOfUninitializedData);
    d_.entry_point_rva = u32(pe::optional_header32::kEntryPoint);
    o.seek(pe::optional_header32::kSubsystem);
    d_.console = o.u16() == pe::subsystem::kWindowsCui;

    d_.symbol_table_pos = fh.symbol_table_pos;
    d_.symbol_count = fh.symbol_count;
    d_.string_table_pos = fh.symbol_table_pos + fh.symbol_count * static_cast<std::uint32_t>(pe::kSymbolSize);

    r.seek(std::size_t{optional_header_pos_} + fh.optional_header_size);
    d_.sections.clear();
    for (std::uint16_t i = 0; i < fh.section_count; ++i) {
        pe::SectionHeader h = pe::read_section_header(r);
        if (!r.ok()) {
            tell_("Unrecognized file format");
            return false;
        }
        d_.sections.push_back({h.name, h.virtual_size, h.virtual_address, h.raw_size, h.raw_pos});
    }
    return true;
}

// Section names compare on their first 8 characters, ignoring case.
const DebugInfo::Section* ImageReader::section_named(std::string_view name) const
{
    for (const DebugInfo::Section& s : d_.sections) {
        std::string_view a = std::string_view(s.name).substr(0, pe::kSectionNameSize);
        std::string_view b = name.substr(0, pe::kSectionNameSize);
        if (a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
            }))
            return &s;
    }
    return nullptr;
}

const DebugInfo::Section* ImageReader::section_of_rva(std::uint32_t rva) const
{
    for (const DebugInfo::Section& s : d_.sections) {
        std::uint32_t size = std::max(s.virtual_size, s.raw_size);
        if (rva >= s.virtual_address && rva - s.virtual_address < size)
            return &s;
    }
    return nullptr;
}

/* Entry 6 of the data directories: in a ".debug" section at that RVA its
   size counts entries; otherwise it lies in ".rdata" and its size counts
   bytes. Entries past the end of the file are not read. */
bool ImageReader::read_debug_directory()
{
    ByteReader o(d_.optional_header);
    o.seek(pe::optional_header32::kDirectories + pe::data_directory::kDebug * pe::kDataDirectorySize);
    std::uint32_t rva = o.u32(), size = o.u32();
    if (rva == 0)
        return true;
    std::uint64_t position = 0, count = 0;
    const DebugInfo::Section* debug = section_named(".debug");
    if (debug && debug->virtual_address == rva) {
        position = debug->raw_pos;
        count = size;
    } else {
        const DebugInfo::Section* rdata = section_named(".rdata");
        if (!rdata)
            return true;
        count = size / pe::kDebugDirectoryEntrySize;
        position = std::uint64_t{rdata->raw_pos} + rva - rdata->virtual_address;
        if (rva < rdata->virtual_address) {
            damage("the debug directory lies outside its section");
            return false;
        }
    }
    if (count == 0)
        return true;
    if (position + count * pe::kDebugDirectoryEntrySize > file_.size()) {
        damage("the debug directory runs past the end of the file");
        return false;
    }
    debug_directory_ = file_.subspan(static_cast<std::size_t>(position),
                                     static_cast<std::size_t>(count * pe::kDebugDirectoryEntrySize));
    bool ok = true;
    for (std::uint64_t i = 0; i < count; ++i) {
        ByteReader e(debug_directory_.subspan(static_cast<std::size_t>(i * pe::kDebugDirectoryEntrySize),
                                              pe::kDebugDirectoryEntrySize));
        e.seek(pe::debug_entry::kType);
        std::uint32_t type = e.u32(), data_size = e.u32();
        e.seek(pe::debug_entry::kPosition);
        std::uint32_t data_pos = e.u32();
        if (type == pe::debug_type::kCoff && d_.symbol_count != 0)
            d_.coff_debug_pos = data_pos;
        if (type == pe::debug_type::kCodeView && data_size != 0) {
            d_.codeview_entry.assign(e.bytes().begin(), e.bytes().end());
            ok = read_codeview(data_pos, data_size) && ok;
            d_.has_codeview = true;
        }
    }
    return ok;
}

/* The import descriptors of the section holding the import directory (or
   ".idata"): one entry per function imported by name. Unreadable data ends
   the walk without a message. */
void ImageReader::read_imports()
{
    ByteReader o(d_.optional_header);
    o.seek(pe::optional_header32::kDirectories + pe::data_directory::kImport * pe::kDataDirectorySize);
    std::uint32_t rva = o.u32();
    const DebugInfo::Section* s = rva ? section_of_rva(rva) : section_named(".idata");
    if (!s)
        return;
    if (rva == 0)
        rva = s->virtual_address;
    auto file_pos = [s](std::uint32_t a) -> std::uint64_t {
        return std::uint64_t{a} - s->virtual_address + s->raw_pos;
    };
    auto string_at = [this, &file_pos](std::uint32_t a, std::string& out) {
        std::uint64_t p = file_pos(a);
        if (p >= file_.size())
            return false;
        ByteReader r(file_.subspan(static_cast<std::size_t>(p)));
        out = r.c_string();
        return r.ok();
    };
    for (std::uint64_t d = file_pos(rva); d + pe::kImportDescriptorSize <= file_.size();
         d += pe::kImportDescriptorSize) {
        ByteReader r(file_.subspan(static_cast<std::size_t>(d), pe::kImportDescriptorSize));
        r.seek(pe::import_descriptor::kTimeStamp);
        std::uint32_t stamp = r.u32();
        r.seek(pe::import_descriptor::kName);
        std::uint32_t name_rva = r.u32(), iat = r.u32();
        std::string dll;
        if ((stamp == 0 && name_rva == 0) || !string_at(name_rva, dll))
            return;
        for (std::uint64_t t = file_pos(iat);; t += 4) {
            std::uint32_t entry = 0;
            if (t > file_.size() || !read_u32_at(file_, static_cast<std::size_t>(t), entry) || entry == 0 ||
                (entry & pe::kImportByOrdinal))
                break;
            std::string function;
            if (!string_at(entry + static_cast<std::uint32_t>(pe::kHintNameNameOffset), function))
                break;
            d_.imports.push_back({function, dll, 0, 0});
        }
    }
}

}  // namespace vyn::dbg
