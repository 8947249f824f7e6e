#include "ide/versions/file_io.h"

#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

namespace fs = std::filesystem;

namespace vyn::versions {

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
