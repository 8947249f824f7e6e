// The registry seam over a hive file. Every operation re-reads the file when
// its bytes changed since the last look, so two processes that write one
// after the other never lose each other's values; every change is written
// through a temporary file renamed into place. A corrupt file is reported
// (file and line) and never overwritten.
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "common/winpath.h"
#include "platform/files.h"
#include "platform/hive.h"
#include "platform/registry.h"

namespace vyn::platform {

namespace {

class HiveRegistry final : public Registry {
public:
    explicit HiveRegistry(std::string path) : path_(std::move(path)) {}

    bool key_exists(RegistryRoot root, std::string_view key) override
    {
        return load() && hive_.key_exists(full(root, key));
    }

    bool create_key(RegistryRoot root, std::string_view key) override
    {
        return change([&] { hive_.create_key(full(root, key)); });
    }

    bool delete_key(RegistryRoot root, std::string_view key) override
    {
        return change([&] { hive_.delete_key(full(root, key)); });
    }

    std::optional<std::string> read_string(RegistryRoot root, std::string_view key,
                                           std::string_view name) override
    {
        if (!load())
            return std::nullopt;
        const std::string* value = hive_.value(full(root, key), name);
        return value ? std::optional<std::string>(*value) : std::nullopt;
    }

    bool write_string(RegistryRoot root, std::string_view key, std::string_view name,
                      std::string_view value) override
    {
        return change([&] { hive_.set_value(full(root, key), name, value); });
    }

    bool delete_value(RegistryRoot root, std::string_view key, std::string_view name) override
    {
        bool found = false;
        bool written = change([&] { found = hive_.delete_value(full(root, key), name); });
        return written && found;
    }

    std::vector<std::string> subkeys(RegistryRoot root, std::string_view key) override
    {
        return load() ? hive_.subkeys(full(root, key)) : std::vector<std::string>{};
    }

    std::vector<std::string> value_names(RegistryRoot root, std::string_view key) override
    {
        return load() ? hive_.value_names(full(root, key)) : std::vector<std::string>{};
    }

private:
    static std::string full(RegistryRoot root, std::string_view key)
    {
        return full_key_path(root == RegistryRoot::LocalMachine, key);
    }

    // Brings hive_ up to date with the file. A missing file is an empty hive.
    bool load()
    {
        std::optional<std::vector<std::uint8_t>> bytes = read_file(path_);
        std::string text = bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
        if (loaded_ && text == loaded_text_)
            return true;
        std::string error;
        std::optional<Hive> parsed = text.empty() ? Hive() : Hive::parse(text, path_, error);
        if (!parsed) {
            last_error_ = "corrupt registry file: " + error;
            last_error_code_ = EINVAL;
            std::fprintf(stderr, "%s\n", last_error_.c_str());
            loaded_ = false;
            return false;
        }
        hive_ = std::move(*parsed);
        loaded_text_ = std::move(text);
        loaded_ = true;
        return true;
    }

    template <typename Edit>
    bool change(Edit edit)
    {
        if (!load())
            return false;
        edit();
        std::string text = hive_.serialise();
        if (text == loaded_text_)
            return true;
        std::string directory = winpath::directory(path_);
        if (!directory.empty())
            make_directories(directory);
        errno = 0;
        if (!write_file_atomically(path_, std::vector<std::uint8_t>(text.begin(), text.end()))) {
            last_error_code_ = errno ? errno : EIO;
            last_error_ = "cannot write the registry file " + path_;
            loaded_ = false;  // re-read next time: the file still holds the old state
            return false;
        }
        loaded_text_ = std::move(text);
        return true;
    }

    std::string path_;
    Hive hive_;
    std::string loaded_text_;
    bool loaded_ = false;
};

}  // namespace

std::unique_ptr<Registry> open_hive_file(std::string path)
{
    return std::make_unique<HiveRegistry>(std::move(path));
}

std::string default_hive_path()
{
    if (const char* explicit_path = std::getenv("VYN_REGISTRY"); explicit_path && *explicit_path)
        return explicit_path;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        return std::string(config) + "/vyn/registry.reg";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.config/vyn/registry.reg";
    return "vyn-registry.reg";
}

}  // namespace vyn::platform
