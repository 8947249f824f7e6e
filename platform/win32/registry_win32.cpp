// The registry seam on Windows: the system registry through the ANSI API, as
// the programs keep their settings in the system code page.
#include <windows.h>

#include <algorithm>

#include "common/strings.h"
#include "platform/registry.h"

namespace vyn::platform {

namespace {

HKEY root_handle(RegistryRoot root)
{
    return root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

std::string normalise(std::string_view key)
{
    std::string out;
    for (const std::string& part : split(key, '\\'))
        for (const std::string& piece : split(part, '/'))
            if (!piece.empty())
                out += (out.empty() ? "" : "\\") + piece;
    return out;
}

// An open key that closes itself.
class Key {
public:
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key()
    {
        if (handle_)
            RegCloseKey(handle_);
    }
    HKEY* out() { return &handle_; }
    HKEY get() const { return handle_; }

private:
    HKEY handle_ = nullptr;
};

LONG delete_tree(HKEY parent, const std::string& name)
{
    {
        Key key;
        LONG status = RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ | KEY_WRITE, key.out());
        if (status != ERROR_SUCCESS)
            return status;
        // Delete children from the end so that enumeration indices stay valid.
        for (;;) {
            char child[256];
            DWORD length = sizeof child;
            if (RegEnumKeyExA(key.get(), 0, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            status = delete_tree(key.get(), child);
            if (status != ERROR_SUCCESS)
                return status;
        }
    }
    return RegDeleteKeyA(parent, name.c_str());
}

class Win32Registry final : public Registry {
public:
    bool key_exists(RegistryRoot root, std::string_view key) override
    {
        Key k;
        return RegOpenKeyExA(root_handle(root), normalise(key).c_str(), 0, KEY_READ, k.out()) == ERROR_SUCCESS;
    }

    bool create_key(RegistryRoot root, std::string_view key) override
    {
        Key k;
        return check(RegCreateKeyExA(root_handle(root), normalise(key).c_str(), 0, nullptr, 0,
                                     KEY_WRITE, nullptr, k.out(), nullptr),
                     "create", key);
    }

    bool delete_key(RegistryRoot root, std::string_view key) override
    {
        LONG status = delete_tree(root_handle(root), normalise(key));
        return status == ERROR_FILE_NOT_FOUND || check(status, "delete", key);
    }

    std::optional<std::string> read_string(RegistryRoot root, std::string_view key,
                                           std::string_view name) override
    {
        Key k;
        if (RegOpenKeyExA(root_handle(root), normalise(key).c_str(), 0, KEY_READ, k.out()) != ERROR_SUCCESS)
            return std::nullopt;
        std::string value_name(name);
        DWORD type = 0, size = 0;
        if (RegQueryValueExA(k.get(), value_name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return std::nullopt;
        if (type != REG_SZ && type != REG_EXPAND_SZ) {
            last_error_ = format("value %s of %s is not a string", value_name.c_str(), normalise(key).c_str());
            return std::nullopt;
        }
        std::string value(size, '\0');
        if (!check(RegQueryValueExA(k.get(), value_name.c_str(), nullptr, &type,
                                    reinterpret_cast<BYTE*>(value.data()), &size),
                   "read", key))
            return std::nullopt;
        value.resize(std::min<std::size_t>(size, value.size()));
        while (!value.empty() && value.back() == '\0')
            value.pop_back();
        return value;
    }

    bool write_string(RegistryRoot root, std::string_view key, std::string_view name,
                      std::string_view value) override
    {
        Key k;
        if (!check(RegCreateKeyExA(root_handle(root), normalise(key).c_str(), 0, nullptr, 0, KEY_WRITE,
                                   nullptr, k.out(), nullptr),
                   "create", key))
            return false;
        std::string text(value);
        return check(RegSetValueExA(k.get(), std::string(name).c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(text.c_str()),
                                    static_cast<DWORD>(text.size() + 1)),
                     "write", key);
    }

    bool delete_value(RegistryRoot root, std::string_view key, std::string_view name) override
    {
        Key k;
        if (RegOpenKeyExA(root_handle(root), normalise(key).c_str(), 0, KEY_WRITE, k.out()) != ERROR_SUCCESS)
            return false;
        return RegDeleteValueA(k.get(), std::string(name).c_str()) == ERROR_SUCCESS;
    }

    std::vector<std::string> subkeys(RegistryRoot root, std::string_view key) override
    {
        std::vector<std::string> names;
        Key k;
        if (RegOpenKeyExA(root_handle(root), normalise(key).c_str(), 0, KEY_READ, k.out()) != ERROR_SUCCESS)
            return names;
        for (DWORD i = 0;; ++i) {
            char name[256];
            DWORD length = sizeof name;
            if (RegEnumKeyExA(k.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            names.emplace_back(name, length);
        }
        sort_registry_names(names);
        return names;
    }

    std::vector<std::string> value_names(RegistryRoot root, std::string_view key) override
    {
        std::vector<std::string> names;
        Key k;
        if (RegOpenKeyExA(root_handle(root), normalise(key).c_str(), 0, KEY_READ, k.out()) != ERROR_SUCCESS)
            return names;
        for (DWORD i = 0;; ++i) {
            char name[16384];
            DWORD length = sizeof name;
            if (RegEnumValueA(k.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            names.emplace_back(name, length);
        }
        sort_registry_names(names);
        return names;
    }

private:
    bool check(LONG status, const char* what, std::string_view key)
    {
        if (status == ERROR_SUCCESS)
            return true;
        last_error_ = format("cannot %s registry key %s (error %ld)", what, normalise(key).c_str(), status);
        last_error_code_ = status;
        return false;
    }
};

}  // namespace

std::unique_ptr<Registry> open_registry()
{
    return std::make_unique<Win32Registry>();
}

}  // namespace vyn::platform
