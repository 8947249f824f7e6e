#include "resedit/string_table.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "resedit/utf16.h"

namespace vyn::resedit {
namespace {

constexpr std::uint16_t kStringFlags = 0x1030;
constexpr std::uint16_t kDefaultLanguage = 0x409;

bool is_string_block(const ResRecord& rec)
{
    return rec.type.is_ordinal && rec.type.ordinal == kResTypeString && rec.name.is_ordinal && rec.name.ordinal != 0;
}

std::uint16_t first_id(const ResRecord& rec) { return std::uint16_t((rec.name.ordinal - 1) * 16); }

void read_block(const ResRecord& rec, StringTable& table)
{
    ByteReader r(rec.data());
    for (unsigned slot = 0; slot < 16; ++slot) {
        std::uint16_t length = r.u16();
        std::vector<std::uint16_t> units(length);
        for (auto& u : units)
            u = r.u16();
        if (!r.ok())
            return;
        if (length)
            table[std::uint16_t(first_id(rec) + slot)] = utf16_to_utf8(units);
    }
}

// The block's data; empty when none of its 16 strings is set.
std::vector<std::uint8_t> block_data(const StringTable& table, std::uint16_t block)
{
    ByteWriter w;
    bool any = false;
    for (unsigned slot = 0; slot < 16; ++slot) {
        auto it = table.find(std::uint16_t(block * 16 + slot));
        std::vector<std::uint16_t> units = it == table.end() ? std::vector<std::uint16_t>{} : utf8_to_utf16(it->second);
        any = any || !units.empty();
        w.u16(std::uint16_t(units.size()));
        for (std::uint16_t u : units)
            w.u16(u);
    }
    return any ? w.release() : std::vector<std::uint8_t>{};
}

}  // namespace

StringTable read_string_table(const ResFile& file)
{
    StringTable table;
    for (const ResRecord& rec : file.records)
        if (is_string_block(rec))
            read_block(rec, table);
    return table;
}

void write_string_table(ResFile& file, const StringTable& table)
{
    std::vector<bool> written(4096, false);
    std::uint16_t language = kDefaultLanguage;
    bool have_language = false;
    for (std::size_t i = 0; i < file.records.size();) {
        ResRecord& rec = file.records[i];
        if (!is_string_block(rec) || rec.name.ordinal > 4096) {
            ++i;
            continue;
        }
        if (!have_language) {
            language = rec.language;
            have_language = true;
        }
        std::uint16_t block = std::uint16_t(rec.name.ordinal - 1);
        std::vector<std::uint8_t> data = block_data(table, block);
        if (data.empty() || written[block]) {
            file.records.erase(file.records.begin() + std::ptrdiff_t(i));
            continue;
        }
        set_record_data(rec, data);
        written[block] = true;
        ++i;
    }
    auto after = file.records.end();
    for (auto it = file.records.begin(); it != file.records.end(); ++it)
        if (is_string_block(*it))
            after = it + 1;
    std::size_t at = std::size_t(after - file.records.begin());
    for (const auto& [id, text] : table) {
        std::uint16_t block = std::uint16_t(id / 16);
        if (written[block])
            continue;
        written[block] = true;
        std::vector<std::uint8_t> data = block_data(table, block);
        if (data.empty())
            continue;
        file.records.insert(file.records.begin() + std::ptrdiff_t(at++),
                            ordinal_record(kResTypeString, std::uint16_t(block + 1), kStringFlags, language, data));
    }
}

std::string check_string_entry(const std::string& id_text, const std::string& text, std::uint16_t& id)
{
    char* end = nullptr;
    long value = std::strtol(id_text.c_str(), &end, 10);
    if (id_text.empty() || *end != '\0' || value < 0 || value > 65535)
        return "The string's ID must be a number from 0 to 65535.";
    if (utf8_to_utf16(text).size() > 65535)
        return "The string is too long.";
    id = std::uint16_t(value);
    return {};
}

}  // namespace vyn::resedit
