// The content of a registry hive held in memory, and its text form.
//
// The text form is the registry-export format: a "REGEDIT4" line, then one
// section per key, "[HKEY_CURRENT_USER\Software\vyn\Tavra]", followed by its
// string values as "Name"="Value" (the default value as @="Value"). Inside the
// quotes, '\\' and '"' are escaped with a backslash, line breaks, carriage
// returns and tabs as \n, \r and \t, and other control bytes as \xHH, so that
// any byte string round-trips. Blank lines and lines starting with ';' are
// ignored.
//
// Invariant: every key's parent keys exist (creating a key creates its
// parents), and key paths are stored with their root spelled in full.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vyn::platform {

class Hive {
public:
    // Parses text; on failure returns nothing and sets error to
    // "<source>, line <n>: <what is wrong>".
    static std::optional<Hive> parse(std::string_view text, std::string_view source, std::string& error);
    std::string serialise() const;

    // Key paths here are full: "HKEY_CURRENT_USER\Software\vyn".
    bool key_exists(std::string_view path) const;
    void create_key(std::string_view path);
    void delete_key(std::string_view path);
    const std::string* value(std::string_view path, std::string_view name) const;
    void set_value(std::string_view path, std::string_view name, std::string_view value);
    bool delete_value(std::string_view path, std::string_view name);
    std::vector<std::string> subkeys(std::string_view path) const;
    std::vector<std::string> value_names(std::string_view path) const;

private:
    struct Key {
        std::string path;                                         // as first written
        std::vector<std::pair<std::string, std::string>> values;  // in first-written order (the file keeps it)
    };
    // Keyed by the upper-cased path, so lookups ignore a-z case.
    std::map<std::string, Key> keys_;
};

// "HKEY_CURRENT_USER\Software\x" from a root and a relative key path; the
// separators of key are normalised to single backslashes without ends.
std::string full_key_path(bool local_machine, std::string_view key);

}  // namespace vyn::platform
