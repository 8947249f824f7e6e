// Where the emulated program's standard handles lead: the host's own
// streams for vyni386, or buffers for tests that give the input and look at
// the output afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vyn::i386 {

enum class StdStream { Input, Output, Error };

class Console {
public:
    virtual ~Console() = default;
    // Up to buffer.size() bytes of standard input; 0 at its end.
    virtual std::size_t read_input(std::span<std::uint8_t> buffer) = 0;
    // Writes all of bytes to standard output or error; false when it cannot.
    virtual bool write(StdStream stream, std::span<const std::uint8_t> bytes) = 0;
};

// The host process's stdin, stdout and stderr, unbuffered on our side so
// that the two output streams keep the order the program wrote them in.
class HostConsole : public Console {
public:
    std::size_t read_input(std::span<std::uint8_t> buffer) override;
    bool write(StdStream stream, std::span<const std::uint8_t> bytes) override;
};

// Input from a string; output and error collected in strings.
class BufferConsole : public Console {
public:
    explicit BufferConsole(std::string input = {}) : input_(std::move(input)) {}
    std::size_t read_input(std::span<std::uint8_t> buffer) override;
    bool write(StdStream stream, std::span<const std::uint8_t> bytes) override;

    const std::string& output() const { return output_; }
    const std::string& error() const { return error_; }

private:
    std::string input_;
    std::size_t input_used_ = 0;  // input_used_ <= input_.size()
    std::string output_;
    std::string error_;
};

}  // namespace vyn::i386
