// Lock files that this process holds open while it works, so that a lock
// file left behind by a program that stopped can be told apart from one a
// running program on this machine still uses.
//
// POSIX: the file is made under a temporary name, locked with flock() and
// linked to its name, so that it never exists without its lock; a crashed
// holder's lock goes with its process. Windows: the file is created with a
// sharing mode that refuses deletion to others for as long as the handle is
// open; the system closes the handle of a process that ends.
#pragma once

#include <string>
#include <string_view>

namespace vyn::versions {

/* One held lock file. Invariant: held() exactly when handle_ refers to an
 * open file that this object made at path_. */
class HeldFile {
public:
    HeldFile() = default;
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    // Lets the file go without deleting it (as a crash would).
    ~HeldFile();

    // Creates path with content when it does not exist and holds it. false
    // when it exists (existed set) or cannot be made.
    bool create(const std::string& path, std::string_view content, bool& existed);
    // Deletes the file while still holding it, then lets it go. false when
    // the file had vanished or cannot be deleted.
    bool remove();
    bool held() const { return handle_ != kNone; }

private:
    void close();
    bool create_without_link(const std::string& path, std::string_view content, bool& existed);
    static constexpr long long kNone = -1;
    long long handle_ = kNone;  // a descriptor on POSIX, a HANDLE on Windows
    std::string path_;
};

enum class StaleLock { Removed, InUse, Absent, Failed };

// Deletes the lock file at path unless a program on this machine holds it.
StaleLock remove_stale_lock(const std::string& path);

}  // namespace vyn::versions
