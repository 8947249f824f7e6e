#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_handles.h"
#include "platform/files.h"

namespace vyn::platform {

std::uint32_t current_process_id()
{
    return static_cast<std::uint32_t>(getpid());
}

std::optional<std::int64_t> modification_time(const std::string& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return static_cast<std::int64_t>(info.st_mtime);
}

std::string wine_host_name(const std::string&)
{
    return {};
}

std::string wine_windows_name(const std::string&)
{
    return {};
}

std::optional<std::int64_t> modification_time_ns(const std::string& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

}  // namespace vyn::platform

namespace vyn::platform {

std::string executable_path()
{
    std::string path(4096, '\0');
    ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    path.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return path;
}

}  // namespace vyn::platform

namespace vyn::platform::handles {

int open_for_write(const std::string& path, bool exclusive)
{
    return ::open(path.c_str(), O_WRONLY | O_CREAT | (exclusive ? O_EXCL : O_TRUNC), 0666);
}

long write_some(int handle, const char* data, std::size_t size)
{
    return static_cast<long>(::write(handle, data, size));
}

bool flush_to_disk(int handle)
{
    return ::fsync(handle) == 0;
}

void close_handle(int handle)
{
    ::close(handle);
}

}  // namespace vyn::platform::handles
