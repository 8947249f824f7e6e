// File helpers of the revision store. Every write that replaces a file goes
// through a temporary file in the same directory and a rename, so that a
// reader (or a crash) sees either the old file or the new one, whole.
//
// The reading, the writes, opens and closes and the fault points of the
// crash tests are the platform's (platform/files.h); the store names them
// here as its own.
#pragma once

#include <string>
#include <string_view>

#include "platform/files.h"

namespace vyn::versions {

using platform::append_to_file;
using platform::create_exclusive;
using platform::fault_point;
using platform::read_whole_file;
using platform::replace_file;
using platform::set_fault_hook;
using platform::write_temporary;

bool file_present(const std::string& path);
bool directory_present(const std::string& path);
bool make_directory(const std::string& path);
bool delete_file(const std::string& path);
bool make_writable(const std::string& path);
bool make_read_only(const std::string& path);

// A fresh file name in directory that does not exist yet.
std::string fresh_temporary_name(const std::string& directory, std::string_view prefix);

// Writes bytes to path through a temporary file beside it.
bool write_file_replacing(const std::string& path, std::string_view bytes);

// Joins a directory and a name with the host's separator.
std::string host_join(const std::string& directory, std::string_view name);
std::string current_directory();

}  // namespace vyn::versions
