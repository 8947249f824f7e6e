// Start-up and exit: the arguments and environment __getmainargs gives,
// the initialiser tables, atexit and exit, abort; the environment, sorting
// and searching with the program's comparison function, random numbers,
// setjmp and longjmp.
#include "testing/i386/api.h"
#include "testing/i386/machine.h"
#include "testing/i386/msvcrt.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace vyn::i386 {

namespace {

constexpr std::uint32_t kAbortCode = 3;
constexpr std::uint32_t kRuntimeErrorCode = 255;
constexpr std::uint32_t kTebExceptionList = 0x00;
// The i386 jmp_buf: registers, then the exception registration, the try
// level, a cookie and the unwind function.
enum JumpBuffer : std::uint32_t { kEbp, kEbx, kEdi, kEsi, kEsp, kEip, kRegistration, kTryLevel, kCookie, kUnwind,
                                  kJumpBufferWords };
constexpr std::uint32_t kJumpCookie = 0x56433230;

// Splits a command line as the library does: blanks separate words, double
// quotes group, 2n backslashes before a quote give n and the quote groups,
// 2n+1 give n and a literal quote; other backslashes are kept.
std::vector<std::string> split_command_line(const std::string& line)
{
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
            ++at;
        if (at >= line.size())
            break;
        std::string word;
        bool quoted = false;
        while (at < line.size() && (quoted || (line[at] != ' ' && line[at] != '\t'))) {
            std::size_t backslashes = 0;
            while (at < line.size() && line[at] == '\\') {
                ++backslashes;
                ++at;
            }
            if (at < line.size() && line[at] == '"') {
                word.append(backslashes / 2, '\\');
                if (backslashes % 2) {
                    word += '"';
                } else if (quoted && at + 1 < line.size() && line[at + 1] == '"') {
                    word += '"';  // "" inside quotes is a literal quote
                    ++at;
                } else {
                    quoted = !quoted;
                }
                ++at;
            } else {
                word.append(backslashes, '\\');
                if (at < line.size() && (quoted || (line[at] != ' ' && line[at] != '\t')))
                    word += line[at++];
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

// A NULL-terminated array of strings in guest memory; 0 when there is no
// room.
std::uint32_t string_array(Machine& m, const std::vector<std::string>& strings)
{
    std::uint32_t array = guest_allocate(m, 4 * static_cast<std::uint32_t>(strings.size() + 1));
    if (!array)
        return 0;
    for (std::size_t i = 0; i < strings.size(); ++i) {
        std::uint32_t text = guest_allocate(m, static_cast<std::uint32_t>(strings[i].size() + 1));
        if (!text)
            return 0;
        guest_put_string(m, text, strings[i]);
        m.write_u32(array + 4 * static_cast<std::uint32_t>(i), text);
    }
    return array;
}

}  // namespace

std::uint32_t program_environment(Machine& m)
{
    CRuntime& crt = m.crt();
    if (!crt.environment) {
        std::vector<std::string> variables;
        for (char** e = environ; e && *e; ++e)
            variables.emplace_back(*e);
        crt.environment = string_array(m, variables);
    }
    return crt.environment;
}

std::uint32_t program_arguments(Machine& m)
{
    CRuntime& crt = m.crt();
    if (!crt.arguments) {
        std::string line;
        guest_string(m, m.command_line_address(), line);
        std::vector<std::string> words = split_command_line(line);
        crt.argument_count = static_cast<std::uint32_t>(words.size());
        crt.arguments = string_array(m, words);
    }
    return crt.arguments;
}

std::uint32_t runtime_variable(Machine& m, const std::string& name)
{
    CRuntime& crt = m.crt();
    auto known = crt.variables.find(name);
    if (known != crt.variables.end())
        return known->second;
    std::uint32_t value = 0;
    if (name == "_environ" || name == "__initenv") {
        value = program_environment(m);
    } else if (name == "__argv") {
        value = program_arguments(m);
    } else if (name == "__argc") {
        program_arguments(m);
        value = crt.argument_count;
    } else if (name == "_acmdln") {
        value = m.command_line_address();
    }
    std::uint32_t variable = guest_allocate(m, 4);
    if (variable) {
        m.write_u32(variable, value);
        crt.variables[name] = variable;
    }
    return variable;
}

namespace {

// __getmainargs(&argc, &argv, &envp, expand_wildcards, &startup_info)
std::uint32_t getmainargs(Machine& m, const std::uint32_t* a)
{
    std::uint32_t argv = program_arguments(m), envp = program_environment(m);
    if (!argv || !envp)
        return kEof;
    return guest_write_u32(m, a[0], m.crt().argument_count) && guest_write_u32(m, a[1], argv) &&
                   guest_write_u32(m, a[2], envp)
               ? 0
               : kEof;
}

std::uint32_t nothing(Machine&, const std::uint32_t*)
{
    return 0;
}

std::uint32_t p_fmode(Machine& m, const std::uint32_t*)
{
    return find_data_import("msvcrt.dll", "_fmode")->create(m);
}

std::uint32_t p_commode(Machine& m, const std::uint32_t*)
{
    return find_data_import("msvcrt.dll", "_commode")->create(m);
}

template <const char* name>
std::uint32_t variable_address(Machine& m, const std::uint32_t*)
{
    return runtime_variable(m, name);
}

constexpr char kEnviron[] = "_environ";
constexpr char kInitialEnvironment[] = "__initenv";
constexpr char kArgc[] = "__argc";
constexpr char kArgv[] = "__argv";
constexpr char kCommandLine[] = "_acmdln";

// _setmode(descriptor, mode): every stream is binary here; the old mode
// answered is text, the library's default.
std::uint32_t setmode(Machine&, const std::uint32_t*)
{
    constexpr std::uint32_t kTextMode = 0x4000;
    return kTextMode;
}

std::uint32_t errno_(Machine& m, const std::uint32_t*)
{
    if (!m.crt().errno_address)
        set_errno(m, 0);
    return m.crt().errno_address;
}

// The library's floating-point control word and the FPU's: exception
// masks, precision and rounding, each under its own bits.
struct ControlBits {
    std::uint32_t library;
    std::uint32_t fpu;
};
constexpr ControlBits kExceptionMasks[] = {
    {0x10, 0x01}, {0x80000, 0x02}, {0x08, 0x04}, {0x04, 0x08}, {0x02, 0x10}, {0x01, 0x20}};
constexpr ControlBits kPrecisions[] = {{0x00000, 0x300}, {0x10000, 0x200}, {0x20000, 0x000}};
constexpr ControlBits kRoundings[] = {{0x000, 0x000}, {0x100, 0x400}, {0x200, 0x800}, {0x300, 0xC00}};
constexpr std::uint32_t kPrecisionMask = 0x30000, kRoundingMask = 0x300;
constexpr std::uint32_t kFpuPrecisionMask = 0x300, kFpuRoundingMask = 0xC00;

std::uint32_t fpu_control_word(std::uint32_t library)
{
    std::uint32_t fpu = 0x40;  // the reserved bit the FPU keeps set
    for (const ControlBits& b : kExceptionMasks)
        if (library & b.library)
            fpu |= b.fpu;
    for (const ControlBits& b : kPrecisions)
        if ((library & kPrecisionMask) == b.library)
            fpu |= b.fpu;
    for (const ControlBits& b : kRoundings)
        if ((library & kRoundingMask) == b.library)
            fpu |= b.fpu;
    return fpu;
}

std::uint32_t library_control_word(std::uint32_t fpu)
{
    std::uint32_t library = 0;
    for (const ControlBits& b : kExceptionMasks)
        if (fpu & b.fpu)
            library |= b.library;
    for (const ControlBits& b : kPrecisions)
        if ((fpu & kFpuPrecisionMask) == b.fpu)
            library |= b.library;
    for (const ControlBits& b : kRoundings)
        if ((fpu & kFpuRoundingMask) == b.fpu)
            library |= b.library;
    return library;
}

// _controlfp(new, mask): the bits under mask set from new, in the FPU
// itself; the word as it then stands.
std::uint32_t controlfp(Machine& m, const std::uint32_t* a)
{
    std::uint32_t word = library_control_word(m.reg(Register::FpuControl));
    word = (word & ~a[1]) | (a[0] & a[1]);
    m.set_reg(Register::FpuControl, fpu_control_word(word));
    return word;
}

// _initterm(begin, end): calls each non-null function in the table.
std::uint32_t initterm(Machine& m, const std::uint32_t* a)
{
    for (std::uint32_t at = a[0]; at < a[1]; at += 4) {
        std::uint32_t function = 0, ignored = 0;
        if (!m.read_u32(at, function)) {
            m.raise_fault(at);
            return 0;
        }
        if (function && !m.call_guest(function, {}, ignored))
            return 0;
    }
    return 0;
}

std::uint32_t onexit(Machine& m, const std::uint32_t* a)
{
    m.crt().exit_handlers.push_back(a[0]);
    return a[0];
}

std::uint32_t atexit_(Machine& m, const std::uint32_t* a)
{
    m.crt().exit_handlers.push_back(a[0]);
    return 0;
}

// Calls the exit handlers, the last registered first; each is taken off
// the list before it runs, so that one calling exit does not rerun it.
bool run_exit_handlers(Machine& m)
{
    std::vector<std::uint32_t>& handlers = m.crt().exit_handlers;
    while (!handlers.empty()) {
        std::uint32_t handler = handlers.back(), ignored = 0;
        handlers.pop_back();
        if (!m.call_guest(handler, {}, ignored))
            return false;
    }
    return true;
}

void flush_files(Machine& m)
{
    for (auto& [address, stream] : m.crt().streams)
        if (stream.file)
            std::fflush(stream.file);
}

std::uint32_t exit_(Machine& m, const std::uint32_t* a)
{
    if (run_exit_handlers(m)) {
        flush_files(m);
        m.request_exit(a[0]);
    }
    return 0;
}

std::uint32_t quick_exit(Machine& m, const std::uint32_t* a)
{
    flush_files(m);
    m.request_exit(a[0]);
    return 0;
}

std::uint32_t cexit(Machine& m, const std::uint32_t*)
{
    if (run_exit_handlers(m))
        flush_files(m);
    return 0;
}

void end_with_message(Machine& m, const std::string& text, std::uint32_t code)
{
    m.console().write(StdStream::Error, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    m.request_exit(code);
}

std::uint32_t abort_(Machine& m, const std::uint32_t*)
{
    end_with_message(m, "\nabnormal program termination\n", kAbortCode);
    return 0;
}

std::uint32_t amsg_exit(Machine& m, const std::uint32_t* a)
{
    end_with_message(m, "\nruntime error R60" + std::to_string(a[0]) + "\n", kRuntimeErrorCode);
    return 0;
}

// getenv(name): the value in the environment block, the name compared
// without regard to case as the system does.
std::uint32_t getenv_(Machine& m, const std::uint32_t* a)
{
    std::string name;
    std::uint32_t block = program_environment(m);
    if (!guest_string(m, a[0], name) || !block || name.empty())
        return 0;
    for (std::uint32_t at = block;; at += 4) {
        std::uint32_t entry = 0;
        std::string text;
        if (!m.read_u32(at, entry) || entry == 0 || !guest_string(m, entry, text))
            return 0;
        if (text.size() > name.size() && text[name.size()] == '=' &&
            std::equal(name.begin(), name.end(), text.begin(),
                       [](char x, char y) { return std::tolower(static_cast<unsigned char>(x)) ==
                                                   std::tolower(static_cast<unsigned char>(y)); }))
            return entry + static_cast<std::uint32_t>(name.size()) + 1;
    }
}

// Compares elements i and j of a table through the program's function;
// false when the program stopped the machine.
struct GuestOrder {
    Machine& m;
    std::uint32_t function;
    bool call(std::uint32_t x, std::uint32_t y, std::int32_t& order)
    {
        std::uint32_t result = 0;
        const std::uint32_t args[] = {x, y};
        if (!m.call_guest(function, args, result))
            return false;
        order = static_cast<std::int32_t>(result);
        return true;
    }
};

// qsort(base, count, size, compare): a merge sort of the element indices
// (the program's function sees the elements where they lie), then the
// elements are moved into their order. Safe whatever the function answers.
std::uint32_t qsort_(Machine& m, const std::uint32_t* a)
{
    const std::uint32_t base = a[0], count = a[1], size = a[2];
    if (count < 2 || size == 0)
        return 0;
    const std::uint64_t total = std::uint64_t(count) * size;
    if (total > 0xFFFFFFFFu || !m.writable(base, static_cast<std::uint32_t>(total))) {
        m.raise_fault(base);
        return 0;
    }
    GuestOrder order{m, a[3]};
    std::vector<std::uint32_t> index(count), scratch(count);
    for (std::uint32_t i = 0; i < count; ++i)
        index[i] = i;
    for (std::uint32_t width = 1; width < count; width *= 2) {
        for (std::uint32_t left = 0; left < count; left += 2 * width) {
            std::uint32_t middle = std::min(left + width, count), right = std::min(left + 2 * width, count);
            std::uint32_t i = left, j = middle, k = left;
            while (i < middle && j < right) {
                std::int32_t c = 0;
                if (!order.call(base + index[j] * size, base + index[i] * size, c))
                    return 0;
                scratch[k++] = c < 0 ? index[j++] : index[i++];
            }
            while (i < middle)
                scratch[k++] = index[i++];
            while (j < right)
                scratch[k++] = index[j++];
        }
        index.swap(scratch);
    }
    std::vector<std::uint8_t> all(total), sorted(total);
    if (!guest_read(m, base, all))
        return 0;
    for (std::uint32_t i = 0; i < count; ++i)
        std::memcpy(&sorted[std::size_t(i) * size], &all[std::size_t(index[i]) * size], size);
    guest_write(m, base, sorted);
    return 0;
}

// bsearch(key, base, count, size, compare)
std::uint32_t bsearch_(Machine& m, const std::uint32_t* a)
{
    GuestOrder order{m, a[4]};
    std::uint32_t low = 0, high = a[2];
    while (low < high) {
        std::uint32_t middle = low + (high - low) / 2, element = a[1] + middle * a[3];
        std::int32_t c = 0;
        if (!order.call(a[0], element, c))
            return 0;
        if (c == 0)
            return element;
        if (c < 0)
            high = middle;
        else
            low = middle + 1;
    }
    return 0;
}

// The library's generator: x = x * 214013 + 2531011, giving bits 16..30.
std::uint32_t rand_(Machine& m, const std::uint32_t*)
{
    std::uint32_t& x = m.crt().random_state;
    x = x * 214013u + 2531011u;
    return (x >> 16) & 0x7FFF;
}

std::uint32_t srand_(Machine& m, const std::uint32_t* a)
{
    m.crt().random_state = a[0];
    return 0;
}

// _setjmp3(buffer, count, ...): the registers of its caller, which
// continues after the call with ESP as it will be after the return.
std::uint32_t setjmp3(Machine& m, const std::uint32_t* a)
{
    std::uint32_t words[kJumpBufferWords] = {};
    words[kEbp] = m.reg(Register::Ebp);
    words[kEbx] = m.reg(Register::Ebx);
    words[kEdi] = m.reg(Register::Edi);
    words[kEsi] = m.reg(Register::Esi);
    words[kEsp] = m.argument_address(0);
    m.read_u32(m.argument_address(0) - 4, words[kEip]);
    m.read_u32(Machine::kThreadBlock + kTebExceptionList, words[kRegistration]);
    words[kTryLevel] = 0xFFFFFFFFu;
    words[kCookie] = kJumpCookie;
    for (std::uint32_t i = 0; i < kJumpBufferWords; ++i)
        if (!guest_write_u32(m, a[0] + 4 * i, words[i]))
            return 0;
    return 0;
}

// longjmp(buffer, value): back to where _setjmp3 returned, with value (1
// for 0) as its result.
std::uint32_t longjmp_(Machine& m, const std::uint32_t* a)
{
    std::uint32_t words[kJumpBufferWords] = {};
    for (std::uint32_t i = 0; i < kJumpBufferWords; ++i)
        if (!m.read_u32(a[0] + 4 * i, words[i])) {
            m.raise_fault(a[0] + 4 * i);
            return 0;
        }
    m.set_reg(Register::Ebp, words[kEbp]);
    m.set_reg(Register::Ebx, words[kEbx]);
    m.set_reg(Register::Edi, words[kEdi]);
    m.set_reg(Register::Esi, words[kEsi]);
    m.write_u32(Machine::kThreadBlock + kTebExceptionList, words[kRegistration]);
    m.resume_at(words[kEip], words[kEsp], a[1] ? a[1] : 1);
    return 0;
}

std::uint32_t setlocale_(Machine& m, const std::uint32_t* a)
{
    std::string name;
    if (a[1] && (!guest_string(m, a[1], name) || (!name.empty() && name != "C")))
        return 0;
    static constexpr char kC[] = "C";
    std::uint32_t text = guest_allocate(m, sizeof kC);
    if (text)
        guest_put_string(m, text, kC);
    return text;
}

constexpr Convention C = Convention::Cdecl;
constexpr ApiFunction kFunctions[] = {
    {"msvcrt.dll", "__getmainargs", 5, getmainargs, C},
    {"msvcrt.dll", "__set_app_type", 1, nothing, C},
    {"msvcrt.dll", "__setusermatherr", 1, nothing, C},
    {"msvcrt.dll", "_lock", 1, nothing, C},
    {"msvcrt.dll", "_unlock", 1, nothing, C},
    {"msvcrt.dll", "__p__fmode", 0, p_fmode, C},
    {"msvcrt.dll", "__p__commode", 0, p_commode, C},
    {"msvcrt.dll", "_errno", 0, errno_, C},
    {"msvcrt.dll", "__p__environ", 0, variable_address<kEnviron>, C},
    {"msvcrt.dll", "__p___initenv", 0, variable_address<kInitialEnvironment>, C},
    {"msvcrt.dll", "__p___argc", 0, variable_address<kArgc>, C},
    {"msvcrt.dll", "__p___argv", 0, variable_address<kArgv>, C},
    {"msvcrt.dll", "__p__acmdln", 0, variable_address<kCommandLine>, C},
    {"msvcrt.dll", "_setmode", 2, setmode, C},
    {"msvcrt.dll", "_controlfp", 2, controlfp, C},
    {"msvcrt.dll", "_control87", 2, controlfp, C},
    {"msvcrt.dll", "_initterm", 2, initterm, C},
    {"msvcrt.dll", "_onexit", 1, onexit, C},
    {"msvcrt.dll", "__dllonexit", 1, onexit, C},
    {"msvcrt.dll", "atexit", 1, atexit_, C},
    {"msvcrt.dll", "exit", 1, exit_, C},
    {"msvcrt.dll", "_exit", 1, quick_exit, C},
    {"msvcrt.dll", "_cexit", 0, cexit, C},
    {"msvcrt.dll", "_c_exit", 0, nothing, C},
    {"msvcrt.dll", "abort", 0, abort_, C},
    {"msvcrt.dll", "_amsg_exit", 1, amsg_exit, C},
    {"msvcrt.dll", "getenv", 1, getenv_, C},
    {"msvcrt.dll", "qsort", 4, qsort_, C},
    {"msvcrt.dll", "bsearch", 5, bsearch_, C},
    {"msvcrt.dll", "rand", 0, rand_, C},
    {"msvcrt.dll", "srand", 1, srand_, C},
    {"msvcrt.dll", "_setjmp3", 2, setjmp3, C},
    {"msvcrt.dll", "_setjmp", 1, setjmp3, C},
    {"msvcrt.dll", "longjmp", 2, longjmp_, C},
    {"msvcrt.dll", "setlocale", 2, setlocale_, C},
};

}  // namespace

std::span<const ApiFunction> msvcrt_process_functions()
{
    return kFunctions;
}

}  // namespace vyn::i386
