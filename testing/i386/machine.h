// The emulated i386 console machine: a PE32 image loaded into an emulated
// 32-bit address space as the system's loader does it, its imports bound to
// stubs that call C++ implementations of the system functions, and a run
// loop that stops when the process ends, on a fault, on a call of an import
// nobody implemented, or when the instruction budget is spent.
//
// The DLLs the image imports that are not the system's (which the machine
// serves itself) are loaded from files the DLL finder gives, each at its
// preferred base or moved by its base relocations, their imports resolved
// among them, and their entry points called to attach before the program
// starts and to detach when it ends.
//
// Address space:
//   image, DLLs  at their preferred bases, or moved by their base
//                relocations when those ranges are taken
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
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vyn::i386 {

enum class Register { Eax, Ebx, Ecx, Edx, Esi, Edi, Ebp, Esp, Eip, FpuControl };

enum class StopKind {
    Exited,               // the process ended; exit_code holds its full 32-bit code
    Fault,                // access violation, processor exception or bad instruction
    UnimplementedImport,  // a call of an import without an implementation
    Budget,               // the instruction budget ran out
    DllInitFailed,        // a DLL's entry point refused to attach to the process
};

// A DLL file as the finder found it.
struct DllFile {
    std::string path;
    std::vector<std::uint8_t> bytes;
};
// Looks a DLL up by the name an import directory gives (the system's own
// DLLs are never asked for); nothing when there is no such file.
using DllFinder = std::function<std::optional<DllFile>(const std::string& name)>;

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

    static constexpr std::size_t kMaxModules = 64;  // the program and its DLLs

    // Where load finds the DLLs the image imports. Without a finder, the
    // imports of DLLs the machine does not serve are bound to stubs that
    // report a call, as for any unimplemented import.
    void set_dll_finder(DllFinder finder) { dll_finder_ = std::move(finder); }
    // Loads the image file and the DLLs it needs, binds their imports and
    // prepares the process: the thread and process blocks, the stack, the
    // command line, TLS, the DLLs' attach calls. False with a message in
    // error() when a file is not a loadable image or a DLL is missing; the
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
    // The base of a loaded DLL, named as a program asks for a module handle
    // (any case, ".dll" implied); 0 when none of that name is loaded.
    std::uint32_t module_base(std::string_view name) const;
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
    // A loaded image: the program (modules_[0]) or a DLL.
    struct Module {
        std::string name;                    // DLL name in lower case; empty for the program
        std::vector<std::uint8_t> file;      // a DLL's file while loading: the image's views point into it
        PeImage image;                       // released once loaded
        std::unordered_map<std::string, std::size_t> export_names;       // name -> index in image.exports
        std::unordered_map<std::uint32_t, std::size_t> export_ordinals;  // ordinal -> index in image.exports
        std::uint32_t base = 0;
        std::uint32_t entry = 0;             // absolute; 0 for a DLL without one
        std::vector<std::size_t> dependencies;  // indices of the DLLs it imports from
        std::vector<std::uint32_t> tls_callbacks;
        bool attached = false;               // its attach calls have begun: it gets the detach calls
    };
    struct Region {
        std::uint32_t size;
        std::uint32_t protection;  // Protection bits
    };
    // A function the loader calls (a TLS callback or a DLL's entry),
    // stdcall, with the module's base and the reason.
    struct GuestCall {
        std::uint32_t function;
        std::size_t module;  // index in modules_
        std::uint32_t reason;
        bool dll_entry;      // a DLL's entry point, whose result counts at attach
    };
    enum class Stage { Attaching, Running, Detaching };

    bool fail(std::string message);
    // The same, the module named first when it is a DLL.
    bool fail_in(const Module& module, std::string message);
    // Loading, in loader.cpp.
    bool map_region(std::uint32_t base, std::uint32_t size, std::uint32_t protection);
    bool place_image(Module& module);
    bool map_image(const Module& module);
    bool relocate(const Module& module);
    bool enter_user_mode();
    bool build_process_blocks(const std::string& command_line);
    bool set_up_tls();
    // DLLs, in dll_loader.cpp.
    bool load_dlls();
    bool load_dll(const std::string& name, const Module& importer);
    std::size_t find_module(std::string_view lower_name) const;  // 0 (the program) when none
    bool bind_imports(Module& module);
    // The address an import of name from module binds to; 0 with a message
    // in error_ when there is none, which wanted_by ends ("which the
    // program imports").
    std::uint32_t resolve_export(const Module& module, const std::string& name, const std::string& wanted_by,
                                 int forwarding_depth);
    // A stub for dll!name (or the data import's object); 0 when there is no room.
    std::uint32_t stub_for(const std::string& dll, const std::string& name);
    void order_initialisation(std::size_t index, std::vector<bool>& visited);
    void queue_attach_calls();
    void queue_detach_calls();
    void release_load_data();
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
    // Whether the loader's call that just returned let the process go on;
    // false with result filled when a DLL refused to attach.
    bool call_succeeded(StopResult& result);
    // Ends the process with code: the modules' TLS callbacks and DLL entries
    // are called to detach first, unless that is under way. False with result filled when
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
    DllFinder dll_finder_;
    std::vector<std::unique_ptr<Module>> modules_;  // the program, then the DLLs in load order
    std::vector<std::size_t> init_order_;           // DLLs after the DLLs they import from, the program last
    std::optional<GuestCall> current_call_;         // the loader's call in progress
    std::map<std::uint32_t, Region> regions_;  // base -> region; regions do not overlap
    std::uint32_t image_base_ = 0;
    std::uint32_t entry_ = 0;
    std::uint32_t stack_base_ = 0;  // lowest stack address; the top is kStackTop
    bool executable_data_ = false;  // the image is not NX-compatible
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
