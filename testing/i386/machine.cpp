// The machine on top of the Unicorn CPU emulator: memory regions, import
// stubs, and the run loop.
//
// A call of an import lands on its stub address. The instruction hook sees
// the address before anything there executes and stops the emulator; the run
// loop then carries out the call in C++ and resumes at the caller's return
// address. The same hook counts instructions against the budget.
#include "testing/i386/machine.h"

#include "testing/i386/api.h"

#include "common/strings.h"

#include <unicorn/unicorn.h>

#include <cstdio>

namespace vyn::i386 {

namespace {

constexpr std::uint32_t kPageSize = 0x1000;
constexpr std::uint8_t kHalt = 0xF4;

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
    }
    return UC_X86_REG_INVALID;
}

std::string hex8(std::uint32_t value)
{
    return format("0x%08x", value);
}

bool overlaps(std::uint64_t a, std::uint64_t a_size, std::uint64_t b, std::uint64_t b_size)
{
    return a < b + b_size && b < a + a_size;
}

}  // namespace

std::uint32_t GuestHeap::allocate(std::uint32_t size)
{
    std::uint64_t rounded = (std::uint64_t(size) + 7) & ~std::uint64_t(7);
    if (rounded == 0)
        rounded = 8;
    if (rounded > end_ - next_)
        return 0;
    std::uint32_t address = next_;
    next_ += static_cast<std::uint32_t>(rounded);
    live_[address] = size;
    return address;
}

bool GuestHeap::free(std::uint32_t address)
{
    return live_.erase(address) == 1;
}

// The emulator and what its hooks report to the run loop.
struct Machine::Engine {
    uc_engine* uc = nullptr;
    uc_hook code_hook = 0;
    uc_hook fault_hook = 0;
    std::uint64_t executed = 0;
    std::uint64_t budget_end = 0;  // stop before instruction number budget_end
    bool budget_spent = false;
    bool at_stub = false;
    std::uint32_t stub_address = 0;
    std::uint32_t fault_address = 0;

    ~Engine()
    {
        if (uc)
            uc_close(uc);
    }

    static void on_code(uc_engine* uc, std::uint64_t address, std::uint32_t, void* data)
    {
        auto* self = static_cast<Engine*>(data);
        if (address >= kStubBase && address < kStubBase + kStubRegionSize) {
            self->at_stub = true;
            self->stub_address = static_cast<std::uint32_t>(address);
            uc_emu_stop(uc);
            return;
        }
        if (self->executed >= self->budget_end) {
            self->budget_spent = true;
            uc_emu_stop(uc);
            return;
        }
        ++self->executed;
    }

    static bool on_unmapped(uc_engine*, uc_mem_type, std::uint64_t address, int, std::int64_t, void* data)
    {
        static_cast<Engine*>(data)->fault_address = static_cast<std::uint32_t>(address);
        return false;
    }
};

Machine::Machine(Console& console) : console_(console), engine_(std::make_unique<Engine>()) {}

Machine::~Machine() = default;

bool Machine::fail(std::string message)
{
    error_ = std::move(message);
    return false;
}

bool Machine::load(std::span<const std::uint8_t> file, const std::string& command_line)
{
    PeImage image;
    if (!read_pe_image(file, image, error_))
        return false;
    if (engine_->uc)
        return fail("an image is already loaded");
    if (uc_open(UC_ARCH_X86, UC_MODE_32, &engine_->uc) != UC_ERR_OK)
        return fail("the CPU emulator could not be started");
    image_base_ = image.image_base;
    if (!reserve_regions(image.image_base, image.mapped.size()) || !bind_imports(image.mapped, image.imports) ||
        !write_memory(image.image_base, image.mapped) || !write_command_line(command_line))
        return false;
    uc_hook_add(engine_->uc, &engine_->code_hook, UC_HOOK_CODE, reinterpret_cast<void*>(&Engine::on_code),
                engine_.get(), 1, 0);
    uc_hook_add(engine_->uc, &engine_->fault_hook, UC_HOOK_MEM_UNMAPPED,
                reinterpret_cast<void*>(&Engine::on_unmapped), engine_.get(), 1, 0);
    set_reg(Register::Esp, kStackBase + kStackSize - 16);
    set_reg(Register::Eip, image.image_base + image.entry_rva);
    loaded_ = true;
    return true;
}

