// Loading an image into the machine the way the system's loader does: the
// machine's regions, the image at its preferred base or moved by its base
// relocations, page protections from the section characteristics, the
// imports bound to stubs, the thread and process blocks, the TLS block and
// callbacks, and the switch to user mode.
#include "testing/i386/engine.h"


#include "common/strings.h"

#include <algorithm>

namespace vyn::i386 {

namespace {

constexpr std::uint32_t kLowestAddress = 0x10000;
constexpr std::uint32_t kAllocationGranularity = 0x10000;
constexpr std::uint8_t kHalt = 0xF4;
constexpr std::uint8_t kReturnFromInterrupt = 0xCF;
constexpr std::uint32_t kUserFlags = 0x202;  // interrupts enabled, I/O privilege 0
constexpr std::uint32_t kEndOfExceptionChain = 0xFFFFFFFFu;
constexpr std::uint32_t kProcessId = 0x100;
constexpr std::uint32_t kThreadId = 0x104;
constexpr std::uint32_t kFpuControl = 0x27F;  // 53-bit precision, round to nearest, exceptions masked

// The system page: the descriptor table, the instruction that enters user
// mode and the kernel stack it pops its frame from.
constexpr std::uint32_t kGdtOffset = 0;
constexpr std::uint32_t kGdtEntries = 8;
constexpr std::uint32_t kSwitchOffset = 0x800;
constexpr std::uint32_t kKernelStackOffset = 0xF00;
// Selectors: index * 8 + requested privilege level.
constexpr std::uint32_t kKernelCode = 0x08;
constexpr std::uint32_t kKernelData = 0x10;
constexpr std::uint32_t kUserCode = 0x1B;
constexpr std::uint32_t kUserData = 0x23;
constexpr std::uint32_t kThreadSegment = 0x3B;

// Offsets in the thread block (TEB) and process block (PEB).
constexpr std::uint32_t kTebExceptionList = 0x00;
constexpr std::uint32_t kTebStackBase = 0x04;
constexpr std::uint32_t kTebStackLimit = 0x08;
constexpr std::uint32_t kTebSelf = 0x18;
constexpr std::uint32_t kTebProcessId = 0x20;
constexpr std::uint32_t kTebThreadId = 0x24;
constexpr std::uint32_t kTebTlsPointer = 0x2C;
constexpr std::uint32_t kTebProcessBlock = 0x30;
constexpr std::uint32_t kPebImageBase = 0x08;
constexpr std::uint32_t kPebProcessHeap = 0x18;
constexpr std::uint32_t kPebProcessorCount = 0x64;
constexpr std::uint32_t kPebMajorVersion = 0xA4;
constexpr std::uint32_t kPebMinorVersion = 0xA8;
constexpr std::uint32_t kPebBuildNumber = 0xAC;
constexpr std::uint32_t kPebPlatformId = 0xB0;

std::string hex8(std::uint32_t value)
{
    return format("0x%08x", value);
}

std::uint32_t round_up(std::uint64_t value, std::uint32_t granularity)
{
    return static_cast<std::uint32_t>((value + granularity - 1) / granularity * granularity);
}

// A flat 4 GB segment descriptor (or a small one for the thread block).
std::uint64_t descriptor(std::uint32_t base, std::uint32_t limit_pages, bool code, std::uint32_t privilege)
{
    std::uint64_t access = 0x80 | (privilege << 5) | 0x10 | (code ? 0x0A : 0x02);
    return (limit_pages & 0xFFFF) | (std::uint64_t(base & 0xFFFFFF) << 16) | (access << 40) |
           (std::uint64_t((limit_pages >> 16) & 0xF) << 48) | (std::uint64_t(0xC) << 52) |
           (std::uint64_t(base >> 24) << 56);
}

}  // namespace

bool Machine::load(std::span<const std::uint8_t> file, const std::string& command_line)
{
    auto program = std::make_unique<Module>();
    if (!read_pe_image(file, program->image, error_))
        return false;
    if (engine_->uc)
        return fail("an image is already loaded");
    if (uc_open(UC_ARCH_X86, UC_MODE_32, &engine_->uc) != UC_ERR_OK)
        return fail("the CPU emulator could not be started");
    const PeImage& image = program->image;
    executable_data_ = !image.nx_compatible;
    stack_base_ = kStackTop - image.stack_reserve;
    std::uint32_t data = kRead | kWrite | (executable_data_ ? kExecute : 0);
    if (!map_region(kHeapBase, kHeapSize, data) || !map_region(stack_base_, image.stack_reserve, data) ||
        !map_region(kCommandLine, kCommandLineSize, kRead | kWrite) ||
        !map_region(kThreadBlock, 2 * kPageSize, kRead | kWrite) ||
        !map_region(kStubBase, kStubRegionSize, kRead | kExecute) ||
        !map_region(kSystemPage, kPageSize, kRead | kExecute))
        return false;
    if (!place_image(*program) || !map_image(*program) || !relocate(*program))
        return false;
    image_base_ = program->base;
    entry_ = program->base + image.entry_rva;
    modules_.push_back(std::move(program));
    // The command line is in place before the imports are bound: the C
    // library's start-up variables are made from it.
    if (!load_dlls() || !build_process_blocks(command_line))
        return false;
    for (auto& module : modules_)
        if (!bind_imports(*module))
            return false;
    std::vector<std::uint8_t> halts(kStubRegionSize, kHalt);
    if (!poke(kStubBase, halts))
        return fail("cannot write the import stubs");
    if (!set_up_tls() || !enter_user_mode())
        return false;
    if (!engine_->add_hooks())
        return fail("the CPU emulator's hooks could not be set");
    std::vector<bool> visited(modules_.size(), false);
    order_initialisation(0, visited);
    queue_attach_calls();
    release_load_data();
    call_stack_top_ = kStackTop - 16;
    stage_ = Stage::Attaching;
    start_next();
    loaded_ = true;
    return true;
}

bool Machine::map_region(std::uint32_t base, std::uint32_t size, std::uint32_t protection)
{
    std::uint32_t perms = UC_PROT_NONE;
    if (protection != 0)
        perms |= UC_PROT_READ;
    if (protection & kWrite)
        perms |= UC_PROT_WRITE;
    if (protection & kExecute)
        perms |= UC_PROT_EXEC;
    if (uc_mem_map(engine_->uc, base, size, perms) != UC_ERR_OK)
        return fail("cannot map " + hex8(size) + " bytes at " + hex8(base));
    regions_[base] = {size, protection};
    return true;
}

// The preferred base when the image fits there; else, as the system does,
// the first free place, which its base relocations must make it work at.
bool Machine::place_image(Module& module)
{
    const PeImage& image = module.image;
    auto is_free = [&](std::uint64_t base) {
        if (base < kLowestAddress || base + image.size_of_image > kSystemPage)
            return false;
        auto next = regions_.lower_bound(static_cast<std::uint32_t>(base));
        if (next != regions_.end() && next->first < base + image.size_of_image)
            return false;
        return next == regions_.begin() || std::prev(next)->first + std::uint64_t(std::prev(next)->second.size) <= base;
    };
    if (is_free(image.image_base)) {
        module.base = image.image_base;
        return true;
    }
    if (image.relocations_stripped)
        return fail_in(module, "image base " + hex8(image.image_base) + " is taken and the image has no relocations");
    for (std::uint64_t base = kLowestAddress; base < kSystemPage; base += kAllocationGranularity) {
        if (is_free(base)) {
            module.base = static_cast<std::uint32_t>(base);
            return true;
        }
    }
    return fail_in(module, "no room for an image of " + hex8(image.size_of_image) + " bytes");
}

// Maps the pages the headers and sections cover, each with the protections
// of the sections on it (all of them, where sections share a page), and
// copies their file data in. Pages no section covers stay unmapped.
bool Machine::map_image(const Module& module)
{
    const PeImage& image = module.image;
    const std::uint32_t pages = image.size_of_image / kPageSize;
    constexpr std::uint32_t kUnmapped = 0x100;
    std::vector<std::uint32_t> page_protection(pages, kUnmapped);
    auto cover = [&](std::uint32_t rva, std::uint64_t size, std::uint32_t protection) {
        std::uint64_t end = std::min<std::uint64_t>(round_up(rva + size, kPageSize), image.size_of_image);
        for (std::uint64_t page = rva / kPageSize; page < end / kPageSize; ++page)
            page_protection[page] = (page_protection[page] & ~kUnmapped) | protection;
    };
    cover(0, std::max<std::size_t>(image.headers.size(), 1), kRead);
    for (const Section& s : image.sections)
        if (s.virtual_size != 0)
            cover(s.rva, round_up(s.virtual_size, std::max(image.section_alignment, 1u)), s.protection);
    for (std::uint32_t first = 0; first < pages;) {
        std::uint32_t end = first + 1;
        while (end < pages && page_protection[end] == page_protection[first])
            ++end;
        std::uint32_t protection = page_protection[first];
        if (protection != kUnmapped) {
            if (executable_data_ && protection != 0)
                protection |= kExecute;
            if (!map_region(module.base + first * kPageSize, (end - first) * kPageSize, protection))
                return false;
        }
        first = end;
    }
    if (!poke(module.base, image.headers))
        return fail_in(module, "cannot write the image's headers");
    for (const Section& s : image.sections)
        if (!poke(module.base + s.rva, s.data))
            return fail_in(module, "cannot write section " + s.name);
    return true;
}

// Applies the base relocations when the image does not lie at its
// preferred base.
bool Machine::relocate(const Module& module)
{
    const PeImage& image = module.image;
    const std::uint32_t delta = module.base - image.image_base;
    if (delta == 0)
        return true;
    for (const Relocation& r : image.relocations) {
        std::uint32_t address = module.base + r.rva;
        std::uint8_t b[4] = {};
        std::uint32_t width = relocation_width(r.type);
        if (uc_mem_read(engine_->uc, address, b, width) != UC_ERR_OK)
            return fail_in(module, "relocation at " + hex8(r.rva) + " lies in no section");
        std::uint32_t value = b[0] | (b[1] << 8) | (b[2] << 16) | (std::uint32_t(b[3]) << 24);
        if (r.type == coff::base_reloc::kHighLow)
            value += delta;
        else if (r.type == coff::base_reloc::kHigh)
            value += delta >> 16;
        else
            value += delta & 0xFFFF;
        for (std::uint32_t i = 0; i < width; ++i)
            b[i] = static_cast<std::uint8_t>(value >> (8 * i));
        if (!poke(address, std::span(b, width)))
            return fail_in(module, "relocation at " + hex8(r.rva) + " lies in no section");
    }
    return true;
}

bool Machine::build_process_blocks(const std::string& command_line)
{
    if (command_line.size() >= kCommandLineSize)
        return fail("command line too long");
    std::vector<std::uint8_t> text(command_line.begin(), command_line.end());
    text.push_back(0);
    const std::pair<std::uint32_t, std::uint32_t> fields[] = {
        {kThreadBlock + kTebExceptionList, kEndOfExceptionChain},
        {kThreadBlock + kTebStackBase, kStackTop},
        {kThreadBlock + kTebStackLimit, stack_base_},
        {kThreadBlock + kTebSelf, kThreadBlock},
        {kThreadBlock + kTebProcessId, kProcessId},
        {kThreadBlock + kTebThreadId, kThreadId},
        {kThreadBlock + kTebProcessBlock, kProcessBlock},
        {kProcessBlock + kPebImageBase, image_base_},
        {kProcessBlock + kPebProcessHeap, kProcessHeap},
        {kProcessBlock + kPebProcessorCount, 1},
        {kProcessBlock + kPebMajorVersion, 5},
        {kProcessBlock + kPebMinorVersion, 1},
        {kProcessBlock + kPebBuildNumber, 2600},
        {kProcessBlock + kPebPlatformId, 2},
    };
    for (const auto& [address, value] : fields)
        if (!poke_u32(address, value))
            return fail("cannot write the thread and process blocks");
    return poke(kCommandLine, text) || fail("cannot write the command line");
}

// The thread's TLS blocks, one for each module with a TLS directory (a copy
// of its template followed by zeros), the pointer array the thread block
// leads to, each module's index in it (the program's first, so 0 when it
// has TLS), and the callbacks to call before the entry points. Runs after
// relocation, so the callback addresses read from the images are final.
bool Machine::set_up_tls()
{
    std::vector<Module*> with_tls;
    for (auto& module : modules_)
        if (module->image.tls.present)
            with_tls.push_back(module.get());
    if (with_tls.empty())
        return true;
    std::uint32_t array = heap_.allocate(4 * static_cast<std::uint32_t>(with_tls.size()));
    if (array == 0 || !poke_u32(kThreadBlock + kTebTlsPointer, array))
        return fail("no room for the TLS pointer array");
    for (std::uint32_t index = 0; index < with_tls.size(); ++index) {
        Module& module = *with_tls[index];
        const PeImage& image = module.image;
        const TlsDirectory& tls = image.tls;
        const std::uint32_t delta = module.base - image.image_base;
        const std::uint32_t template_size = tls.template_end - tls.template_start;
        const std::uint64_t size = std::uint64_t(template_size) + tls.zero_fill;
        std::uint32_t block = size < kHeapSize ? heap_.allocate(static_cast<std::uint32_t>(size)) : 0;
        if (block == 0)
            return fail_in(module, "no room for a TLS block of " + hex8(static_cast<std::uint32_t>(size)) + " bytes");
        std::vector<std::uint8_t> chunk;
        for (std::uint32_t done = 0; done < template_size;) {
            chunk.resize(std::min<std::uint32_t>(template_size - done, 0x10000));
            if (uc_mem_read(engine_->uc, tls.template_start + delta + done, chunk.data(), chunk.size()) != UC_ERR_OK ||
                !poke(block + done, chunk))
                return fail_in(module, "TLS template lies in no section");
            done += static_cast<std::uint32_t>(chunk.size());
        }
        if (!poke_u32(array + 4 * index, block) || !poke_u32(tls.index_address + delta, index))
            return fail_in(module, "TLS index lies in no section");
        if (tls.callbacks_address == 0)
            continue;
        for (std::uint32_t at = tls.callbacks_address + delta;; at += 4) {
            std::uint32_t callback = 0;
            if (uc_mem_read(engine_->uc, at, &callback, 4) != UC_ERR_OK)
                return fail_in(module, "TLS callback list runs off the image");
            if (callback == 0)
                break;
            if (module.tls_callbacks.size() == image.size_of_image / 4)
                return fail_in(module, "TLS callback list does not end");
            module.tls_callbacks.push_back(callback);
        }
    }
    return true;
}

// Builds the descriptor table and leaves kernel mode the way the system
// does, through an interrupt return to user code and stack segments: only a
// real privilege change makes the processor refuse privileged instructions.
// The thread block's segment is what FS selects.
bool Machine::enter_user_mode()
{
    std::uint64_t gdt[kGdtEntries] = {};
    gdt[kKernelCode / 8] = descriptor(0, 0xFFFFF, true, 0);
    gdt[kKernelData / 8] = descriptor(0, 0xFFFFF, false, 0);
    gdt[kUserCode / 8] = descriptor(0, 0xFFFFF, true, 3);
    gdt[kUserData / 8] = descriptor(0, 0xFFFFF, false, 3);
    gdt[kThreadSegment / 8] = descriptor(kThreadBlock, 0, false, 3);
    std::vector<std::uint8_t> table;
    for (std::uint64_t entry : gdt)
        for (int i = 0; i < 8; ++i)
            table.push_back(static_cast<std::uint8_t>(entry >> (8 * i)));
    const std::uint32_t frame[] = {kLoaderReturn, kUserCode, kUserFlags, kStackTop - 16, kUserData};
    std::uint32_t kernel_stack = kSystemPage + kKernelStackOffset;
    if (!poke(kSystemPage + kGdtOffset, table) || !poke(kSystemPage + kSwitchOffset, std::span(&kReturnFromInterrupt, 1)))
        return fail("cannot write the system page");
    for (std::uint32_t i = 0; i < 5; ++i)
        poke_u32(kernel_stack + 4 * i, frame[i]);
    uc_x86_mmr gdtr = {0, kSystemPage + kGdtOffset, kGdtEntries * 8 - 1, 0};
    std::uint32_t code = kKernelCode, data = kKernelData, user = kUserData, thread = kThreadSegment, none = 0;
    // The system starts threads with the FPU rounding to double precision.
    std::uint32_t fpu_control = kFpuControl;
    uc_engine* uc = engine_->uc;
    bool ok = uc_reg_write(uc, UC_X86_REG_GDTR, &gdtr) == UC_ERR_OK && uc_reg_write(uc, UC_X86_REG_CS, &code) == UC_ERR_OK &&
              uc_reg_write(uc, UC_X86_REG_SS, &data) == UC_ERR_OK && uc_reg_write(uc, UC_X86_REG_DS, &user) == UC_ERR_OK &&
              uc_reg_write(uc, UC_X86_REG_ES, &user) == UC_ERR_OK && uc_reg_write(uc, UC_X86_REG_FS, &thread) == UC_ERR_OK &&
              uc_reg_write(uc, UC_X86_REG_GS, &none) == UC_ERR_OK && uc_reg_write(uc, UC_X86_REG_ESP, &kernel_stack) == UC_ERR_OK &&
              uc_reg_write(uc, UC_X86_REG_FPCW, &fpu_control) == UC_ERR_OK;
    // Stopped by address, not by count: a count makes the emulator drop all
    // its translations (and touch its whole code buffer) at the next start.
    ok = ok && uc_emu_start(uc, kSystemPage + kSwitchOffset, kLoaderReturn, 0, 0) == UC_ERR_OK;
    std::uint32_t selector = 0;
    uc_reg_read(uc, UC_X86_REG_CS, &selector);
    return (ok && selector == kUserCode) || fail("cannot enter user mode");
}

// Host-side writes: the loader may write pages the program may not.
bool Machine::poke(std::uint32_t address, std::span<const std::uint8_t> bytes)
{
    return bytes.empty() || uc_mem_write(engine_->uc, address, bytes.data(), bytes.size()) == UC_ERR_OK;
}

bool Machine::poke_u32(std::uint32_t address, std::uint32_t value)
{
    const std::uint8_t b[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                               static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    return poke(address, b);
}

}  // namespace vyn::i386
