// The writes that replace files safely, and the fault points that let the
// crash tests stop a write half-way.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "platform/file_handles.h"
#include "platform/files.h"

namespace fs = std::filesystem;

namespace vyn::platform {

namespace {

std::function<void()>& fault_hook()
{
    static std::function<void()> hook;
    return hook;
}

// Writes everything or reports failure; with_faults puts a fault point after
// every piece, so that a test can stop the process with the file half-written.
bool write_all(int handle, std::string_view bytes, bool with_faults)
{
    const std::size_t piece = 16384;
    std::size_t done = 0;
    while (done < bytes.size()) {
        std::size_t n = std::min(piece, bytes.size() - done);
        long wrote = handles::write_some(handle, bytes.data() + done, n);
        if (wrote <= 0)
            return false;
        done += static_cast<std::size_t>(wrote);
        if (with_faults)
            fault_point();
    }
    return true;
}

}  // namespace

void set_fault_hook(std::function<void()> hook)
{
    fault_hook() = std::move(hook);
}

void fault_point()
{
    if (fault_hook())
        fault_hook()();
}

bool create_exclusive(const std::string& path, std::string_view content)
{
    int handle = handles::open_for_write(path, true);
    if (handle < 0)
        return false;
    bool ok = write_all(handle, content, false);
    handles::close_handle(handle);
    return ok;
}

bool write_temporary(const std::string& temp_path, std::string_view bytes)
{
    int handle = handles::open_for_write(temp_path, false);
    if (handle < 0)
        return false;
    // Flushed before the rename that follows, which must never publish a
    // file whose data is not on the disk yet.
    bool ok = write_all(handle, bytes, true) && handles::flush_to_disk(handle);
    handles::close_handle(handle);
    return ok;
}

bool replace_file(const std::string& from, const std::string& to)
{
    // On Windows a program that holds the target open for a moment (a
    // scanner, an indexer, a reader polling it) makes the rename fail with a
    // sharing violation; it is tried again for about a second.
    constexpr int kAttempts = 20;
    for (int attempt = 1;; ++attempt) {
        std::error_code ec;
        fs::rename(from, to, ec);
        if (!ec)
            return true;
        if (attempt == kAttempts || !fs::exists(from, ec))
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

bool append_to_file(const std::string& path, std::string_view bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "ab");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = (std::fclose(f) == 0) && ok;
    return ok;
}

}  // namespace vyn::platform
