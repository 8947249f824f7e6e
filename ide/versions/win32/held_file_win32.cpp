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

/* create: CREATE_NEW makes the creation exclusive; sharing read access only
 * keeps others from deleting the file while the handle is open. */
bool HeldFile::create(const std::string& path, std::string_view content, bool& existed)
{
    existed = false;
    close();
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_NEW,
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
        FILE_DISPOSITION_INFO dispose{TRUE};
        ::SetFileInformationByHandle(h, FileDispositionInfo, &dispose, sizeof dispose);
        ::CloseHandle(h);
        return false;
    }
    handle_ = static_cast<long long>(reinterpret_cast<intptr_t>(h));
    path_ = path;
    return true;
}

// The deletion is marked on the held handle, so that nobody can slip in
// between letting the file go and deleting it.
bool HeldFile::remove()
{
    if (handle_ == kNone)
        return false;
    FILE_DISPOSITION_INFO dispose{TRUE};
    bool ok = ::SetFileInformationByHandle(as_handle(handle_), FileDispositionInfo, &dispose, sizeof dispose) != 0;
    close();
    return ok;
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
