// The file seam: existence, modification times, directory walks and
// temporary names. Paths are host paths (see winpath::to_host).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vyn::platform {

bool file_exists(const std::string& path);
bool directory_exists(const std::string& path);
// Modification time as seconds since 1970 (UTC), nothing when the file is missing.
std::optional<std::int64_t> modification_time(const std::string& path);
std::optional<std::uint64_t> file_size(const std::string& path);

struct DirEntry {
    std::string name;   // the entry's own name, no directory
    std::string path;   // the full host path
    bool is_directory = false;
};

// The entries of one directory sorted by name (without "." and ".."); nothing
// when the directory cannot be read.
std::optional<std::vector<DirEntry>> list_directory(const std::string& directory);
// Visits every file and directory below root, depth first in name order.
// The visitor returns false to stop the walk.
bool walk_directory(const std::string& root, const std::function<bool(const DirEntry&)>& visit);

// A name for a new temporary file in directory (the system's temporary
// directory when empty) that does not exist yet; prefix starts its base name.
std::string temporary_file_name(const std::string& directory, const std::string& prefix);
std::string temporary_directory();

// Whole-file helpers used by every tool.
std::optional<std::vector<std::uint8_t>> read_file(const std::string& path);
// Writes through a temporary file in the same directory and renames it into
// place, so that readers see either the old or the new file, whole.
bool write_file_atomically(const std::string& path, const std::vector<std::uint8_t>& bytes);
bool remove_file(const std::string& path);
// The full path of the running program.
std::string executable_path();
bool make_directories(const std::string& path);

}  // namespace vyn::platform
