// The two consoles: host streams through POSIX descriptors, and buffers.
#include "testing/i386/console.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace vyn::i386 {

std::size_t HostConsole::read_input(std::span<std::uint8_t> buffer)
{
    for (;;) {
        ssize_t got = ::read(STDIN_FILENO, buffer.data(), buffer.size());
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            return 0;
    }
}

bool HostConsole::write(StdStream stream, std::span<const std::uint8_t> bytes)
{
    int fd = stream == StdStream::Error ? STDERR_FILENO : STDOUT_FILENO;
    while (!bytes.empty()) {
        ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        bytes = bytes.subspan(static_cast<std::size_t>(put));
    }
    return true;
}

std::size_t BufferConsole::read_input(std::span<std::uint8_t> buffer)
{
    std::size_t count = std::min(buffer.size(), input_.size() - input_used_);
    std::copy_n(input_.begin() + static_cast<std::ptrdiff_t>(input_used_), count, buffer.begin());
    input_used_ += count;
    return count;
}

bool BufferConsole::write(StdStream stream, std::span<const std::uint8_t> bytes)
{
    std::string& target = stream == StdStream::Error ? error_ : output_;
    target.append(bytes.begin(), bytes.end());
    return stream != StdStream::Input;
}

}  // namespace vyn::i386
