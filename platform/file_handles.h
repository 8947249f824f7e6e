// The operating system's file handles, as the writes of files.h use them
// (posix/ and win32/ each hold one half). Not for use outside platform/.
#pragma once

#include <cstddef>
#include <string>

namespace vyn::platform::handles {

// Opens path for writing, creating it: only when it does not exist yet when
// exclusive, else truncating it. -1 on failure.
int open_for_write(const std::string& path, bool exclusive);
// Writes up to size bytes; the count written, or 0 or less on failure.
long write_some(int handle, const char* data, std::size_t size);
// Flushes the file's data to the disk (where the host offers it).
bool flush_to_disk(int handle);
void close_handle(int handle);

}  // namespace vyn::platform::handles
