// The emulated i386 console machine: a PE32 image loaded into an emulated
// 32-bit address space as the system's loader does it, its imports bound to
// stubs that call C++ implementations of the system functions, and a run
// loop that stops when the process ends, on a fault, on a call of an import
// nobody implemented, or when the instruction budget is spent.
//
// Address space:
//   image        at its preferred base, or moved by its base relocations
//                when that range is taken
//   0x20000000   heap, 256 MB; the process heap's handle is its first page
//   below 0x7FD00000  the stack, as large as the header's stack reserve
//   0x7FFC0000   the command line
//   0x7FFDE000   thread block (FS points here), 0x7FFDF000 process block
//   0x7FFE0000   import stubs, 4 bytes each; executing one calls its import;
//                0x7FFF0000 is where calls the loader makes return to
//   0x80000000   system page: descriptor table and the switch to user mode
//
// The program runs in user mode (privilege level 3), so privileged
// instructions fault; image pages carry the protections their sections ask
// for. Regions are mapped lazily by the emulator: untouched pages cost no
// host memory.
//
// The run loop is written so that a debugger can be put on it: the
// per-instruction hook is where breakpoints and single steps stop, and
// memory and registers are reachable from outside between runs.
#pragma once

#include "testing/i386/console.h"
#include "testing/i386/pe_image.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vyn::i386 {

enum class Register { Eax, Ebx, Ecx, Edx, Esi, Edi, Ebp, Esp, Eip, FpuControl };

enum class StopKind {
    Exited,               // the process ended; exit_code holds its full 32-bit code
    Fault,                // access violation, processor exception or bad instruction
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
struct CRuntime;

// A first-fit allocator over the heap region. Live blocks are remembered so
// that a free can tell a block it handed out from a stray pointer; freed
// blocks join their free neighbours.
//
// Invariant: live and free blocks do not overlap, every size is a multiple
// of 8, and no two free blocks touch.
class GuestHeap {
public:
    GuestHeap(std::uint32_t base, std::uint32_t size) { free_[base] = size & ~7u; }
    // The address of at least size bytes (not cleared), or 0 when the
    // region has no room.
    std::uint32_t allocate(std::uint32_t size);
    bool free(std::uint32_t address);
    // The usable size of a live block, or 0 for anything else.
    std::uint32_t block_size(std::uint32_t address) const;

private:
    std::map<std::uint32_t, std::uint32_t> free_;  // address -> size
    std::map<std::uint32_t, std::uint32_t> live_;  // address -> size
};

class Machine {
public:
    static constexpr std::uint32_t kPageSize = 0x1000;
    static constexpr std::uint32_t kHeapBase = 0x20000000;
    static constexpr std::uint32_t kHeapSize = 256u << 20;
    static constexpr std::uint32_t kProcessHeap = kHeapBase;  // the heap's header page
    static constexpr std::uint32_t kStackTop = 0x7FD00000;
    static constexpr std::uint32_t kCommandLine = 0x7FFC0000;
    static constexpr std::uint32_t kCommandLineSize = 0x10000;
    static constexpr std::uint32_t kThreadBlock = 0x7FFDE000;
    static constexpr std::uint32_t kProcessBlock = 0x7FFDF000;
    static constexpr std::uint32_t kStubBase = 0x7FFE0000;
    static constexpr std::uint32_t kStubSize = 4;
    static constexpr std::uint32_t kLoaderReturn = kStubBase + kMaxImports * kStubSize;
    static constexpr std::uint32_t kGuestReturn = kLoaderReturn + kStubSize;
    static constexpr std::uint32_t kStubRegionSize = kMaxImports * kStubSize + kPageSize;
    static constexpr std::uint32_t kSystemPage = 0x80000000;

    explicit Machine(Console& console);
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // Loads the image file, binds its imports and prepares the process: the
    // thread and process blocks, the stack, the command line, TLS. False
    // with a message in error() when the file is not a loadable image; the
    // machine must not be run then.
    bool load(std::span<const std::uint8_t> file, const std::string& command_line);
    const std::string& error() const { return error_; }

    // Runs from where the machine stands until it stops; at most
    // instruction_budget further instructions.
    StopResult run(std::uint64_t instruction_budget);

    // Memory and registers as the program sees them: reads fail on unmapped
    // addresses, writes also on pages the program may not write. The
    // emulated system functions use these for every guest pointer.
    bool read_memory(std::uint32_t address, std::span<std::uint8_t> bytes) const;
    bool write_memory(std::uint32_t address, std::span<const std::uint8_t> bytes);
    bool writable(std::uint32_t address, std::uint32_t size) const;
    bool read_u32(std::uint32_t address, std::uint32_t& value) const;
    bool write_u32(std::uint32_t address, std::uint32_t value);
    std::uint32_t reg(Register r) const;
    void set_reg(Register r, std::uint32_t value);

