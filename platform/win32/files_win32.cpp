#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include "platform/file_handles.h"
#include "platform/files.h"

namespace vyn::platform {

std::uint32_t current_process_id()
{
    return GetCurrentProcessId();
}

namespace {

// The last write time in 100 ns steps since 1970 (FILETIME counts them since 1601-01-01).
std::optional<std::int64_t> last_write_ticks(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    std::uint64_t ticks = (std::uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) |
                          data.ftLastWriteTime.dwLowDateTime;
    const std::uint64_t ticks_1601_to_1970 = 116444736000000000ull;
    return static_cast<std::int64_t>(ticks - ticks_1601_to_1970);
}

}  // namespace

std::optional<std::int64_t> modification_time(const std::string& path)
{
    auto ticks = last_write_ticks(path);
    return ticks ? std::optional<std::int64_t>(*ticks / 10000000) : std::nullopt;
}

namespace {

// Wine's own conversions, found in its kernel32; absent on Windows.
using ToUnix = char*(CDECL*)(const wchar_t*);
using ToWindows = wchar_t*(CDECL*)(const char*);

template <class Function>
Function wine_function(const char* name)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel, name))) : nullptr;
}

}  // namespace

std::string wine_host_name(const std::string& windows_path)
{
    static const ToUnix convert = wine_function<ToUnix>("wine_get_unix_file_name");
    int length = convert ? MultiByteToWideChar(CP_ACP, 0, windows_path.c_str(), -1, nullptr, 0) : 0;
    if (length <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, windows_path.c_str(), -1, wide.data(), length);
    char* name = convert(wide.c_str());
    if (!name)
        return {};
    std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

std::string wine_windows_name(const std::string& host_path)
{
    static const ToWindows convert = wine_function<ToWindows>("wine_get_dos_file_name");
    wchar_t* name = convert ? convert(host_path.c_str()) : nullptr;
    if (!name)
        return {};
    int length = WideCharToMultiByte(CP_ACP, 0, name, -1, nullptr, 0, nullptr, nullptr);
    std::string result(length > 0 ? static_cast<std::size_t>(length) : 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, name, -1, result.data(), length, nullptr, nullptr);
    result.resize(result.size() - 1);
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

std::optional<std::int64_t> modification_time_ns(const std::string& path)
{
    auto ticks = last_write_ticks(path);
    return ticks ? std::optional<std::int64_t>(*ticks * 100) : std::nullopt;
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

namespace vyn::platform::handles {

int open_for_write(const std::string& path, bool exclusive)
{
    return ::_open(path.c_str(), _O_WRONLY | _O_CREAT | _O_BINARY | (exclusive ? _O_EXCL : _O_TRUNC),
                   _S_IREAD | _S_IWRITE);
}

long write_some(int handle, const char* data, std::size_t size)
{
    return ::_write(handle, data, static_cast<unsigned>(size));
}

// The data goes to the disk when the handle is closed; the store's writes
// never relied on more on this host.
bool flush_to_disk(int)
{
    return true;
}

void close_handle(int handle)
{
    ::_close(handle);
}

}  // namespace vyn::platform::handles
