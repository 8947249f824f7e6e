#include "ide/versions/file_io.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace vyn::versions {

namespace {

std::function<void()>& fault_hook()
{
    static std::function<void()> hook;
    return hook;
}

// Writes everything or nothing useful; flushes to the disk on POSIX so that
// the rename that follows never publishes a file whose data is not there.
bool write_all(int fd, std::string_view bytes, bool with_faults)
{
    const std::size_t piece = 16384;
    std::size_t done = 0;
    while (done < bytes.size()) {
        std::size_t n = std::min(piece, bytes.size() - done);
#ifdef _WIN32
        int wrote = ::_write(fd, bytes.data() + done, static_cast<unsigned>(n));
#else
        ssize_t wrote = ::write(fd, bytes.data() + done, n);
#endif
        if (wrote <= 0)
            return false;
        done += static_cast<std::size_t>(wrote);
        if (with_faults)
            fault_point();
    }
    return true;
}

int open_for_write(const std::string& path, int extra_flags)
{
#ifdef _WIN32
    return ::_open(path.c_str(), _O_WRONLY | _O_CREAT | _O_BINARY | extra_flags, _S_IREAD | _S_IWRITE);
#else
    return ::open(path.c_str(), O_WRONLY | O_CREAT | extra_flags, 0666);
#endif
}

void close_fd(int fd)
{
#ifdef _WIN32
    ::_close(fd);
#else
    ::close(fd);
#endif
}

}  // namespace

bool read_whole_file(const std::string& path, std::string& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    bytes.clear();
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.append(buffer, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool file_present(const std::string& path)
{
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

bool directory_present(const std::string& path)
{
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool make_directory(const std::string& path)
{
    std::error_code ec;
    fs::create_directories(path, ec);
    return directory_present(path);
}

bool delete_file(const std::string& path)
{
    std::error_code ec;
    return fs::remove(path, ec) && !ec;
}

bool make_writable(const std::string& path)
{
    std::error_code ec;
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, ec);
    return !ec;
}

bool make_read_only(const std::string& path)
{
    std::error_code ec;
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove, ec);
    return !ec;
}

bool create_exclusive(const std::string& path, std::string_view content)
{
#ifdef _WIN32
    int fd = open_for_write(path, _O_EXCL);
#else
    int fd = open_for_write(path, O_EXCL);
#endif
    if (fd < 0)
        return false;
    bool ok = write_all(fd, content, false);
    close_fd(fd);
    return ok;
}

std::string fresh_temporary_name(const std::string& directory, std::string_view prefix)
{
    static std::mt19937 random(std::random_device{}());
    for (;;) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%06x.tmp", static_cast<unsigned>(random() & 0xFFFFFF));
        std::string name = host_join(directory, std::string(prefix) + digits);
        std::error_code ec;
        if (!fs::exists(name, ec))
            return name;
    }
}

bool write_temporary(const std::string& temp_path, std::string_view bytes)
{
#ifdef _WIN32
    int fd = open_for_write(temp_path, _O_TRUNC);
#else
    int fd = open_for_write(temp_path, O_TRUNC);
#endif
    if (fd < 0)
        return false;
    bool ok = write_all(fd, bytes, true);
#ifndef _WIN32
    if (ok)
        ok = ::fsync(fd) == 0;
#endif
    close_fd(fd);
    return ok;
}

bool replace_file(const std::string& from, const std::string& to)
{
    std::error_code ec;
    fs::rename(from, to, ec);
    return !ec;
}

bool write_file_replacing(const std::string& path, std::string_view bytes)
{
    fs::path target(path);
    std::string dir = target.has_parent_path() ? target.parent_path().string() : std::string(".");
    std::string temp = fresh_temporary_name(dir, "vyn");
    if (!write_temporary(temp, bytes) || !replace_file(temp, path)) {
        delete_file(temp);
        return false;
    }
    return true;
}

bool append_to_file(const std::string& path, std::string_view bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "ab");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = (std::fclose(f) == 0) && ok;
    return ok;
}

void set_fault_hook(std::function<void()> hook)
{
    fault_hook() = std::move(hook);
}

void fault_point()
{
    if (fault_hook())
        fault_hook()();
}

std::string host_join(const std::string& directory, std::string_view name)
{
    if (directory.empty())
        return std::string(name);
    return (fs::path(directory) / fs::path(std::string(name))).string();
}

std::string current_directory()
{
    std::error_code ec;
    return fs::current_path(ec).string();
}

}  // namespace vyn::versions
