// The image mapping with mmap. What CreateFileMapping refuses (an empty file,
// a directory or another file that is not a regular one) is refused here at
// the same step, so both builds tell the same message for the same file.
#include "ide/debugger/image_mapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vyn::dbg {

bool ImageMapping::open(const std::string& path)
{
    close();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    file_ = fd;
    return true;
}

bool ImageMapping::map(const Tell& tell)
{
    // The size as the file's end seen from its start, as the view will hold it.
    off_t end = file_ == kNoHandle ? -1 : ::lseek(static_cast<int>(file_), 0, SEEK_END);
    struct stat st {};
    bool mappable = end > 0 && ::lseek(static_cast<int>(file_), 0, SEEK_SET) == 0 &&
                    ::fstat(static_cast<int>(file_), &st) == 0 && S_ISREG(st.st_mode) &&
                    static_cast<std::uint64_t>(end) <= SIZE_MAX;
    if (!mappable) {
        close();
        tell(kNoFileMapping);
        return false;
    }
    void* view = ::mmap(nullptr, static_cast<std::size_t>(end), PROT_READ, MAP_PRIVATE, static_cast<int>(file_), 0);
    if (view == MAP_FAILED) {
        close();
        tell(kNoMapView);
        return false;
    }
    view_ = static_cast<const std::uint8_t*>(view);
    size_ = static_cast<std::size_t>(end);
    return true;
}

void ImageMapping::close()
{
    if (view_)
        ::munmap(const_cast<std::uint8_t*>(view_), size_);
    view_ = nullptr;
    size_ = 0;
    if (file_ != kNoHandle)
        ::close(static_cast<int>(file_));
    file_ = kNoHandle;
}

}  // namespace vyn::dbg
