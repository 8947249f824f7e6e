// File helpers of the revision store. Every write that replaces a file goes
// through a temporary file in the same directory and a rename, so that a
// reader (or a crash) sees either the old file or the new one, whole.
//
// fault_point() marks the places where a test may stop the process on
// purpose (see set_fault_hook); it does nothing unless a hook is installed.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vyn::versions {

bool read_whole_file(const std::string& path, std::string& bytes);
bool file_present(const std::string& path);
bool directory_present(const std::string& path);
bool make_directory(const std::string& path);
bool delete_file(const std::string& path);
bool make_writable(const std::string& path);
bool make_read_only(const std::string& path);

// Creates path only when it does not exist yet, with content; false when it
// exists or cannot be created.
bool create_exclusive(const std::string& path, std::string_view content);

// A fresh file name in directory that does not exist yet.
std::string fresh_temporary_name(const std::string& directory, std::string_view prefix);

// Writes bytes to temp_path (in pieces, with fault points between them) and
// flushes it to the disk. false on any failure; the caller removes temp_path.
bool write_temporary(const std::string& temp_path, std::string_view bytes);

// Renames from over to, replacing to in one step.
bool replace_file(const std::string& from, const std::string& to);

// Writes bytes to path through a temporary file beside it.
bool write_file_replacing(const std::string& path, std::string_view bytes);

// Appends to a file, creating it when missing.
bool append_to_file(const std::string& path, std::string_view bytes);

void set_fault_hook(std::function<void()> hook);
void fault_point();

// Joins a directory and a name with the host's separator.
std::string host_join(const std::string& directory, std::string_view name);
std::string current_directory();

}  // namespace vyn::versions
