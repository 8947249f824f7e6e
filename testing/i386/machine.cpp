// The machine's run loop, its import stubs and the program's view of memory.
//
// A call of an import lands on its stub address. The instruction hook sees
// the address before anything there executes and stops the emulator; the run
// loop then carries out the call in C++ and resumes at the caller's return
// address. The same hook counts instructions against the budget. Calls the
// loader makes (TLS callbacks, DLL entries, the entry point) return to
// kLoaderReturn, which moves the process to its next stage.
#include "testing/i386/engine.h"

#include "testing/i386/api.h"
#include "testing/i386/msvcrt.h"

#include "common/strings.h"

#include <cstring>

namespace vyn::i386 {

namespace {

constexpr std::uint32_t kTebLastError = 0x34;
// Room left below the program's stack pointer for the detach calls.
constexpr std::uint32_t kDetachGap = 256;

int unicorn_register(Register r)
{
    switch (r) {
    case Register::Eax: return UC_X86_REG_EAX;
    case Register::Ebx: return UC_X86_REG_EBX;
    case Register::Ecx: return UC_X86_REG_ECX;
    case Register::Edx: return UC_X86_REG_EDX;
    case Register::Esi: return UC_X86_REG_ESI;
    case Register::Edi: return UC_X86_REG_EDI;
    case Register::Ebp: return UC_X86_REG_EBP;
    case Register::Esp: return UC_X86_REG_ESP;
    case Register::Eip: return UC_X86_REG_EIP;
    case Register::FpuControl: return UC_X86_REG_FPCW;
    }
    return UC_X86_REG_INVALID;
}

std::string hex8(std::uint32_t value)
{
    return format("0x%08x", value);
}

// What the processor exceptions the program can raise are called.
std::string exception_name(int number)
{
    switch (number) {
    case 0: return "integer division by zero";
    case 1: return "single-step trap";
    case 3: return "breakpoint";
    case 4: return "integer overflow";
    case 5: return "array bounds exceeded";
    case 6: return "invalid instruction";
    case 13: return "privileged instruction";
    case 16: return "floating-point error";
    case 17: return "misaligned access";
    default: return "processor exception " + std::to_string(number);
    }
}

// The x87's 80-bit form of value: sign and 15-bit exponent, then a 64-bit
// mantissa with its integer bit explicit. Every double converts exactly.
void to_extended(double value, std::uint8_t out[10])
{
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    std::uint32_t sign = static_cast<std::uint32_t>(bits >> 63) << 15;
    std::int32_t exponent = static_cast<std::int32_t>((bits >> 52) & 0x7FF);
    std::uint64_t fraction = bits & ((std::uint64_t(1) << 52) - 1);
    std::uint64_t mantissa = 0;
    std::uint32_t biased = 0;
    if (exponent == 0x7FF) {
        mantissa = (std::uint64_t(1) << 63) | (fraction << 11);
        biased = 0x7FFF;
    } else if (exponent != 0 || fraction != 0) {
        if (exponent == 0) {  // subnormal: normalise
            exponent = 1;
            while (!(fraction & (std::uint64_t(1) << 52))) {
                fraction <<= 1;
                --exponent;
            }
        } else {
            fraction |= std::uint64_t(1) << 52;
        }
        mantissa = fraction << 11;
        biased = static_cast<std::uint32_t>(exponent - 1023 + 16383);
    }
    for (int i = 0; i < 8; ++i)
        out[i] = static_cast<std::uint8_t>(mantissa >> (8 * i));
    out[8] = static_cast<std::uint8_t>(biased | sign);
    out[9] = static_cast<std::uint8_t>((biased | sign) >> 8);
}

}  // namespace

std::uint32_t GuestHeap::allocate(std::uint32_t size)
{
    std::uint64_t rounded = (std::uint64_t(size) + 7) & ~std::uint64_t(7);
    if (rounded == 0)
        rounded = 8;
    for (auto it = free_.begin(); it != free_.end(); ++it) {
        if (it->second < rounded)
            continue;
        std::uint32_t address = it->first, left = it->second - static_cast<std::uint32_t>(rounded);
        free_.erase(it);
        if (left != 0)
            free_[address + static_cast<std::uint32_t>(rounded)] = left;
        live_[address] = static_cast<std::uint32_t>(rounded);
        return address;
    }
    return 0;
}

bool GuestHeap::free(std::uint32_t address)
{
    auto live = live_.find(address);
    if (live == live_.end())
        return false;
    std::uint32_t size = live->second;
    live_.erase(live);
    auto next = free_.lower_bound(address);
    if (next != free_.end() && address + size == next->first) {
        size += next->second;
        next = free_.erase(next);
    }
    if (next != free_.begin()) {
        auto previous = std::prev(next);
        if (previous->first + previous->second == address) {
            previous->second += size;
            return true;
        }
    }
    free_[address] = size;
    return true;
}

std::uint32_t GuestHeap::block_size(std::uint32_t address) const
{
    auto live = live_.find(address);
    return live == live_.end() ? 0 : live->second;
}

Machine::Machine(Console& console) : console_(console), engine_(std::make_unique<Engine>()) {}

Machine::~Machine() = default;

bool Machine::fail(std::string message)
{
    error_ = std::move(message);
    return false;
}

bool Machine::fail_in(const Module& module, std::string message)
{
    return fail(module.name.empty() ? std::move(message) : module.name + ": " + message);
}

void Machine::start_guest_call(std::uint32_t function, std::span<const std::uint32_t> args, std::uint32_t esp_top)
{
    std::uint32_t esp = esp_top - 4 * static_cast<std::uint32_t>(args.size() + 1);
    poke_u32(esp, kLoaderReturn);
    for (std::size_t i = 0; i < args.size(); ++i)
        poke_u32(esp + 4 * static_cast<std::uint32_t>(i + 1), args[i]);
    set_reg(Register::Esp, esp);
    set_reg(Register::Eip, function);
}

void Machine::start_next()
{
    if (!calls_.empty()) {
        GuestCall call = calls_.front();
        calls_.pop_front();
        Module& module = *modules_[call.module];
        module.attached = true;
        // A DLL's entry is told that the load is static and, at the end,
        // that the process is ending (a reserved argument that is not null).
        const std::uint32_t args[] = {module.base, call.reason, call.dll_entry ? 1u : 0u};
        current_call_ = call;
        start_guest_call(call.function, args, call_stack_top_);
        return;
    }
    // The entry point is called as the system calls it, with the process
    // block as its argument; returning from it ends the process.
    current_call_.reset();
    modules_[0]->attached = true;
    stage_ = Stage::Running;
    const std::uint32_t args[] = {kProcessBlock};
    start_guest_call(entry_, args, kStackTop - 16);
}

bool Machine::call_succeeded(StopResult& result)
{
    if (!current_call_ || !current_call_->dll_entry || current_call_->reason != kDllProcessAttach ||
        reg(Register::Eax) != 0)
        return true;
    result.kind = StopKind::DllInitFailed;
    result.message = modules_[current_call_->module]->name + ": its entry point refused to attach (returned 0)";
    result.instructions = engine_->executed;
    return false;
}

bool Machine::loader_return(StopResult& result)
{
    if (stage_ == Stage::Attaching && !call_succeeded(result))
        return false;
    if (!calls_.empty() || stage_ == Stage::Attaching) {
        start_next();
        return true;
    }
    if (stage_ == Stage::Running)
        return begin_exit(reg(Register::Eax), result);
    result.kind = StopKind::Exited;
    result.exit_code = exit_code_;
    return false;
}

bool Machine::begin_exit(std::uint32_t code, StopResult& result)
{
    exit_code_ = code;
    const bool detaching = stage_ == Stage::Detaching;
    stage_ = Stage::Detaching;
    calls_.clear();
    if (!detaching)
        queue_detach_calls();
    if (calls_.empty()) {
        result.kind = StopKind::Exited;
        result.exit_code = exit_code_;
        return false;
    }
    call_stack_top_ = (reg(Register::Esp) - kDetachGap) & ~15u;
    if (call_stack_top_ <= stack_base_ + kDetachGap)
        call_stack_top_ = kStackTop - 16;
    start_next();
    return true;
}

StopResult Machine::run(std::uint64_t instruction_budget)
{
    StopResult result;
    if (!loaded_) {
        result.message = "no image loaded";
        return result;
    }
    engine_->budget_end = engine_->executed + instruction_budget;
    execute(0, result);
    if (result.kind == StopKind::Budget && engine_->budget_spent)
        result.message = "instruction budget of " + std::to_string(instruction_budget) + " spent";
    return result;
}

bool Machine::execute(std::uint32_t return_address, StopResult& result)
{
    Engine& e = *engine_;
    for (;;) {
        e.reset_stop();
        std::uint32_t eip = reg(Register::Eip);
        uc_err status = uc_emu_start(e.uc, eip, 0xFFFFFFFFu, 0, 0);
        result.instructions = e.executed;
        if (e.interrupt >= 0) {
            result.kind = StopKind::Fault;
            result.message = exception_name(e.interrupt) + " at " + hex8(reg(Register::Eip));
            return false;
        }
        if (status != UC_ERR_OK) {
            result.kind = StopKind::Fault;
            result.message = fault_message(status);
            return false;
        }
        if (e.at_stub) {
            if (return_address != 0 && e.stub_address == return_address)
                return true;
            bool go_on = e.stub_address == kLoaderReturn ? loader_return(result)
                                                         : call_stub((e.stub_address - kStubBase) / kStubSize, result);
            if (!go_on)
                return false;
            continue;
        }
        result.kind = StopKind::Budget;
        result.message = e.budget_spent ? "instruction budget spent" : "stopped at " + hex8(reg(Register::Eip));
        return false;
    }
}

bool Machine::call_guest(std::uint32_t function, std::span<const std::uint32_t> args, std::uint32_t& result)
{
    if (pending_stop_)
        return false;
    const std::uint32_t saved_esp = reg(Register::Esp), saved_eip = reg(Register::Eip), saved_call = call_esp_;
    // The callee's frame goes below the emulated function's own arguments.
    std::uint32_t esp = ((saved_esp - 64) & ~15u) - 4 * static_cast<std::uint32_t>(args.size() + 1);
    poke_u32(esp, kGuestReturn);
    for (std::size_t i = 0; i < args.size(); ++i)
        poke_u32(esp + 4 * static_cast<std::uint32_t>(i + 1), args[i]);
    set_reg(Register::Esp, esp);
    set_reg(Register::Eip, function);
    StopResult stop;
    if (!execute(kGuestReturn, stop)) {
        pending_stop_ = stop;
        return false;
    }
    result = reg(Register::Eax);
    set_reg(Register::Esp, saved_esp);
    set_reg(Register::Eip, saved_eip);
    call_esp_ = saved_call;
    return true;
}

void Machine::raise_fault(std::uint32_t address)
{
    raise_exception("fault at " + hex8(address));
}

void Machine::raise_exception(const std::string& message)
{
    if (pending_stop_)
        return;
    StopResult stop;
    stop.kind = StopKind::Fault;
    stop.message = message;
    stop.instructions = engine_->executed;
    pending_stop_ = stop;
}

void Machine::resume_at(std::uint32_t eip, std::uint32_t esp, std::uint32_t eax)
{
    resume_ = Resume{eip, esp, eax};
}

CRuntime& Machine::crt()
{
    if (!crt_)
        crt_ = std::make_unique<CRuntime>();
    return *crt_;
}

std::uint32_t Machine::argument(std::uint32_t index)
{
    std::uint32_t value = 0;
    std::uint32_t address = call_esp_ + 4 + 4 * index;
    if (!read_u32(address, value))
        raise_fault(address);
    return value;
}

double Machine::argument_double(std::uint32_t index)
{
    std::uint64_t bits = argument(index) | (std::uint64_t(argument(index + 1)) << 32);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Pushes value on the FPU's register stack: the top moves down one, and
// the new top register is marked as holding a value.
void Machine::return_double(double value)
{
    uc_engine* uc = engine_->uc;
    std::uint32_t status = 0, tags = 0;
    uc_reg_read(uc, UC_X86_REG_FPSW, &status);
    std::uint32_t top = (((status >> 11) & 7) - 1) & 7;
    status = (status & ~0x3800u) | (top << 11);
    uc_reg_write(uc, UC_X86_REG_FPSW, &status);
    std::uint8_t extended[10];
    to_extended(value, extended);
    uc_reg_write(uc, UC_X86_REG_ST0, extended);
    uc_reg_read(uc, UC_X86_REG_FPTAG, &tags);
    tags &= ~(3u << (2 * top));
    uc_reg_write(uc, UC_X86_REG_FPTAG, &tags);
}

std::string Machine::fault_message(int uc_error) const
{
    const std::string at = "fault at " + hex8(engine_->fault_address);
    switch (uc_error) {
    case UC_ERR_READ_UNMAPPED:
    case UC_ERR_WRITE_UNMAPPED:
    case UC_ERR_FETCH_UNMAPPED:
        return at;
    case UC_ERR_WRITE_PROT: return at + " (writing a read-only page)";
    case UC_ERR_READ_PROT: return at + " (reading a page without access)";
    case UC_ERR_FETCH_PROT: return at + " (executing a page that is not executable)";
    case UC_ERR_INSN_INVALID: return "invalid instruction at " + hex8(reg(Register::Eip));
    default:
        return std::string("emulator stopped: ") + uc_strerror(static_cast<uc_err>(uc_error)) + " at " +
               hex8(reg(Register::Eip));
    }
}

bool Machine::call_stub(std::size_t index, StopResult& result)
{
    if (index >= stubs_.size()) {
        result.kind = StopKind::Fault;
        result.message = "call of an unused import stub at " + hex8(engine_->stub_address);
        return false;
    }
    const Stub& stub = stubs_[index];
    if (!stub.api) {
        result.kind = StopKind::UnimplementedImport;
        result.message = "unimplemented import " + stub.dll + "!" + stub.name;
        return false;
    }
    std::uint32_t esp = reg(Register::Esp);
    std::vector<std::uint32_t> frame(1 + stub.api->arg_count);  // return address, then the arguments
    for (std::size_t i = 0; i < frame.size(); ++i) {
        if (!read_u32(esp + static_cast<std::uint32_t>(4 * i), frame[i])) {
            result.kind = StopKind::Fault;
            result.message = "fault at " + hex8(esp + static_cast<std::uint32_t>(4 * i));
            return false;
        }
    }
    call_esp_ = esp;
    std::uint32_t value = stub.api->call(*this, frame.data() + 1);
    if (pending_stop_) {
        result = *pending_stop_;
        result.instructions = engine_->executed;
        return false;
    }
    if (exit_requested_) {
        exit_requested_ = false;
        return begin_exit(exit_code_, result);
    }
    if (resume_) {
        set_reg(Register::Eax, resume_->eax);
        set_reg(Register::Esp, resume_->esp);
        set_reg(Register::Eip, resume_->eip);
        resume_.reset();
        return true;
    }
    set_reg(Register::Eax, value);
    std::uint32_t popped = stub.api->convention == Convention::Stdcall ? 4 * stub.api->arg_count : 0;
    set_reg(Register::Esp, esp + 4 + popped);
    set_reg(Register::Eip, frame[0]);
    return true;
}

void Machine::request_exit(std::uint32_t code)
{
    exit_requested_ = true;
    exit_code_ = code;
}

std::uint32_t Machine::last_error() const
{
    std::uint32_t code = 0;
    read_u32(kThreadBlock + kTebLastError, code);
    return code;
}

void Machine::set_last_error(std::uint32_t code)
{
    write_u32(kThreadBlock + kTebLastError, code);
}

const Machine::Region* Machine::region_at(std::uint32_t address, std::uint32_t& base) const
{
    auto after = regions_.upper_bound(address);
    if (after == regions_.begin())
        return nullptr;
    --after;
    if (address - after->first >= after->second.size)
        return nullptr;
    base = after->first;
    return &after->second;
}

bool Machine::writable(std::uint32_t address, std::uint32_t size) const
{
    std::uint64_t at = address, end = std::uint64_t(address) + size;
    while (at < end) {
        std::uint32_t base = 0;
        const Region* region = region_at(static_cast<std::uint32_t>(at), base);
        if (!region || !(region->protection & kWrite))
            return false;
        at = std::uint64_t(base) + region->size;
    }
    return true;
}

bool Machine::read_memory(std::uint32_t address, std::span<std::uint8_t> bytes) const
{
    if (bytes.empty())
        return true;
    std::uint64_t at = address, end = std::uint64_t(address) + bytes.size();
    while (at < end) {
        std::uint32_t base = 0;
        const Region* region = region_at(static_cast<std::uint32_t>(at), base);
        if (!region || region->protection == 0)
            return false;
        at = std::uint64_t(base) + region->size;
    }
    return uc_mem_read(engine_->uc, address, bytes.data(), bytes.size()) == UC_ERR_OK;
}

bool Machine::write_memory(std::uint32_t address, std::span<const std::uint8_t> bytes)
{
    if (bytes.empty())
        return true;
    return writable(address, static_cast<std::uint32_t>(bytes.size())) &&
           uc_mem_write(engine_->uc, address, bytes.data(), bytes.size()) == UC_ERR_OK;
}

bool Machine::read_u32(std::uint32_t address, std::uint32_t& value) const
{
    std::uint8_t b[4];
    if (!read_memory(address, b))
        return false;
    value = b[0] | (b[1] << 8) | (b[2] << 16) | (std::uint32_t(b[3]) << 24);
    return true;
}

bool Machine::write_u32(std::uint32_t address, std::uint32_t value)
{
    const std::uint8_t b[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                               static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    return write_memory(address, b);
}

std::uint32_t Machine::reg(Register r) const
{
    std::uint32_t value = 0;
    if (engine_->uc)
        uc_reg_read(engine_->uc, unicorn_register(r), &value);
    return value;
}

void Machine::set_reg(Register r, std::uint32_t value)
{
    if (engine_->uc)
        uc_reg_write(engine_->uc, unicorn_register(r), &value);
}

}  // namespace vyn::i386
