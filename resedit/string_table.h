// The string tables of a resource file. Strings live in blocks of 16: block
// n (named n + 1) holds the ids 16n to 16n + 15, each string stored as its
// length in UTF-16 units followed by the units, an empty slot as length 0.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "resedit/res_file.h"

namespace vyn::resedit {

using StringTable = std::map<std::uint16_t, std::string>;

// Every non-empty string of the file's string-table records; a block that
// does not parse contributes the strings read before the fault.
StringTable read_string_table(const ResFile& file);

// Writes table back into file: a block record that still holds strings gets
// its new data in place, one left empty is removed, and blocks the file did
// not have are added after the last string block (or at the end), in block
// order, with the language of the file's first string block.
void write_string_table(ResFile& file, const StringTable& table);

// The string editor's checks: an id in 0..65535 and a text that fits a slot.
// The message for a bad entry, or empty when it is good.
std::string check_string_entry(const std::string& id_text, const std::string& text, std::uint16_t& id);

}  // namespace vyn::resedit
