#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "ide/versions/file_io.h"
#include "ide/versions/held_file.h"

namespace vyn::versions {

namespace {

bool write_all(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string directory_of(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

bool same_file(int fd, const std::string& path)
{
    struct stat by_fd {}, by_name {};
    return ::fstat(fd, &by_fd) == 0 && ::stat(path.c_str(), &by_name) == 0 && by_fd.st_dev == by_name.st_dev &&
           by_fd.st_ino == by_name.st_ino;
}

}  // namespace

HeldFile::~HeldFile()
{
    close();
}

void HeldFile::close()
{
    if (handle_ != kNone)
        ::close(static_cast<int>(handle_));
    handle_ = kNone;
}

/* create: the lock file is complete and locked under a temporary name
 * before link() gives it its real name; link fails when the name exists,
 * which makes the creation exclusive. A file system without hard links gets
 * an exclusive open followed by the lock instead. */
bool HeldFile::create(const std::string& path, std::string_view content, bool& existed)
{
    existed = false;
    close();
    std::string temp = fresh_temporary_name(directory_of(path), "lck");
    int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL, 0666);
    if (fd < 0)
        return false;
    bool ok = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && write_all(fd, content);
    int link_error = 0;
    if (ok && ::link(temp.c_str(), path.c_str()) != 0) {
        link_error = errno;
        ok = false;
    }
    ::unlink(temp.c_str());
    if (!ok) {
        ::close(fd);
        if (link_error == EPERM || link_error == EOPNOTSUPP || link_error == EXDEV)
            return create_without_link(path, content, existed);
        existed = link_error == EEXIST;
        return false;
    }
    handle_ = fd;
    path_ = path;
    return true;
}

bool HeldFile::create_without_link(const std::string& path, std::string_view content, bool& existed)
{
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL, 0666);
    if (fd < 0) {
        existed = errno == EEXIST;
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !write_all(fd, content)) {
        ::unlink(path.c_str());
        ::close(fd);
        return false;
    }
    handle_ = fd;
    path_ = path;
    return true;
}

bool HeldFile::remove()
{
    if (handle_ == kNone)
        return false;
    bool ok = same_file(static_cast<int>(handle_), path_) && ::unlink(path_.c_str()) == 0;
    close();
    return ok;
}

/* remove_stale_lock: a holder keeps an exclusive flock() on the file; when
 * ours is granted nobody holds it. The name is checked to still be the
 * file we locked before it is removed. */
StaleLock remove_stale_lock(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return errno == ENOENT ? StaleLock::Absent : StaleLock::Failed;
    StaleLock result = StaleLock::Failed;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        result = errno == EWOULDBLOCK ? StaleLock::InUse : StaleLock::Failed;
    else if (!same_file(fd, path))
        result = StaleLock::InUse;  // replaced meanwhile by a new holder
    else if (::unlink(path.c_str()) == 0)
        result = StaleLock::Removed;
    ::close(fd);
    return result;
}

}  // namespace vyn::versions
