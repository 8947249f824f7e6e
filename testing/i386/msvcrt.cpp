// The C library's state, the guest-memory helpers its parts share, its data
// imports (the stream table, the character class table, the start-up
// variables) and the one table of its functions.
#include "testing/i386/msvcrt.h"

#include "testing/i386/api.h"
#include "testing/i386/machine.h"

#include <algorithm>
#include <cctype>

namespace vyn::i386 {

namespace {

constexpr std::uint32_t kReadChunk = 256;

}  // namespace

std::uint16_t character_class(int c)
{
    std::uint16_t bits = 0;
    if (c >= 128)
        return 0;
    if (std::isupper(c))
        bits |= 0x1;
    if (std::islower(c))
        bits |= 0x2;
    if (std::isdigit(c))
        bits |= 0x4;
    if (std::isspace(c))
        bits |= 0x8;
    if (std::ispunct(c))
        bits |= 0x10;
    if (std::iscntrl(c))
        bits |= 0x20;
    if (c == ' ')
        bits |= 0x40;
    if (std::isxdigit(c))
        bits |= 0x80;
    if (std::isalpha(c))
        bits |= 0x100;
    return bits;
}

namespace {

std::uint32_t create_stream_table(Machine& m)
{
    standard_stream(m, 0);
    return m.crt().stream_table;
}

std::uint32_t create_ctype(Machine& m)
{
    CRuntime& crt = m.crt();
    if (crt.ctype_pointer)
        return crt.ctype_pointer;
    // The table is indexed from -1 (EOF) to 255; _pctype points at entry 0.
    std::uint32_t table = guest_allocate(m, 257 * 2);
    std::uint32_t pointer = guest_allocate(m, 4);
    if (!table || !pointer)
        return 0;
    std::vector<std::uint8_t> bytes(257 * 2, 0);
    for (int c = 0; c < 256; ++c) {
        std::uint16_t bits = character_class(c);
        bytes[2 * (c + 1)] = static_cast<std::uint8_t>(bits);
        bytes[2 * (c + 1) + 1] = static_cast<std::uint8_t>(bits >> 8);
    }
    m.write_memory(table, bytes);
    m.write_u32(pointer, table + 2);
    crt.ctype_pointer = pointer;
    return pointer;
}

std::uint32_t create_int(Machine& m, std::uint32_t CRuntime::*field, std::uint32_t value)
{
    CRuntime& crt = m.crt();
    if (!(crt.*field)) {
        crt.*field = guest_allocate(m, 4);
        if (crt.*field)
            m.write_u32(crt.*field, value);
    }
    return crt.*field;
}

std::uint32_t create_fmode(Machine& m)
{
    return create_int(m, &CRuntime::fmode_address, 0);
}

std::uint32_t create_commode(Machine& m)
{
    return create_int(m, &CRuntime::commode_address, 0);
}

std::uint32_t create_mb_cur_max(Machine& m)
{
    return create_int(m, &CRuntime::mb_cur_max_address, 1);
}

template <const char* name>
std::uint32_t create_variable(Machine& m)
{
    return runtime_variable(m, name);
}

constexpr char kEnviron[] = "_environ";
constexpr char kInitialEnvironment[] = "__initenv";
constexpr char kArgc[] = "__argc";
constexpr char kArgv[] = "__argv";
constexpr char kCommandLine[] = "_acmdln";

constexpr DataImport kData[] = {
    {"msvcrt.dll", "_iob", create_stream_table},
    {"msvcrt.dll", "_pctype", create_ctype},
    {"msvcrt.dll", "_fmode", create_fmode},
    {"msvcrt.dll", "_commode", create_commode},
    {"msvcrt.dll", "__mb_cur_max", create_mb_cur_max},
    {"msvcrt.dll", "_environ", create_variable<kEnviron>},
    {"msvcrt.dll", "__initenv", create_variable<kInitialEnvironment>},
    {"msvcrt.dll", "__argc", create_variable<kArgc>},
    {"msvcrt.dll", "__argv", create_variable<kArgv>},
    {"msvcrt.dll", "_acmdln", create_variable<kCommandLine>},
};

}  // namespace

CRuntime::CRuntime() = default;

CRuntime::~CRuntime()
{
    for (auto& [address, stream] : streams) {
        if (stream.file)
            std::fclose(stream.file);
        if (!stream.path.empty())
            std::remove(stream.path.c_str());
    }
}

bool guest_read(Machine& m, std::uint32_t address, std::span<std::uint8_t> bytes)
{
    if (m.read_memory(address, bytes))
        return true;
    m.raise_fault(address);
    return false;
}

bool guest_write(Machine& m, std::uint32_t address, std::span<const std::uint8_t> bytes)
{
    if (m.write_memory(address, bytes))
        return true;
    m.raise_fault(address);
    return false;
}

bool guest_write_u32(Machine& m, std::uint32_t address, std::uint32_t value)
{
    if (m.write_u32(address, value))
        return true;
    m.raise_fault(address);
    return false;
}

// Reads in pieces that end at page boundaries, so that a string ending just
// before an unmapped page is read without a fault.
bool guest_string(Machine& m, std::uint32_t address, std::string& text, std::size_t limit)
{
    text.clear();
    std::uint8_t chunk[kReadChunk];
    while (text.size() < limit) {
        std::uint32_t page_left = Machine::kPageSize - address % Machine::kPageSize;
        std::uint32_t count = static_cast<std::uint32_t>(
            std::min<std::size_t>({kReadChunk, page_left, limit - text.size()}));
        if (!m.read_memory(address, std::span(chunk, count))) {
            m.raise_fault(address);
            return false;
        }
        auto end = std::find(chunk, chunk + count, 0);
        text.append(chunk, end);
        if (end != chunk + count)
            return true;
        address += count;
    }
    return true;
}

bool guest_put_string(Machine& m, std::uint32_t address, const std::string& text)
{
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return guest_write(m, address, bytes);
}

std::uint32_t guest_allocate(Machine& m, std::uint32_t size)
{
    std::uint32_t address = m.heap().allocate(size);
    if (address) {
        std::vector<std::uint8_t> zeros(size, 0);
        m.write_memory(address, zeros);
    }
    return address;
}

void set_errno(Machine& m, int value)
{
    CRuntime& crt = m.crt();
    if (!crt.errno_address)
        crt.errno_address = guest_allocate(m, 4);
    if (crt.errno_address)
        m.write_u32(crt.errno_address, static_cast<std::uint32_t>(value));
}

std::span<const ApiFunction> msvcrt_functions()
{
    static const std::vector<ApiFunction> all = [] {
        std::vector<ApiFunction> table;
        for (auto part : {msvcrt_stdio_functions(), msvcrt_string_functions(), msvcrt_math_functions(),
                          msvcrt_process_functions(), msvcrt_time_functions()})
            table.insert(table.end(), part.begin(), part.end());
        return table;
    }();
    return all;
}

std::span<const DataImport> msvcrt_data()
{
    return kData;
}

}  // namespace vyn::i386
