#include "resedit/res_file.h"

#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "common/strings.h"
#include "platform/files.h"
#include "resedit/dialog_template.h"
#include "resedit/utf16.h"

namespace vyn::resedit {
namespace {

constexpr std::size_t kFixedHeaderTail = 16;  // data version .. characteristics

std::size_t round4(std::size_t n) { return (n + 3) & ~std::size_t{3}; }

// Skips a type or name field (ordinal or NUL-terminated UTF-16) within
// [pos, end); false when it does not fit.
bool skip_name(std::span<const std::uint8_t> bytes, std::size_t& pos, std::size_t end)
{
    std::uint16_t first = 0;
    if (pos + 2 > end || !read_u16_at(bytes, pos, first))
        return false;
    if (first == 0xFFFF) {
        if (pos + 4 > end)
            return false;
        pos += 4;
        return true;
    }
    for (;;) {
        std::uint16_t unit = 0;
        if (pos + 2 > end || !read_u16_at(bytes, pos, unit))
            return false;
        pos += 2;
        if (unit == 0)
            return true;
    }
}

// One entry at start: its length including padding, or nothing when it is
// malformed.
std::optional<std::size_t> check_entry(std::span<const std::uint8_t> bytes, std::size_t start)
{
    std::size_t end = bytes.size();
    std::uint32_t data_size = 0, header_size = 0;
    if (end - start < 8 || !read_u32_at(bytes, start, data_size) || !read_u32_at(bytes, start + 4, header_size))
        return std::nullopt;
    std::size_t pos = start + 8;
    if (!skip_name(bytes, pos, end) || !skip_name(bytes, pos, end))
        return std::nullopt;
    pos = round4(pos);
    if (pos > end || end - pos < kFixedHeaderTail)
        return std::nullopt;
    pos += kFixedHeaderTail;
    if (pos - start != header_size)
        return std::nullopt;
    std::size_t padded = round4(data_size);
    if (padded < data_size || end - pos < padded)
        return std::nullopt;
    return pos + padded - start;
}

ResRecord parse_record(std::span<const std::uint8_t> bytes, std::size_t start)
{
    ResRecord rec;
    std::uint32_t data_size = 0, header_size = 0;
    read_u32_at(bytes, start, data_size);
    read_u32_at(bytes, start + 4, header_size);
    rec.header_size = header_size;
    auto whole = bytes.subspan(start, header_size + data_size);
    rec.bytes.assign(whole.begin(), whole.end());
    ByteReader r(rec.bytes);
    r.skip(8);
    auto read_name = [&] {
        NameOrId n;
        if (r.u16() == 0xFFFF) {
            n.is_ordinal = true;
            n.ordinal = r.u16();
        } else {
            r.seek(r.position() - 2);
            n.text = read_utf16z(r);
        }
        return n;
    };
    rec.type = read_name();
    rec.name = read_name();
    r.align(4);
    r.u32();
    rec.memory_flags = r.u16();
    rec.language = r.u16();
    if (rec.type.is_ordinal && rec.type.ordinal == kResTypeDialog) {
        Dialog d;
        if (parse_dialog_template(rec.data(), d)) {
            d.id = rec.name.is_ordinal ? rec.name.ordinal : 0;
            d.name = rec.name.is_ordinal ? std::string() : rec.name.text;
            rec.dialog = std::move(d);
        }
    }
    return rec;
}

std::string include_name(const ResRecord& rec)
{
    ByteReader r(rec.data());
    return read_utf16z(r);
}

void write_entry_header(ByteWriter& w, std::uint32_t data_size, std::uint16_t type, std::uint16_t name,
                        std::uint16_t memory_flags)
{
    w.u32(data_size);
    w.u32(0x20);
    w.u16(0xFFFF);
    w.u16(type);
    w.u16(0xFFFF);
    w.u16(name);
    w.u32(0);  // data version
    w.u16(memory_flags);
    w.u16(0);  // language
    w.u32(0);  // version
    w.u32(0);  // characteristics
}

}  // namespace

std::optional<ResError> validate_res(std::span<const std::uint8_t> bytes)
{
    std::size_t pos = 0;
    int entry = 1;
    while (pos < bytes.size()) {
        auto length = check_entry(bytes, pos);
        if (!length)
            return ResError{entry, pos};
        pos += *length;
        ++entry;
    }
    return std::nullopt;
}

std::optional<ResFile> read_res(std::span<const std::uint8_t> bytes, Ui& ui)
{
    if (auto error = validate_res(bytes)) {
        ui.message(format("Error at resource Nr %d, position %d", error->entry, static_cast<int>(error->position)));
        return std::nullopt;
    }
    ResFile file;
    for (std::size_t pos = 0; pos < bytes.size();) {
        std::size_t length = *check_entry(bytes, pos);
        ResRecord rec = parse_record(bytes, pos);
        pos += length;
        if (rec.type.is_ordinal && rec.type.ordinal == kResTypeInclude)
            file.include_file = include_name(rec);
        else if (!(rec.type.is_ordinal && rec.type.ordinal == 0))
            file.records.push_back(std::move(rec));
    }
    return file;
}

std::vector<std::uint8_t> write_res(const ResFile& file)
{
    ByteWriter w;
    write_entry_header(w, 0, 0, 0, 0);
    if (!file.include_file.empty()) {
        ByteWriter name;
        write_utf16z(name, file.include_file);
        write_entry_header(w, static_cast<std::uint32_t>(name.size()), kResTypeInclude, 1, 0x1030);
        w.bytes(name.bytes());
        w.align(4);
    }
    for (const ResRecord& rec : file.records) {
        w.bytes(rec.bytes);
        w.align(4);
    }
    return w.release();
}

ResRecord ordinal_record(std::uint16_t type, std::uint16_t name, std::uint16_t memory_flags, std::uint16_t language,
                         std::span<const std::uint8_t> data)
{
    ByteWriter w;
    w.u32(0);
    w.u32(0x20);
    w.u16(0xFFFF);
    w.u16(type);
    w.u16(0xFFFF);
    w.u16(name);
    w.u32(0);  // data version
    w.u16(memory_flags);
    w.u16(language);
    w.u32(0);  // version
    w.u32(0);  // characteristics
    ResRecord rec;
    rec.bytes = w.release();
    rec.header_size = 0x20;
    rec.type = {true, type, {}};
    rec.name = {true, name, {}};
    rec.memory_flags = memory_flags;
    rec.language = language;
    set_record_data(rec, data);
    return rec;
}

void rename_record(ResRecord& record, const std::string& name)
{
    // The header ends with 16 fixed bytes (data version, memory flags,
    // language, version, characteristics), kept as they are.
    std::vector<std::uint8_t> tail(record.bytes.begin() + std::ptrdiff_t(record.header_size - 16),
                                   record.bytes.begin() + std::ptrdiff_t(record.header_size));
    std::vector<std::uint8_t> data(record.data().begin(), record.data().end());
    ByteWriter w;
    w.u32(0);
    w.u32(0);  // header size, patched below
    if (record.type.is_ordinal) {
        w.u16(0xFFFF);
        w.u16(record.type.ordinal);
    } else {
        write_utf16z(w, record.type.text);
    }
    write_utf16z(w, name);
    w.align(4);
    w.bytes(tail);
    std::size_t header_size = w.size();
    w.patch_u32(4, static_cast<std::uint32_t>(header_size));
    record.bytes = w.release();
    record.header_size = header_size;
    record.name = {false, 0, name};
    set_record_data(record, data);
}

void set_record_data(ResRecord& record, std::span<const std::uint8_t> data)
{
    record.bytes.resize(record.header_size);
    record.bytes.insert(record.bytes.end(), data.begin(), data.end());
    put_u32_at(record.bytes, 0, static_cast<std::uint32_t>(data.size()));
}

void set_record_dialog(ResRecord& record, const Dialog& dialog)
{
    set_record_data(record, write_dialog_template(dialog));
    record.dialog = dialog;
}

bool load_res(const std::string& path, ResFile& file, Ui& ui)
{
    auto bytes = platform::read_file(path);
    if (!bytes) {
        ui.message(format("Impossible to open %s", path.c_str()));
        return false;
    }
    auto loaded = read_res(*bytes, ui);
    if (!loaded)
        return false;
    file = std::move(*loaded);
    return true;
}

bool save_res(const std::string& path, const ResFile& file, Ui& ui)
{
    if (platform::write_file_atomically(path, write_res(file)))
        return true;
    ui.message(format("Impossible to open %s", path.c_str()));
    return false;
}

}  // namespace vyn::resedit
