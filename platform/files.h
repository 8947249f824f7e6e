// The file seam: existence, modification times, directory walks,
// temporary names, reading whole files and the writes that replace files
// safely. Paths are host paths (see winpath::to_host).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vyn::platform {

bool file_exists(const std::string& path);
bool directory_exists(const std::string& path);
// Modification time as seconds since 1970 (UTC), nothing when the file is missing.
std::optional<std::int64_t> modification_time(const std::string& path);
// The same in nanoseconds, as finely as the file system keeps it, for deciding
// which of two files written within one second is newer.
std::optional<std::int64_t> modification_time_ns(const std::string& path);
// The host's name of a Windows path when the program runs under Wine (where a
// host program started from it needs the host's names); empty on Windows and
// on POSIX hosts.
std::string wine_host_name(const std::string& windows_path);
// The other way: the Windows name of a path of the host (under Wine); empty
// on Windows and on POSIX hosts.
std::string wine_windows_name(const std::string& host_path);
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

// Whole-file reading, the one reader of the tree: the file is read in one
// piece of its size, without copies (and, when it is not a regular file or
// grows meanwhile, in pieces after that). false when it cannot be opened or
// read; bytes is then unspecified.
bool read_whole_file(const std::string& path, std::string& bytes);
// The same for regular files only (a directory or a device is refused).
std::optional<std::vector<std::uint8_t>> read_file(const std::string& path);
// Writes through a temporary file in the same directory and renames it into
// place, so that readers see either the old or the new file, whole.
bool write_file_atomically(const std::string& path, const std::vector<std::uint8_t>& bytes);
bool remove_file(const std::string& path);

// The writes of the revision store, which a reader (or a crash) must see
// whole or not at all. fault_point() marks the places where a test may stop
// the process on purpose (see set_fault_hook, used by the crash tests); it
// does nothing unless a hook is installed.
void set_fault_hook(std::function<void()> hook);
void fault_point();

// Creates path only when it does not exist yet, with content; false when it
// exists or cannot be created.
bool create_exclusive(const std::string& path, std::string_view content);
// Writes bytes to temp_path (in pieces, with fault points between them) and
// flushes it to the disk. false on any failure; the caller removes temp_path.
bool write_temporary(const std::string& temp_path, std::string_view bytes);
// Renames from over to, replacing to in one step; a target held open by
// another program for a moment is tried again for about a second.
bool replace_file(const std::string& from, const std::string& to);
// Appends to a file, creating it when missing.
bool append_to_file(const std::string& path, std::string_view bytes);
// The full path of the running program.
std::string executable_path();
bool make_directories(const std::string& path);

}  // namespace vyn::platform
