#include "plugins/host/plugin_library.h"

#include "common/strings.h"

#include <windows.h>

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
    // No error boxes from the system for a missing or broken library: the
    // host reports the failure itself.
    UINT old_mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryA(path.c_str());
    DWORD code = GetLastError();
    SetErrorMode(old_mode);
    if (!module) {
        error = format("the system cannot load it (error %lu)", static_cast<unsigned long>(code));
        return std::nullopt;
    }
    PluginLibrary library;
    library.handle_ = module;
    return library;
}

PluginLibrary::Entry PluginLibrary::entry(const std::string& name) const
{
    if (!handle_)
        return nullptr;
    FARPROC address = GetProcAddress(static_cast<HMODULE>(handle_), name.c_str());
    // Through the generic function type, which converts to and from any other.
    return reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(address));
}

void PluginLibrary::unload()
{
    if (handle_)
        FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
}

}  // namespace vyn::host