// Maps the image and the machine's own regions; the image must keep clear of
// the latter, since this first cut does not relocate images.
bool Machine::reserve_regions(std::uint32_t image_base, std::size_t image_size)
{
    struct Region {
        std::uint32_t base;
        std::uint32_t size;
    };
    const Region regions[] = {{kHeapBase, kHeapSize},
                              {kStackBase, kStackSize},
                              {kProcessBlock, kProcessBlockSize},
                              {kStubBase, kStubRegionSize}};
    if (image_base < 0x10000)
        return fail("image base " + hex8(image_base) + " lies in the first 64 KB");
    for (const Region& r : regions) {
        if (overlaps(image_base, image_size, r.base, r.size))
            return fail("image at " + hex8(image_base) + " overlaps the machine's region at " + hex8(r.base));
        if (uc_mem_map(engine_->uc, r.base, r.size, UC_PROT_ALL) != UC_ERR_OK)
            return fail("cannot map the region at " + hex8(r.base));
    }
    if (uc_mem_map(engine_->uc, image_base, image_size, UC_PROT_ALL) != UC_ERR_OK)
        return fail("cannot map the image at " + hex8(image_base));
    std::vector<std::uint8_t> halts(kStubRegionSize, kHalt);
    return write_memory(kStubBase, halts);
}

// Gives every imported function a stub and stores its address in the IAT
// slot. Imports without an implementation get a stub too: the program may
// never call them, and a call is reported when it happens.
bool Machine::bind_imports(std::vector<std::uint8_t>& mapped, const std::vector<ImportedFunction>& imports)
{
    if (imports.size() > kStubRegionSize / kStubSize)
        return fail("too many imports (" + std::to_string(imports.size()) + ")");
    for (const ImportedFunction& import : imports) {
        std::uint32_t address = kStubBase + static_cast<std::uint32_t>(stubs_.size()) * kStubSize;
        stubs_.push_back({import.dll, import.name, find_api(import.dll, import.name)});
        for (int i = 0; i < 4; ++i)
            mapped[import.slot_rva + i] = static_cast<std::uint8_t>(address >> (8 * i));
    }
    return true;
}

bool Machine::write_command_line(const std::string& command_line)
{
    if (command_line.size() >= kProcessBlockSize)
        return fail("command line too long");
    std::vector<std::uint8_t> bytes(command_line.begin(), command_line.end());
    bytes.push_back(0);
    return write_memory(kProcessBlock, bytes) || fail("cannot write the command line");
}

StopResult Machine::run(std::uint64_t instruction_budget)
{
    StopResult result;
    if (!loaded_) {
        result.message = "no image loaded";
        return result;
    }
    Engine& e = *engine_;
    e.budget_end = e.executed + instruction_budget;
    for (;;) {
        e.at_stub = e.budget_spent = false;
        std::uint32_t eip = reg(Register::Eip);
        uc_err status = uc_emu_start(e.uc, eip, 0xFFFFFFFFu, 0, 0);
        result.instructions = e.executed;
        if (status != UC_ERR_OK) {
            result.kind = StopKind::Fault;
            result.message = fault_message(status);
            return result;
        }
        if (e.at_stub) {
            if (!call_stub((e.stub_address - kStubBase) / kStubSize, result))
                return result;
            continue;
        }
        result.kind = StopKind::Budget;
        result.message = e.budget_spent ? "instruction budget of " + std::to_string(instruction_budget) + " spent"
                                        : "stopped at " + hex8(reg(Register::Eip));
        return result;
    }
}

std::string Machine::fault_message(int uc_error) const
{
    switch (uc_error) {
    case UC_ERR_READ_UNMAPPED:
    case UC_ERR_WRITE_UNMAPPED:
    case UC_ERR_FETCH_UNMAPPED:
        return "fault at " + hex8(engine_->fault_address);
    case UC_ERR_INSN_INVALID:
        return "invalid instruction at " + hex8(reg(Register::Eip));
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
    std::uint32_t value = stub.api->call(*this, frame.data() + 1);
    if (exit_requested_) {
        result.kind = StopKind::Exited;
        result.exit_code = exit_code_;
        return false;
    }
    set_reg(Register::Eax, value);
    set_reg(Register::Esp, esp + 4 * static_cast<std::uint32_t>(frame.size()));
    set_reg(Register::Eip, frame[0]);
    return true;
}

void Machine::request_exit(std::uint32_t code)
{
    exit_requested_ = true;
    exit_code_ = code;
}

bool Machine::read_memory(std::uint32_t address, std::span<std::uint8_t> bytes) const
{
    if (bytes.empty())
        return true;
    return engine_->uc && uc_mem_read(engine_->uc, address, bytes.data(), bytes.size()) == UC_ERR_OK;
}

bool Machine::write_memory(std::uint32_t address, std::span<const std::uint8_t> bytes)
{
    if (bytes.empty())
        return true;
    return engine_->uc && uc_mem_write(engine_->uc, address, bytes.data(), bytes.size()) == UC_ERR_OK;
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
