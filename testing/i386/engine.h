// The emulator behind a Machine and what its hooks report to the run loop.
// Internal to the machine's sources.
#pragma once

#include "testing/i386/machine.h"

#include <unicorn/unicorn.h>

namespace vyn::i386 {

// The reasons the loader gives the functions it calls at the start and the
// end of the process.
constexpr std::uint32_t kDllProcessDetach = 0;
constexpr std::uint32_t kDllProcessAttach = 1;

struct Machine::Engine {
    enum class Access { None, Read, Write, Fetch };

    uc_engine* uc = nullptr;
    uc_hook code_hook = 0;
    uc_hook unmapped_hook = 0;
    uc_hook protection_hook = 0;
    uc_hook interrupt_hook = 0;
    std::uint64_t executed = 0;
    std::uint64_t budget_end = 0;  // stop before instruction number budget_end
    bool budget_spent = false;
    bool at_stub = false;
    std::uint32_t stub_address = 0;
    std::uint32_t fault_address = 0;
    Access fault_access = Access::None;
    int interrupt = -1;  // the processor exception that stopped the run, or -1

    ~Engine()
    {
        if (uc)
            uc_close(uc);
    }

    void reset_stop()
    {
        at_stub = budget_spent = false;
        fault_access = Access::None;
        interrupt = -1;
    }

    bool add_hooks()
    {
        return uc_hook_add(uc, &code_hook, UC_HOOK_CODE, reinterpret_cast<void*>(&on_code), this, 1, 0) ==
                   UC_ERR_OK &&
               uc_hook_add(uc, &unmapped_hook, UC_HOOK_MEM_UNMAPPED, reinterpret_cast<void*>(&on_bad_access), this,
                           1, 0) == UC_ERR_OK &&
               uc_hook_add(uc, &protection_hook, UC_HOOK_MEM_PROT, reinterpret_cast<void*>(&on_bad_access), this, 1,
                           0) == UC_ERR_OK &&
               uc_hook_add(uc, &interrupt_hook, UC_HOOK_INTR, reinterpret_cast<void*>(&on_interrupt), this, 1, 0) ==
                   UC_ERR_OK;
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

    static bool on_bad_access(uc_engine*, uc_mem_type type, std::uint64_t address, int, std::int64_t, void* data)
    {
        auto* self = static_cast<Engine*>(data);
        self->fault_address = static_cast<std::uint32_t>(address);
        switch (type) {
        case UC_MEM_WRITE_UNMAPPED:
        case UC_MEM_WRITE_PROT: self->fault_access = Access::Write; break;
        case UC_MEM_FETCH_UNMAPPED:
        case UC_MEM_FETCH_PROT: self->fault_access = Access::Fetch; break;
        default: self->fault_access = Access::Read; break;
        }
        return false;
    }

    static void on_interrupt(uc_engine* uc, std::uint32_t number, void* data)
    {
        static_cast<Engine*>(data)->interrupt = static_cast<int>(number);
        uc_emu_stop(uc);
    }
};

}  // namespace vyn::i386
