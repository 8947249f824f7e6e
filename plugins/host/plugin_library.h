// Loading a plug-in library and finding its exported entry: dlopen on POSIX,
// LoadLibrary on Windows. The library stays loaded while the object lives.
#pragma once

#include <optional>
#include <string>

namespace vyn::host {

class PluginLibrary {
public:
    using Entry = void (*)();

    PluginLibrary() = default;
    PluginLibrary(PluginLibrary&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    PluginLibrary& operator=(PluginLibrary&& other) noexcept;
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;
    ~PluginLibrary() { unload(); }

    // Loads the library at path (a host path); nothing, with a message in
    // error, when the system refuses it.
    static std::optional<PluginLibrary> load(const std::string& path, std::string& error);

    // The exported function called name, or nullptr.
    Entry entry(const std::string& name) const;

private:
    void unload();

    void* handle_ = nullptr;
};

}  // namespace vyn::host
