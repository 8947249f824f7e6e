// The image mapping with CreateFileMapping and MapViewOfFile: one read-only
// mapping object of the whole file and one read-only view of it.
#include <windows.h>

#include "ide/debugger/image_mapping.h"

namespace vyn::dbg {

namespace {

HANDLE as_handle(std::intptr_t h)
{
    return reinterpret_cast<HANDLE>(h);
}

std::intptr_t from_handle(HANDLE h)
{
    return reinterpret_cast<std::intptr_t>(h);
}

}  // namespace

/* Shared for reading and writing: the program may be running, and the
   debugger's own session opens it beside the loader. Backup semantics let
   a directory open, so that it is refused where every unmappable file is. */
bool ImageMapping::open(const std::string& path)
{
    close();
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    file_ = from_handle(h);
    return true;
}

bool ImageMapping::map(const Tell& tell)
{
    // The size: seek to the end, then back to the start.
    LARGE_INTEGER zero{}, end{};
    HANDLE file = as_handle(file_);
    bool sized = file_ != kNoHandle && SetFilePointerEx(file, zero, &end, FILE_END) &&
                 SetFilePointerEx(file, zero, nullptr, FILE_BEGIN) &&
                 static_cast<unsigned long long>(end.QuadPart) <= SIZE_MAX;
    HANDLE mapping = sized ? CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr) : nullptr;
    if (!mapping) {
        close();
        tell(kNoFileMapping);
        return false;
    }
    mapping_ = from_handle(mapping);
    void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    if (!view) {
        close();
        tell(kNoMapView);
        return false;
    }
    view_ = static_cast<const std::uint8_t*>(view);
    size_ = static_cast<std::size_t>(end.QuadPart);
    return true;
}

void ImageMapping::close()
{
    if (view_)
        UnmapViewOfFile(view_);
    view_ = nullptr;
    size_ = 0;
    if (mapping_ != kNoHandle)
        CloseHandle(as_handle(mapping_));
    mapping_ = kNoHandle;
    if (file_ != kNoHandle)
        CloseHandle(as_handle(file_));
    file_ = kNoHandle;
}

}  // namespace vyn::dbg
