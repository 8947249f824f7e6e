// The emulated C library (msvcrt.dll) that console programs import: its
// state, kept per machine, and what its parts share.
//
// Guest pointers are checked on every use: a bad one ends the call with an
// access violation (Machine::raise_fault), as the real library would crash.
// Standard streams are unbuffered and untranslated (no CR is added before
// LF), so that output interleaves with WriteFile's and compares with the
// host's; files are host files opened in binary mode whatever the mode
// string says. Standard input read through the library is buffered here,
// apart from what ReadFile reads.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace vyn::i386 {

class Machine;

constexpr std::uint32_t kEof = 0xFFFFFFFFu;  // EOF as the program sees it
constexpr std::uint32_t kFileSize = 32;      // sizeof(FILE) in the i386 library
constexpr std::uint32_t kStreamTableEntries = 20;

// One FILE the program holds: a standard stream or a host file.
struct Stream {
    enum class Kind { Input, Output, Error, File };
    Kind kind = Kind::File;
    std::FILE* file = nullptr;  // for files; owned
    std::string path;           // of a temporary file, removed when it is closed
    bool readable = false;
    bool writable = false;
    bool eof = false;
    bool error = false;
    std::vector<std::uint8_t> pushed;  // bytes given back by ungetc, the next one last
};

struct CRuntime {
    CRuntime();
    ~CRuntime();
    CRuntime(const CRuntime&) = delete;
    CRuntime& operator=(const CRuntime&) = delete;

    std::map<std::uint32_t, Stream> streams;  // guest FILE address -> stream
    std::uint32_t stream_table = 0;           // _iob: stdin, stdout, stderr, then free entries
    std::string input;                        // standard input read but not yet consumed
    std::size_t input_used = 0;               // input_used <= input.size()
    bool input_ended = false;
    std::vector<std::uint32_t> exit_handlers;  // atexit and _onexit, in registration order
    std::uint32_t random_state = 1;
    std::uint32_t token_next = 0;  // strtok's place in its string, or 0
    std::uint32_t errno_address = 0;
    std::uint32_t fmode_address = 0;
    std::uint32_t commode_address = 0;
    std::uint32_t ctype_pointer = 0;  // the variable that holds _pctype
    std::uint32_t mb_cur_max_address = 0;
    std::uint32_t environment = 0;  // the char** block __getmainargs gives
    std::uint32_t arguments = 0;
    std::uint32_t argument_count = 0;
    std::uint32_t broken_down_time = 0;  // the struct tm localtime and gmtime return
    std::uint32_t time_text = 0;         // the string asctime and ctime return
    std::map<std::string, std::uint32_t> variables;  // start-up variables (_environ, __argv...) by name
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

// Guest memory as the library functions use it: false after raising a
// fault when the memory cannot be read or written.
bool guest_read(Machine& m, std::uint32_t address, std::span<std::uint8_t> bytes);
bool guest_write(Machine& m, std::uint32_t address, std::span<const std::uint8_t> bytes);
bool guest_write_u32(Machine& m, std::uint32_t address, std::uint32_t value);
// The NUL-terminated string at address, or at most limit characters of it.
bool guest_string(Machine& m, std::uint32_t address, std::string& text, std::size_t limit = SIZE_MAX);
// Copies text and a NUL to address.
bool guest_put_string(Machine& m, std::uint32_t address, const std::string& text);
// Heap memory for the library's own objects (streams, strdup's copies):
// size bytes, cleared; 0 when the heap is full.
std::uint32_t guest_allocate(Machine& m, std::uint32_t size);
void set_errno(Machine& m, int value);
// The class bits of c in the "C" locale's table: upper 0x1, lower 0x2,
// digit 0x4, space 0x8, punctuation 0x10, control 0x20, blank 0x40, hex
// digit 0x80, and 0x100 for letters.
std::uint16_t character_class(int c);

// The program's argument vector (count in CRuntime::argument_count) and
// environment block as __getmainargs gives them, made on first use; 0 when
// the heap is full (msvcrt_process.cpp).
std::uint32_t program_arguments(Machine& m);
std::uint32_t program_environment(Machine& m);
// The start-up variable of that name (_environ, __initenv, __argc, __argv,
// _acmdln): a 32-bit variable in guest memory, made on first use.
std::uint32_t runtime_variable(Machine& m, const std::string& name);

// Streams (msvcrt_stdio.cpp).
Stream* find_stream(Machine& m, std::uint32_t file);
std::uint32_t standard_stream(Machine& m, int index);  // &_iob[index]
bool stream_write(Machine& m, Stream& s, std::span<const std::uint8_t> bytes);
int stream_getc(Machine& m, Stream& s);  // -1 at the end or on an error
void stream_ungetc(Stream& s, int c);

// The printf family's formatting, reading arguments from the guest from
// argument_address on (msvcrt_format.cpp). False when an argument or a
// string cannot be read (a fault has been raised).
bool format_text(Machine& m, const std::string& format, std::uint32_t argument_address, std::string& out);

// The scanf family's scanning (msvcrt_scan.cpp): characters come from
// next() (-1 at the end) and unread ones go back through unget().
struct ScanSource {
    virtual ~ScanSource() = default;
    virtual int next() = 0;
    virtual void unget(int c) = 0;
};
// The number of fields stored, or EOF when the input ended before the
// first conversion; faults as format_text.
std::uint32_t scan_text(Machine& m, const std::string& format, ScanSource& source, std::uint32_t argument_address);

// The tables of each part.
struct ApiFunction;
std::span<const ApiFunction> msvcrt_stdio_functions();
std::span<const ApiFunction> msvcrt_string_functions();
std::span<const ApiFunction> msvcrt_math_functions();
std::span<const ApiFunction> msvcrt_process_functions();
std::span<const ApiFunction> msvcrt_time_functions();

}  // namespace vyn::i386
