// The executable's file, mapped read-only for as long as the debugger's
// tables are in use (the tables and the type records point into it). The
// reader never writes through the view. On Windows the file is mapped with
// CreateFileMapping and MapViewOfFile; elsewhere with mmap, failing at the
// same two steps (a file that is empty or not a regular file has no mapping).
#pragma once

#include "ide/debugger/dbginfo.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vyn::dbg {

class ImageMapping {
public:
    ImageMapping() = default;
    ~ImageMapping() { close(); }
    ImageMapping(const ImageMapping&) = delete;
    ImageMapping& operator=(const ImageMapping&) = delete;

    /* Opens path for reading (a directory opens too, and then fails to map).
       false when it cannot be opened; the caller names the file in its own
       message, as the debugger's session does for the program it starts. */
    bool open(const std::string& path);
    /* Maps the open file whole and read-only. When the mapping cannot be
       created, the file is closed and "Couldn't open file mapping with
       CreateFileMapping()" is told; when the view cannot be mapped, both are
       closed and "Couldn't map view of file with MapViewOfFile()" is told. */
    bool map(const Tell& tell);
    // The mapped bytes; empty until map() succeeded.
    std::span<const std::uint8_t> bytes() const { return {view_, size_}; }
    // Unmaps the view and closes the mapping and the file.
    void close();

private:
    static constexpr std::intptr_t kNoHandle = -1;
    std::intptr_t file_ = kNoHandle;     // the file handle (a descriptor on POSIX)
#ifdef _WIN32
    std::intptr_t mapping_ = kNoHandle;  // the mapping object
#endif
    const std::uint8_t* view_ = nullptr;
    std::size_t size_ = 0;
};

// The two messages of a failed mapping.
inline constexpr const char* kNoFileMapping = "Couldn't open file mapping with CreateFileMapping()";
inline constexpr const char* kNoMapView = "Couldn't map view of file with MapViewOfFile()";

}  // namespace vyn::dbg
