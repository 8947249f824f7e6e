#include <windows.h>

#include "ide/versions/held_file.h"

namespace vyn::versions {

namespace {

HANDLE as_handle(long long h)
{
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(h));
}

}  // namespace

HeldFile::~HeldFile()
{
    close();
}

void HeldFile::close()
{
    if (handle_ != kNone)
        ::CloseHandle(as_handle(handle_));
    handle_ = kNone;
}

/* create: CREATE_NEW makes the creation exclusive. Sharing read and write
 * access but not deletion lets others read the holder's line while keeping
 * them from deleting the file as long as the handle is open. */
bool HeldFile::create(const std::string& path, std::string_view content, bool& existed)
{
    existed = false;
    close();
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD error = ::GetLastError();
        existed = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS || error == ERROR_SHARING_VIOLATION;
        return false;
    }
    DWORD wrote = 0;
    if (!content.empty() &&
        (!::WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &wrote, nullptr) ||
         wrote != content.size())) {
        ::CloseHandle(h);
        ::DeleteFileA(path.c_str());
        return false;
    }
    handle_ = static_cast<long long>(reinterpret_cast<intptr_t>(h));
    path_ = path;
    return true;
}

// The handle is closed first, since the sharing mode keeps even its holder
// from deleting the file; in the moment between, a newcomer still finds the
// file and is told that it is in use.
bool HeldFile::remove()
{
    if (handle_ == kNone)
        return false;
    close();
    return ::DeleteFileA(path_.c_str()) != 0;
}

StaleLock remove_stale_lock(const std::string& path)
{
    if (::DeleteFileA(path.c_str()))
        return StaleLock::Removed;
    switch (::GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return StaleLock::Absent;
    case ERROR_SHARING_VIOLATION:
    case ERROR_ACCESS_DENIED:
        return StaleLock::InUse;
    default:
        return StaleLock::Failed;
    }
}

}  // namespace vyn::versions