    // For the emulated function being called: its index-th 32-bit argument
    // (a fault when the stack cannot be read), a double held in two of them,
    // and a floating-point result, returned in ST(0) as C code expects.
    std::uint32_t argument(std::uint32_t index);
    std::uint32_t argument_address(std::uint32_t index) const { return call_esp_ + 4 + 4 * index; }
    double argument_double(std::uint32_t index);
    void return_double(double value);
    // Calls a function of the program with args and gives its EAX. False
    // when the program stopped the machine meanwhile (a fault, the end of
    // the process, the budget): the emulated function must return at once.
    bool call_guest(std::uint32_t function, std::span<const std::uint32_t> args, std::uint32_t& result);
    // Ends the call in progress with an access violation at address, as the
    // real function would on a bad pointer.
    void raise_fault(std::uint32_t address);
    // The same for another processor exception, named by message.
    void raise_exception(const std::string& message);
    bool stopped() const { return pending_stop_.has_value(); }
    // The call in progress does not return to its caller: execution goes
    // on with these registers (longjmp).
    void resume_at(std::uint32_t eip, std::uint32_t esp, std::uint32_t eax);
    // The C library's state, made on first use.
    CRuntime& crt();

    // Process state the emulated system functions work on.
    Console& console() { return console_; }
    GuestHeap& heap() { return heap_; }
    std::uint32_t image_base() const { return image_base_; }
    std::uint32_t command_line_address() const { return kCommandLine; }
    std::uint32_t stack_limit() const { return stack_base_; }  // the lowest stack address
    // The thread's last error, kept in the thread block as the system does.
    std::uint32_t last_error() const;
    void set_last_error(std::uint32_t code);
    // Ends the process after the current system function returns.
    void request_exit(std::uint32_t code);

private:
    struct Stub {
        std::string dll;
        std::string name;
        const ApiFunction* api = nullptr;  // null: no implementation
    };
    struct Engine;
    struct Region {
        std::uint32_t size;
        std::uint32_t protection;  // Protection bits
    };
    // A function of the program the loader calls (a TLS callback), stdcall.
    struct GuestCall {
        std::uint32_t function;
        std::uint32_t reason;
    };
    enum class Stage { Attaching, Running, Detaching };

    bool fail(std::string message);
    // Loading, in loader.cpp.
    bool map_region(std::uint32_t base, std::uint32_t size, std::uint32_t protection);
    bool place_image(const PeImage& image);
    bool map_image(const PeImage& image);
    bool relocate(const PeImage& image);
    bool bind_imports(const PeImage& image);
    bool enter_user_mode();
    bool build_process_blocks(const PeImage& image, const std::string& command_line);
    bool set_up_tls(const PeImage& image);
    bool poke(std::uint32_t address, std::span<const std::uint8_t> bytes);
    bool poke_u32(std::uint32_t address, std::uint32_t value);
    // The run loop's side of the loader's calls, in machine.cpp.
    // Sets the registers for a call of function with args that returns to
    // kLoaderReturn, its frame just below esp_top.
    void start_guest_call(std::uint32_t function, std::span<const std::uint32_t> args, std::uint32_t esp_top);
    // The next of the loader's calls, or the entry point once they are done.
    void start_next();
    // What a return to kLoaderReturn means at this stage; false with result
    // filled when the process has ended.
    bool loader_return(StopResult& result);
    // Ends the process with code: the TLS callbacks are called to detach
    // first, unless that is under way. False with result filled when
    // nothing is left to run.
    bool begin_exit(std::uint32_t code, StopResult& result);
    // Carries out the call of stub index and returns to its caller; false
    // with result filled when the call stops the machine.
    bool call_stub(std::size_t index, StopResult& result);
    // Runs until the program returns to return_address (true) or the
    // machine stops (false, result filled).
    bool execute(std::uint32_t return_address, StopResult& result);
    std::string fault_message(int uc_error) const;
    const Region* region_at(std::uint32_t address, std::uint32_t& base) const;

    Console& console_;
    std::unique_ptr<Engine> engine_;
    GuestHeap heap_{kHeapBase + kPageSize, kHeapSize - kPageSize};
    std::vector<Stub> stubs_;
    std::map<std::uint32_t, Region> regions_;  // base -> region; regions do not overlap
    std::uint32_t image_base_ = 0;
    std::uint32_t image_size_ = 0;
    std::uint32_t entry_ = 0;
    std::uint32_t stack_base_ = 0;  // lowest stack address; the top is kStackTop
    bool executable_data_ = false;  // the image is not NX-compatible
    std::vector<std::uint32_t> tls_callbacks_;
    std::deque<GuestCall> calls_;
    std::uint32_t call_stack_top_ = 0;
    Stage stage_ = Stage::Attaching;
    bool loaded_ = false;
    bool exit_requested_ = false;
    std::uint32_t call_esp_ = 0;  // ESP at the call of the emulated function in progress
    std::optional<StopResult> pending_stop_;
    struct Resume {
        std::uint32_t eip, esp, eax;
    };
    std::optional<Resume> resume_;
    std::unique_ptr<CRuntime> crt_;
    std::uint32_t exit_code_ = 0;
    std::string error_;
};

}  // namespace vyn::i386
