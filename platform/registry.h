// The registry seam: string values under HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE, addressed by key paths such as "Software\\vyn\\Tavra".
//
// On Windows it is the system registry. On POSIX it is a hive file in the
// registry-export text form, named by the environment variable VYN_REGISTRY
// (else $XDG_CONFIG_HOME/vyn/registry.reg, else ~/.config/vyn/registry.reg).
//
// Names of keys and values compare without regard to a-z case. Subkeys and
// values enumerate sorted by their upper-cased names, the one order that the
// system registry of every Windows version and the hive can all give. Every operation reports failure in its result and
// keeps a description in last_error(); reading a value that does not exist
// is not an error (the caller uses its default).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vyn::platform {

enum class RegistryRoot { CurrentUser, LocalMachine };

class Registry {
public:
    virtual ~Registry() = default;

    virtual bool key_exists(RegistryRoot root, std::string_view key) = 0;
    // Creates the key and any missing parents.
    virtual bool create_key(RegistryRoot root, std::string_view key) = 0;
    // Deletes the key with all its subkeys and values; a missing key is success.
    virtual bool delete_key(RegistryRoot root, std::string_view key) = 0;

    // A string value, or nothing when the key or value is missing (or unreadable:
    // then last_error() says why).
    virtual std::optional<std::string> read_string(RegistryRoot root, std::string_view key,
                                                   std::string_view name) = 0;
    // Writes a string value, creating the key when needed.
    virtual bool write_string(RegistryRoot root, std::string_view key, std::string_view name,
                              std::string_view value) = 0;
    virtual bool delete_value(RegistryRoot root, std::string_view key, std::string_view name) = 0;

    virtual std::vector<std::string> subkeys(RegistryRoot root, std::string_view key) = 0;
    virtual std::vector<std::string> value_names(RegistryRoot root, std::string_view key) = 0;

    const std::string& last_error() const { return last_error_; }
    // The system's code of the last failure (the registry's status on Windows, errno on POSIX).
    long last_error_code() const { return last_error_code_; }

protected:
    std::string last_error_;
    long last_error_code_ = 0;
};

// Sorts names into the enumeration order above.
void sort_registry_names(std::vector<std::string>& names);

// The registry of this platform (see above).
std::unique_ptr<Registry> open_registry();

// The hive file used on POSIX hosts; exposed so that tests and tools on any
// host can work on a given file.
std::unique_ptr<Registry> open_hive_file(std::string path);

// Where the POSIX registry lives (VYN_REGISTRY or the user's configuration directory).
std::string default_hive_path();

}  // namespace vyn::platform
