#include "plugins/host/plugin_library.h"

#include <dlfcn.h>

namespace vyn::host {

PluginLibrary& PluginLibrary::operator=(PluginLibrary&& other) noexcept
{
    if (this != &other) {
        unload();
        handle_ = other.handle_;
        other.handle_ = nullptr;
    }
    return *this;
}

std::optional<PluginLibrary> PluginLibrary::load(const std::string& path, std::string& error)
{
    // dlopen searches the library path for names without a slash; a plug-in
    // is always named by its file, so make the name a path.
    std::string name = path.find('/') == std::string::npos ? "./" + path : path;
    void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* message = dlerror();
        error = message ? message : "the library cannot be loaded";
        return std::nullopt;
    }
    PluginLibrary library;
    library.handle_ = handle;
    return library;
}

PluginLibrary::Entry PluginLibrary::entry(const std::string& name) const
{
    if (!handle_)
        return nullptr;
    return reinterpret_cast<Entry>(dlsym(handle_, name.c_str()));
}

void PluginLibrary::unload()
{
    if (handle_)
        dlclose(handle_);
    handle_ = nullptr;
}

}  // namespace vyn::host
