#include <windows.h>

#include "platform/files.h"

namespace vyn::platform {

std::uint32_t current_process_id()
{
    return GetCurrentProcessId();
}

std::optional<std::int64_t> modification_time(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    // FILETIME counts 100 ns steps since 1601-01-01.
    std::uint64_t ticks = (std::uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) |
                          data.ftLastWriteTime.dwLowDateTime;
    const std::uint64_t ticks_1601_to_1970 = 116444736000000000ull;
    return static_cast<std::int64_t>((ticks - ticks_1601_to_1970) / 10000000ull);
}

}  // namespace vyn::platform

namespace vyn::platform {

std::string executable_path()
{
    char path[MAX_PATH * 4];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, length < sizeof path ? length : 0);
}

}  // namespace vyn::platform
