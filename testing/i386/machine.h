// The emulated i386 console machine: a PE32 image mapped into an emulated
// 32-bit address space, its imports bound to stubs that call C++
// implementations of the system functions, a stack, and a run loop that
// stops on ExitProcess, on a fault, on a call of an import nobody
// implemented, or when the instruction budget is spent.
//
// Address space (the image itself lies at its preferred base, below these):
//   0x20000000  heap, 16 MB, handed out by HeapAlloc
//   0x7FC00000  stack, 1 MB, ESP starts near its top
//   0x7FD00000  process block: the command line
//   0x7FFE0000  import stubs, 4 bytes each; executing one calls its import
//
// The run loop is written so that a debugger can be put on it later: the
// per-instruction hook is where breakpoints and single steps will stop, and
// memory and registers are reachable from outside between runs.
#pragma once

#include "testing/i386/console.h"
#include "testing/i386/pe_image.h"

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vyn::i386 {

enum class Register { Eax, Ebx, Ecx, Edx, Esi, Edi, Ebp, Esp, Eip };

enum class StopKind {
    Exited,               // ExitProcess; exit_code holds its argument
    Fault,                // access to unmapped memory or an invalid instruction
    UnimplementedImport,  // a call of an import without an implementation
    Budget,               // the instruction budget ran out
};

struct StopResult {
    StopKind kind = StopKind::Fault;
    std::uint32_t exit_code = 0;
    std::string message;             // empty for Exited
    std::uint64_t instructions = 0;  // executed since the image was loaded
};

struct ApiFunction;

// A bump allocator over the heap region; live blocks are remembered so that
// HeapFree can tell a block it handed out from a stray pointer.
class GuestHeap {
public:
    GuestHeap(std::uint32_t base, std::uint32_t size) : next_(base), end_(base + size) {}
    // The address of size fresh bytes (zero, since they were never used), or
    // 0 when the region is exhausted.
    std::uint32_t allocate(std::uint32_t size);
    bool free(std::uint32_t address);

private:
    std::uint32_t next_;  // next_ <= end_, 8-byte aligned
    std::uint32_t end_;
    std::map<std::uint32_t, std::uint32_t> live_;  // address -> size
};

class Machine {
public:
    static constexpr std::uint32_t kHeapBase = 0x20000000;
    static constexpr std::uint32_t kHeapSize = 16u << 20;
    static constexpr std::uint32_t kStackBase = 0x7FC00000;
    static constexpr std::uint32_t kStackSize = 1u << 20;
    static constexpr std::uint32_t kProcessBlock = 0x7FD00000;
    static constexpr std::uint32_t kProcessBlockSize = 0x10000;
    static constexpr std::uint32_t kStubBase = 0x7FFE0000;
    static constexpr std::uint32_t kStubSize = 4;
    static constexpr std::uint32_t kStubRegionSize = 0x10000;

    explicit Machine(Console& console);
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // Maps the image file, binds its imports and prepares the stack and the
    // command line. False with a message in error() when the file is not a
    // loadable image; the machine must not be run then.
    bool load(std::span<const std::uint8_t> file, const std::string& command_line);
    const std::string& error() const { return error_; }

    // Runs from where the machine stands until it stops; at most
    // instruction_budget further instructions.
    StopResult run(std::uint64_t instruction_budget);

    // Memory and registers, for the emulated system functions (and later
    // a debugger). Reads and writes fail on unmapped addresses.
    bool read_memory(std::uint32_t address, std::span<std::uint8_t> bytes) const;
    bool write_memory(std::uint32_t address, std::span<const std::uint8_t> bytes);
    bool read_u32(std::uint32_t address, std::uint32_t& value) const;
    bool write_u32(std::uint32_t address, std::uint32_t value);
    std::uint32_t reg(Register r) const;
    void set_reg(Register r, std::uint32_t value);

    // Process state the emulated system functions work on.
    Console& console() { return console_; }
    GuestHeap& heap() { return heap_; }
    std::uint32_t image_base() const { return image_base_; }
    std::uint32_t command_line_address() const { return kProcessBlock; }
    std::uint32_t last_error = 0;
    // Ends the run after the current system function returns.
    void request_exit(std::uint32_t code);

private:
    struct Stub {
        std::string dll;
        std::string name;
        const ApiFunction* api = nullptr;  // null: no implementation
    };
    struct Engine;

    bool fail(std::string message);
    bool reserve_regions(std::uint32_t image_base, std::size_t image_size);
    bool bind_imports(std::vector<std::uint8_t>& mapped, const std::vector<ImportedFunction>& imports);
    bool write_command_line(const std::string& command_line);
    // Carries out the call of stub index and returns to its caller; false
    // with result filled when the call stops the machine.
    bool call_stub(std::size_t index, StopResult& result);
    std::string fault_message(int uc_error) const;

    Console& console_;
    std::unique_ptr<Engine> engine_;
    GuestHeap heap_{kHeapBase, kHeapSize};
    std::vector<Stub> stubs_;
    std::uint32_t image_base_ = 0;
    bool loaded_ = false;
    bool exit_requested_ = false;
    std::uint32_t exit_code_ = 0;
    std::string error_;
};

}  // namespace vyn::i386
