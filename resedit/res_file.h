// Compiled resource files (".RES"): a sequence of entries, each a header
// (data size, header size, type, name, then after DWORD alignment data
// version, memory flags, language, version, characteristics) followed by its
// data padded to a multiple of 4. The first entry is an empty one.
//
// Records keep the bytes they were read with, so a record the editor does
// not change is written back exactly.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "resedit/model.h"

namespace vyn::resedit {

constexpr std::uint16_t kResTypeMenu = 4;
constexpr std::uint16_t kResTypeDialog = 5;
constexpr std::uint16_t kResTypeString = 6;
constexpr std::uint16_t kResTypeInclude = 17;

struct ResRecord {
    std::vector<std::uint8_t> bytes;  // header and data, without the padding after it
    std::size_t header_size = 0;
    NameOrId type, name;
    std::uint16_t memory_flags = 0, language = 0;
    std::optional<Dialog> dialog;     // the parsed view of a dialog resource

    std::span<const std::uint8_t> data() const { return std::span(bytes).subspan(header_size); }
};

struct ResFile {
    std::string include_file;  // from the include entry, empty when none
    std::vector<ResRecord> records;
};

// The validation walk alone: nothing when the file is well formed, else the
// 1-based number of the failing entry and its byte position.
struct ResError {
    int entry = 0;
    std::size_t position = 0;
};
std::optional<ResError> validate_res(std::span<const std::uint8_t> bytes);

// Reads a resource file; on failure shows "Error at resource Nr %d, position %d".
std::optional<ResFile> read_res(std::span<const std::uint8_t> bytes, Ui& ui);
std::vector<std::uint8_t> write_res(const ResFile& file);

// A record with the standard 32-byte header naming type and name by number.
ResRecord ordinal_record(std::uint16_t type, std::uint16_t name, std::uint16_t memory_flags, std::uint16_t language,
                         std::span<const std::uint8_t> data);
// Gives a record a text name: its header is written again around the new
// name, keeping its type, memory flags, language, versions and data.
void rename_record(ResRecord& record, const std::string& name);
// Replaces a record's data, keeping its header (the data size follows).
void set_record_data(ResRecord& record, std::span<const std::uint8_t> data);

// Replaces a dialog record's data with the template of dialog, keeping its header.
void set_record_dialog(ResRecord& record, const Dialog& dialog);

// Loads path into file, which stays as it was on any failure.
bool load_res(const std::string& path, ResFile& file, Ui& ui);
bool save_res(const std::string& path, const ResFile& file, Ui& ui);

}  // namespace vyn::resedit
