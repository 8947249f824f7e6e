// The emulated kernel32 functions a console program needs: process exit,
// standard handles, reading and writing them, the command line, the last
// error, the process heap, the module handle and the tick count.
//
// Pointers the program passes are guest addresses; a pointer that does not
// lead to mapped memory makes the function fail with ERROR_NOACCESS rather
// than fault the machine, as the system itself reports it.
#include "testing/i386/api.h"
#include "testing/i386/machine.h"
#include "testing/i386/msvcrt.h"

#include "common/strings.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <vector>

namespace vyn::i386 {

namespace {

constexpr std::uint32_t kTrue = 1;
constexpr std::uint32_t kFalse = 0;
constexpr std::uint32_t kInvalidHandle = 0xFFFFFFFFu;
constexpr std::uint32_t kErrorInvalidHandle = 6;
constexpr std::uint32_t kErrorNotEnoughMemory = 8;
constexpr std::uint32_t kErrorInvalidParameter = 87;
constexpr std::uint32_t kErrorModNotFound = 126;
constexpr std::uint32_t kErrorNoAccess = 998;
// The standard handles' values; any small distinct numbers do.
constexpr std::uint32_t kInputHandle = 0x3;
constexpr std::uint32_t kOutputHandle = 0x7;
constexpr std::uint32_t kErrorHandle = 0xB;
constexpr std::uint32_t kProcessHeap = Machine::kProcessHeap;
// Reads and writes go through the host in pieces of this size, so that a
// large count costs no large host buffer.
constexpr std::uint32_t kChunk = 0x10000;

std::uint32_t fail_with(Machine& m, std::uint32_t error, std::uint32_t result = kFalse)
{
    m.set_last_error(error);
    return result;
}

std::uint32_t exit_process(Machine& m, const std::uint32_t* a)
{
    m.request_exit(a[0]);
    return 0;
}

std::uint32_t get_std_handle(Machine& m, const std::uint32_t* a)
{
    switch (static_cast<std::int32_t>(a[0])) {
    case -10: return kInputHandle;
    case -11: return kOutputHandle;
    case -12: return kErrorHandle;
    default: return fail_with(m, kErrorInvalidHandle, kInvalidHandle);
    }
}

// WriteFile(handle, buffer, count, written, overlapped)
std::uint32_t write_file(Machine& m, const std::uint32_t* a)
{
    if (a[0] != kOutputHandle && a[0] != kErrorHandle)
        return fail_with(m, kErrorInvalidHandle);
    StdStream stream = a[0] == kOutputHandle ? StdStream::Output : StdStream::Error;
    if (a[3] && !m.write_u32(a[3], 0))
        return fail_with(m, kErrorNoAccess);
    std::vector<std::uint8_t> buffer;
    for (std::uint32_t done = 0; done < a[2];) {
        buffer.resize(std::min(kChunk, a[2] - done));
        if (!m.read_memory(a[1] + done, buffer))
            return fail_with(m, kErrorNoAccess);
        if (!m.console().write(stream, buffer))
            return fail_with(m, kErrorInvalidHandle);
        done += static_cast<std::uint32_t>(buffer.size());
        if (a[3])
            m.write_u32(a[3], done);
    }
    return kTrue;
}

// ReadFile(handle, buffer, count, read, overlapped); returns what one read
// of the input gives, as a console or pipe read does. The whole buffer must
// be writable before any input is taken, so that a bad buffer loses none.
std::uint32_t read_file(Machine& m, const std::uint32_t* a)
{
    if (a[0] != kInputHandle)
        return fail_with(m, kErrorInvalidHandle);
    if ((a[3] && !m.write_u32(a[3], 0)) || !m.writable(a[1], a[2]))
        return fail_with(m, kErrorNoAccess);
    std::vector<std::uint8_t> buffer(std::min(kChunk, a[2]));
    std::size_t got = m.console().read_input(buffer);
    if (!m.write_memory(a[1], std::span(buffer).first(got)))
        return fail_with(m, kErrorNoAccess);
    if (a[3])
        m.write_u32(a[3], static_cast<std::uint32_t>(got));
    return kTrue;
}

std::uint32_t get_command_line(Machine& m, const std::uint32_t*)
{
    return m.command_line_address();
}

std::uint32_t get_last_error(Machine& m, const std::uint32_t*)
{
    return m.last_error();
}

std::uint32_t set_last_error(Machine& m, const std::uint32_t* a)
{
    m.set_last_error(a[0]);
    return 0;
}

std::uint32_t get_process_heap(Machine&, const std::uint32_t*)
{
    return kProcessHeap;
}

// HeapAlloc(heap, flags, size); HEAP_ZERO_MEMORY clears the block, which
// may be one freed before.
std::uint32_t heap_alloc(Machine& m, const std::uint32_t* a)
{
    constexpr std::uint32_t kHeapZeroMemory = 0x8;
    if (a[0] != kProcessHeap)
        return fail_with(m, kErrorInvalidHandle, 0);
    std::uint32_t address = m.heap().allocate(a[2]);
    if (!address)
        return fail_with(m, kErrorNotEnoughMemory, 0);
    if (a[1] & kHeapZeroMemory) {
        std::vector<std::uint8_t> zeros(a[2], 0);
        m.write_memory(address, zeros);
    }
    return address;
}

// HeapFree(heap, flags, block); a null block is allowed and does nothing.
std::uint32_t heap_free(Machine& m, const std::uint32_t* a)
{
    if (a[0] != kProcessHeap)
        return fail_with(m, kErrorInvalidHandle);
    if (a[2] == 0 || m.heap().free(a[2]))
        return kTrue;
    return fail_with(m, kErrorInvalidParameter);
}

// GetModuleHandleA(name): the image for a null name, else a DLL the
// machine loaded; the system's own DLLs have no image here.
std::uint32_t get_module_handle(Machine& m, const std::uint32_t* a)
{
    if (a[0] == 0)
        return m.image_base();
    constexpr std::size_t kMaxModuleName = 260;
    std::string name;
    if (!guest_string(m, a[0], name, kMaxModuleName + 1))
        return 0;
    std::uint32_t base = m.module_base(name);
    return base != 0 ? base : fail_with(m, kErrorModNotFound, 0);
}

std::uint32_t get_tick_count(Machine&, const std::uint32_t*)
{
    auto since_start = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since_start).count());
}

constexpr std::array kApis = {
    ApiFunction{"kernel32.dll", "ExitProcess", 1, exit_process},
    ApiFunction{"kernel32.dll", "GetStdHandle", 1, get_std_handle},
    ApiFunction{"kernel32.dll", "WriteFile", 5, write_file},
    ApiFunction{"kernel32.dll", "ReadFile", 5, read_file},
    ApiFunction{"kernel32.dll", "GetCommandLineA", 0, get_command_line},
    ApiFunction{"kernel32.dll", "GetLastError", 0, get_last_error},
    ApiFunction{"kernel32.dll", "SetLastError", 1, set_last_error},
    ApiFunction{"kernel32.dll", "GetProcessHeap", 0, get_process_heap},
    ApiFunction{"kernel32.dll", "HeapAlloc", 3, heap_alloc},
    ApiFunction{"kernel32.dll", "HeapFree", 3, heap_free},
    ApiFunction{"kernel32.dll", "GetModuleHandleA", 1, get_module_handle},
    ApiFunction{"kernel32.dll", "GetTickCount", 0, get_tick_count},
};

}  // namespace

std::span<const ApiFunction> kernel32_functions()
{
    return kApis;
}

}  // namespace vyn::i386
