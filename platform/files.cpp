// The parts of the file seam that the standard library serves alike on
// every host; modification times and process ids are in posix/ and win32/.
#include "platform/files.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>

#include "common/strings.h"

namespace fs = std::filesystem;

namespace vyn::platform {

std::uint32_t current_process_id();  // posix/ or win32/

bool file_exists(const std::string& path)
{
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

bool directory_exists(const std::string& path)
{
    std::error_code ec;
    return fs::is_directory(path, ec);
}

std::optional<std::uint64_t> file_size(const std::string& path)
{
    std::error_code ec;
    auto size = fs::file_size(path, ec);
    if (ec)
        return std::nullopt;
    return size;
}

std::optional<std::vector<DirEntry>> list_directory(const std::string& directory)
{
    std::error_code ec;
    fs::directory_iterator it(directory, ec);
    if (ec)
        return std::nullopt;
    std::vector<DirEntry> entries;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            return std::nullopt;
        std::error_code type_ec;
        entries.push_back({it->path().filename().string(), it->path().string(), it->is_directory(type_ec)});
    }
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    return entries;
}

static bool walk(const std::string& directory, const std::function<bool(const DirEntry&)>& visit)
{
    auto entries = list_directory(directory);
    if (!entries)
        return true;  // unreadable directories are passed over, as a walk of a tree expects
    for (const DirEntry& entry : *entries) {
        if (!visit(entry))
            return false;
        if (entry.is_directory && !walk(entry.path, visit))
            return false;
    }
    return true;
}

bool walk_directory(const std::string& root, const std::function<bool(const DirEntry&)>& visit)
{
    return walk(root, visit);
}

std::string temporary_directory()
{
    std::error_code ec;
    fs::path dir = fs::temp_directory_path(ec);
    return ec ? std::string(".") : dir.string();
}

std::string temporary_file_name(const std::string& directory, const std::string& prefix)
{
    static std::atomic<unsigned> counter{0};
    static std::mt19937 random{std::random_device{}()};
    fs::path dir = directory.empty() ? fs::path(temporary_directory()) : fs::path(directory);
    for (;;) {
        std::string name = format("%s%u_%u_%08x.tmp", prefix.c_str(), unsigned(current_process_id()),
                                  counter++, unsigned(random()));
        fs::path candidate = dir / name;
        std::error_code ec;
        if (!fs::exists(candidate, ec))
            return candidate.string();
    }
}

namespace {

/* read_into: the whole file at path into bytes (a std::string or a byte
 * vector). A regular file is read straight into a buffer of its size; only
 * when more follows (a pipe, a device, a file that grows) does the rest
 * come in pieces. */
template <class Bytes>
bool read_into(const std::string& path, Bytes& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    std::setvbuf(f, nullptr, _IONBF, 0);  // reads go straight to bytes
    bytes.clear();
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    bool ok = true;
    if (!ec && size > 0 && size < std::numeric_limits<std::size_t>::max()) {
        bytes.resize(static_cast<std::size_t>(size));
        std::size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
        bytes.resize(got);
        ok = !std::ferror(f);
    }
    char piece[65536];
    std::size_t n;
    while (ok && (n = std::fread(piece, 1, sizeof piece, f)) > 0)
        bytes.insert(bytes.end(), piece, piece + n);
    ok = ok && !std::ferror(f);
    std::fclose(f);
    return ok;
}

}  // namespace

bool read_whole_file(const std::string& path, std::string& bytes)
{
    return read_into(path, bytes);
}

std::optional<std::vector<std::uint8_t>> read_file(const std::string& path)
{
    // Only regular files: a directory opens as a stream on some hosts but
    // cannot be read.
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    if (!read_into(path, bytes))
        return std::nullopt;
    return bytes;
}

bool write_file_atomically(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    fs::path target(path);
    fs::path directory = target.parent_path();
    std::string temp = temporary_file_name(directory.empty() ? "." : directory.string(),
                                           target.filename().string() + ".");
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ec;
            fs::remove(temp, ec);
            return false;
        }
    }
    if (!replace_file(temp, target.string())) {
        std::error_code ec;
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

bool remove_file(const std::string& path)
{
    std::error_code ec;
    return fs::remove(path, ec) && !ec;
}

bool make_directories(const std::string& path)
{
    std::error_code ec;
    fs::create_directories(path, ec);
    return directory_exists(path);
}

}  // namespace vyn::platform
