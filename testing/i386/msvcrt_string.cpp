// Memory, strings, conversions and character classes of the "C" locale.
// Strings are read from the guest up to their NUL (or the count the
// function is given), worked on in the host, and written back.
#include "testing/i386/api.h"
#include "testing/i386/machine.h"
#include "testing/i386/msvcrt.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vyn::i386 {

namespace {

constexpr std::uint32_t kChunk = 0x10000;
constexpr int kErrorNoMemory = 12;
constexpr int kErrorRange = 34;

std::uint32_t allocate(Machine& m, std::uint64_t size)
{
    std::uint32_t address = size <= 0xFFFFFFF0u ? m.heap().allocate(static_cast<std::uint32_t>(size)) : 0;
    if (!address)
        set_errno(m, kErrorNoMemory);
    return address;
}

// Copies count bytes from source to target through the host, in pieces;
// the pieces go backwards when the target lies above an overlapping source.
bool copy(Machine& m, std::uint32_t target, std::uint32_t source, std::uint32_t count)
{
    std::vector<std::uint8_t> bytes;
    bool backwards = target > source && target - source < count;
    for (std::uint32_t done = 0; done < count;) {
        std::uint32_t n = std::min(kChunk, count - done);
        std::uint32_t offset = backwards ? count - done - n : done;
        bytes.resize(n);
        if (!guest_read(m, source + offset, bytes) || !guest_write(m, target + offset, bytes))
            return false;
        done += n;
    }
    return true;
}

bool fill(Machine& m, std::uint32_t target, std::uint8_t value, std::uint32_t count)
{
    std::vector<std::uint8_t> bytes(std::min(kChunk, count), value);
    for (std::uint32_t done = 0; done < count;) {
        std::uint32_t n = std::min(kChunk, count - done);
        if (!guest_write(m, target + done, std::span(bytes).first(n)))
            return false;
        done += n;
    }
    return true;
}

std::uint32_t malloc_(Machine& m, const std::uint32_t* a)
{
    return allocate(m, a[0]);
}

std::uint32_t calloc_(Machine& m, const std::uint32_t* a)
{
    std::uint32_t address = allocate(m, std::uint64_t(a[0]) * a[1]);
    if (address)
        fill(m, address, 0, a[0] * a[1]);
    return address;
}

std::uint32_t free_(Machine& m, const std::uint32_t* a)
{
    if (a[0] != 0 && !m.heap().free(a[0]))
        m.raise_fault(a[0]);
    return 0;
}

std::uint32_t realloc_(Machine& m, const std::uint32_t* a)
{
    if (a[0] == 0)
        return allocate(m, a[1]);
    std::uint32_t old_size = m.heap().block_size(a[0]);
    if (old_size == 0) {
        m.raise_fault(a[0]);
        return 0;
    }
    if (a[1] == 0) {
        m.heap().free(a[0]);
        return 0;
    }
    if (a[1] <= old_size)
        return a[0];
    std::uint32_t address = allocate(m, a[1]);
    if (address && copy(m, address, a[0], old_size))
        m.heap().free(a[0]);
    return address;
}

std::uint32_t memcpy_(Machine& m, const std::uint32_t* a)
{
    copy(m, a[0], a[1], a[2]);
    return a[0];
}

std::uint32_t memset_(Machine& m, const std::uint32_t* a)
{
    fill(m, a[0], static_cast<std::uint8_t>(a[1]), a[2]);
    return a[0];
}

std::uint32_t memcmp_(Machine& m, const std::uint32_t* a)
{
    std::vector<std::uint8_t> x, y;
    for (std::uint32_t done = 0; done < a[2];) {
        std::uint32_t n = std::min(kChunk, a[2] - done);
        x.resize(n);
        y.resize(n);
        if (!guest_read(m, a[0] + done, x) || !guest_read(m, a[1] + done, y))
            return 0;
        int order = std::memcmp(x.data(), y.data(), n);
        if (order != 0)
            return order < 0 ? 0xFFFFFFFFu : 1;
        done += n;
    }
    return 0;
}

std::uint32_t memchr_(Machine& m, const std::uint32_t* a)
{
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t done = 0; done < a[2];) {
        bytes.resize(std::min(kChunk, a[2] - done));
        if (!guest_read(m, a[0] + done, bytes))
            return 0;
        auto found = std::find(bytes.begin(), bytes.end(), static_cast<std::uint8_t>(a[1]));
        if (found != bytes.end())
            return a[0] + done + static_cast<std::uint32_t>(found - bytes.begin());
        done += static_cast<std::uint32_t>(bytes.size());
    }
    return 0;
}

std::uint32_t strlen_(Machine& m, const std::uint32_t* a)
{
    std::string s;
    guest_string(m, a[0], s);
    return static_cast<std::uint32_t>(s.size());
}

std::uint32_t strcpy_(Machine& m, const std::uint32_t* a)
{
    std::string s;
    if (guest_string(m, a[1], s))
        guest_put_string(m, a[0], s);
    return a[0];
}

// strncpy: the string cut at n, padded with NULs to n, no NUL when cut.
std::uint32_t strncpy_(Machine& m, const std::uint32_t* a)
{
    std::string s;
    if (!m.writable(a[0], a[2])) {
        m.raise_fault(a[0]);
        return a[0];
    }
    if (guest_string(m, a[1], s, a[2]) &&
        guest_write(m, a[0], {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()}))
        fill(m, a[0] + static_cast<std::uint32_t>(s.size()), 0, a[2] - static_cast<std::uint32_t>(s.size()));
    return a[0];
}

std::uint32_t strcat_(Machine& m, const std::uint32_t* a)
{
    std::string target, source;
    if (guest_string(m, a[0], target) && guest_string(m, a[1], source))
        guest_put_string(m, a[0] + static_cast<std::uint32_t>(target.size()), source);
    return a[0];
}

std::uint32_t strncat_(Machine& m, const std::uint32_t* a)
{
    std::string target, source;
    if (guest_string(m, a[0], target) && guest_string(m, a[1], source, a[2]))
        guest_put_string(m, a[0] + static_cast<std::uint32_t>(target.size()), source);
    return a[0];
}

std::uint32_t compare(int order)
{
    return order < 0 ? 0xFFFFFFFFu : order > 0 ? 1 : 0;
}

std::string lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::uint32_t strcmp_(Machine& m, const std::uint32_t* a)
{
    std::string x, y;
    if (!guest_string(m, a[0], x) || !guest_string(m, a[1], y))
        return 0;
    return compare(std::strcmp(x.c_str(), y.c_str()));
}

std::uint32_t strncmp_(Machine& m, const std::uint32_t* a)
{
    std::string x, y;
    if (!guest_string(m, a[0], x, a[2]) || !guest_string(m, a[1], y, a[2]))
        return 0;
    return compare(std::strncmp(x.c_str(), y.c_str(), a[2]));
}

std::uint32_t stricmp_(Machine& m, const std::uint32_t* a)
{
    std::string x, y;
    if (!guest_string(m, a[0], x) || !guest_string(m, a[1], y))
        return 0;
    return compare(std::strcmp(lower(x).c_str(), lower(y).c_str()));
}

std::uint32_t strnicmp_(Machine& m, const std::uint32_t* a)
{
    std::string x, y;
    if (!guest_string(m, a[0], x, a[2]) || !guest_string(m, a[1], y, a[2]))
        return 0;
    return compare(std::strncmp(lower(x).c_str(), lower(y).c_str(), a[2]));
}

std::uint32_t strchr_(Machine& m, const std::uint32_t* a)
{
    std::string s;
    if (!guest_string(m, a[0], s))
        return 0;
    char c = static_cast<char>(a[1]);
    if (c == 0)
        return a[0] + static_cast<std::uint32_t>(s.size());
    std::size_t at = s.find(c);
    return at == std::string::npos ? 0 : a[0] + static_cast<std::uint32_t>(at);
}

std::uint32_t strrchr_(Machine& m, const std::uint32_t* a)
{
    std::string s;
    if (!guest_string(m, a[0], s))
        return 0;
    char c = static_cast<char>(a[1]);
    if (c == 0)
        return a[0] + static_cast<std::uint32_t>(s.size());
    std::size_t at = s.rfind(c);
    return at == std::string::npos ? 0 : a[0] + static_cast<std::uint32_t>(at);
}

std::uint32_t strstr_(Machine& m, const std::uint32_t* a)
{
    std::string s, part;
    if (!guest_string(m, a[0], s) || !guest_string(m, a[1], part))
        return 0;
    std::size_t at = s.find(part);
    return at == std::string::npos ? 0 : a[0] + static_cast<std::uint32_t>(at);
}

std::uint32_t span(Machine& m, const std::uint32_t* a, bool in_set)
{
    std::string s, set;
    if (!guest_string(m, a[0], s) || !guest_string(m, a[1], set))
        return 0;
    std::size_t at = in_set ? s.find_first_not_of(set) : s.find_first_of(set);
    return static_cast<std::uint32_t>(at == std::string::npos ? s.size() : at);
}

std::uint32_t strspn_(Machine& m, const std::uint32_t* a)
{
    return span(m, a, true);
}

std::uint32_t strcspn_(Machine& m, const std::uint32_t* a)
{
    return span(m, a, false);
}

std::uint32_t strpbrk_(Machine& m, const std::uint32_t* a)
{
    std::string s;
    if (!guest_string(m, a[0], s))
        return 0;
    std::uint32_t at = span(m, a, false);
    return at < s.size() ? a[0] + at : 0;
}

// strtok(string, delimiters): the next token, its end overwritten with a
// NUL; a null string goes on where the last call stopped.
std::uint32_t strtok_(Machine& m, const std::uint32_t* a)
{
    CRuntime& crt = m.crt();
    std::uint32_t start = a[0] ? a[0] : crt.token_next;
    std::string s, delimiters;
    if (start == 0 || !guest_string(m, start, s) || !guest_string(m, a[1], delimiters))
        return 0;
    std::size_t begin = s.find_first_not_of(delimiters);
    if (begin == std::string::npos) {
        crt.token_next = 0;
        return 0;
    }
    std::size_t end = s.find_first_of(delimiters, begin);
    if (end == std::string::npos) {
        crt.token_next = 0;
    } else {
        std::uint8_t nul = 0;
        guest_write(m, start + static_cast<std::uint32_t>(end), std::span(&nul, 1));
        crt.token_next = start + static_cast<std::uint32_t>(end) + 1;
    }
    return start + static_cast<std::uint32_t>(begin);
}

std::uint32_t strdup_(Machine& m, const std::uint32_t* a)
{
    std::string s;
    if (a[0] == 0 || !guest_string(m, a[0], s))
        return 0;
    std::uint32_t copy_address = allocate(m, s.size() + 1);
    if (copy_address)
        guest_put_string(m, copy_address, s);
    return copy_address;
}

bool set_end(Machine& m, std::uint32_t end_pointer, std::uint32_t value)
{
    return end_pointer == 0 || guest_write_u32(m, end_pointer, value);
}

// strtol and strtoul as the host computes them on a copy of the string,
// the end pointer moved by as much as the host's moved.
std::uint32_t to_integer(Machine& m, const std::uint32_t* a, bool is_signed)
{
    std::string s;
    if (!guest_string(m, a[0], s))
        return 0;
    char* end = nullptr;
    errno = 0;
    int base = static_cast<std::int32_t>(a[2]);
    long long value = is_signed ? std::strtoll(s.c_str(), &end, base) : 0;
    unsigned long long unsigned_value = is_signed ? 0 : std::strtoull(s.c_str(), &end, base);
    std::uint32_t result;
    if (is_signed) {
        result = static_cast<std::uint32_t>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
        if (value < INT32_MIN || value > INT32_MAX || errno == ERANGE)
            set_errno(m, kErrorRange);
    } else {
        bool negative = s.find('-') != std::string::npos && s.find('-') < std::size_t(end - s.c_str());
        std::uint64_t magnitude = negative ? 0 - unsigned_value : unsigned_value;
        bool over = errno == ERANGE || magnitude > 0xFFFFFFFFu;
        result = over ? 0xFFFFFFFFu : static_cast<std::uint32_t>(unsigned_value);
        if (over)
            set_errno(m, kErrorRange);
    }
    set_end(m, a[1], a[0] + static_cast<std::uint32_t>(end - s.c_str()));
    return result;
}

std::uint32_t strtol_(Machine& m, const std::uint32_t* a)
{
    return to_integer(m, a, true);
}

std::uint32_t strtoul_(Machine& m, const std::uint32_t* a)
{
    return to_integer(m, a, false);
}

std::uint32_t strtod_(Machine& m, const std::uint32_t* a)
{
    std::string s;
    if (!guest_string(m, a[0], s))
        return 0;
    char* end = nullptr;
    errno = 0;
    double value = std::strtod(s.c_str(), &end);
    if (errno == ERANGE)
        set_errno(m, kErrorRange);
    set_end(m, a[1], a[0] + static_cast<std::uint32_t>(end - s.c_str()));
    m.return_double(value);
    return 0;
}

std::uint32_t atoi_(Machine& m, const std::uint32_t* a)
{
    std::string s;
    if (!guest_string(m, a[0], s))
        return 0;
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(std::strtoll(s.c_str(), nullptr, 10)));
}

std::uint32_t atof_(Machine& m, const std::uint32_t* a)
{
    std::string s;
    if (guest_string(m, a[0], s))
        m.return_double(std::strtod(s.c_str(), nullptr));
    return 0;
}

// Character classes: the class table's bits under the mask, as the library
// answers (isalpha('a') is 0x102); outside -1..255 there is no class.
template <std::uint16_t mask>
std::uint32_t is_class(Machine&, const std::uint32_t* a)
{
    int c = static_cast<std::int32_t>(a[0]);
    return c >= 0 && c < 256 ? character_class(c) & mask : 0;
}

std::uint32_t toupper_(Machine&, const std::uint32_t* a)
{
    int c = static_cast<std::int32_t>(a[0]);
    return c >= 'a' && c <= 'z' ? static_cast<std::uint32_t>(c - 32) : a[0];
}

std::uint32_t tolower_(Machine&, const std::uint32_t* a)
{
    int c = static_cast<std::int32_t>(a[0]);
    return c >= 'A' && c <= 'Z' ? static_cast<std::uint32_t>(c + 32) : a[0];
}

// _isctype(c, mask) and the functions that give the class table.
std::uint32_t isctype_(Machine&, const std::uint32_t* a)
{
    int c = static_cast<std::int32_t>(a[0]);
    return c >= 0 && c < 256 ? character_class(c) & a[1] : 0;
}

std::uint32_t pctype_func(Machine& m, const std::uint32_t*)
{
    std::uint32_t pointer = 0, table = 0;
    const DataImport* data = find_data_import("msvcrt.dll", "_pctype");
    pointer = data ? data->create(m) : 0;
    return pointer && m.read_u32(pointer, table) ? table : 0;
}

std::uint32_t mb_cur_max_func(Machine&, const std::uint32_t*)
{
    return 1;
}

std::uint32_t strerror_(Machine& m, const std::uint32_t* a)
{
    static const std::pair<std::uint32_t, const char*> kMessages[] = {
        {0, "No error"}, {2, "No such file or directory"}, {9, "Bad file descriptor"},
        {12, "Not enough space"}, {13, "Permission denied"}, {17, "File exists"},
        {22, "Invalid argument"}, {33, "Domain error"}, {34, "Result too large"},
    };
    std::string text = "Unknown error";
    for (const auto& [number, message] : kMessages)
        if (number == a[0])
            text = message;
    std::uint32_t address = allocate(m, text.size() + 1);
    if (address)
        guest_put_string(m, address, text);
    return address;
}

// The class bits (as the table holds them) that each test looks at.
constexpr std::uint16_t kUpper = 0x1, kLower = 0x2, kDigit = 0x4, kSpace = 0x8, kPunct = 0x10, kControl = 0x20,
                        kBlank = 0x40, kHex = 0x80, kAlpha = 0x103;

constexpr Convention C = Convention::Cdecl;
constexpr ApiFunction kFunctions[] = {
    {"msvcrt.dll", "malloc", 1, malloc_, C},
    {"msvcrt.dll", "calloc", 2, calloc_, C},
    {"msvcrt.dll", "realloc", 2, realloc_, C},
    {"msvcrt.dll", "free", 1, free_, C},
    {"msvcrt.dll", "memcpy", 3, memcpy_, C},
    {"msvcrt.dll", "memmove", 3, memcpy_, C},
    {"msvcrt.dll", "memset", 3, memset_, C},
    {"msvcrt.dll", "memcmp", 3, memcmp_, C},
    {"msvcrt.dll", "memchr", 3, memchr_, C},
    {"msvcrt.dll", "strlen", 1, strlen_, C},
    {"msvcrt.dll", "strcpy", 2, strcpy_, C},
    {"msvcrt.dll", "strncpy", 3, strncpy_, C},
    {"msvcrt.dll", "strcat", 2, strcat_, C},
    {"msvcrt.dll", "strncat", 3, strncat_, C},
    {"msvcrt.dll", "strcmp", 2, strcmp_, C},
    {"msvcrt.dll", "strncmp", 3, strncmp_, C},
    {"msvcrt.dll", "_stricmp", 2, stricmp_, C},
    {"msvcrt.dll", "_strnicmp", 3, strnicmp_, C},
    {"msvcrt.dll", "_strcmpi", 2, stricmp_, C},
    {"msvcrt.dll", "strchr", 2, strchr_, C},
    {"msvcrt.dll", "strrchr", 2, strrchr_, C},
    {"msvcrt.dll", "strstr", 2, strstr_, C},
    {"msvcrt.dll", "strspn", 2, strspn_, C},
    {"msvcrt.dll", "strcspn", 2, strcspn_, C},
    {"msvcrt.dll", "strpbrk", 2, strpbrk_, C},
    {"msvcrt.dll", "strtok", 2, strtok_, C},
    {"msvcrt.dll", "_strdup", 1, strdup_, C},
    {"msvcrt.dll", "strdup", 1, strdup_, C},
    {"msvcrt.dll", "strtol", 3, strtol_, C},
    {"msvcrt.dll", "strtoul", 3, strtoul_, C},
    {"msvcrt.dll", "strtod", 2, strtod_, C},
    {"msvcrt.dll", "atoi", 1, atoi_, C},
    {"msvcrt.dll", "atol", 1, atoi_, C},
    {"msvcrt.dll", "atof", 1, atof_, C},
    {"msvcrt.dll", "strerror", 1, strerror_, C},
    {"msvcrt.dll", "isalpha", 1, is_class<kAlpha>, C},
    {"msvcrt.dll", "isdigit", 1, is_class<kDigit>, C},
    {"msvcrt.dll", "isalnum", 1, is_class<kAlpha | kDigit>, C},
    {"msvcrt.dll", "isspace", 1, is_class<kSpace>, C},
    {"msvcrt.dll", "isupper", 1, is_class<kUpper>, C},
    {"msvcrt.dll", "islower", 1, is_class<kLower>, C},
    {"msvcrt.dll", "isxdigit", 1, is_class<kHex>, C},
    {"msvcrt.dll", "ispunct", 1, is_class<kPunct>, C},
    {"msvcrt.dll", "isprint", 1, is_class<kBlank | kPunct | kAlpha | kDigit>, C},
    {"msvcrt.dll", "iscntrl", 1, is_class<kControl>, C},
    {"msvcrt.dll", "isgraph", 1, is_class<kPunct | kAlpha | kDigit>, C},
    {"msvcrt.dll", "toupper", 1, toupper_, C},
    {"msvcrt.dll", "tolower", 1, tolower_, C},
    {"msvcrt.dll", "_isctype", 2, isctype_, C},
    {"msvcrt.dll", "__pctype_func", 0, pctype_func, C},
    {"msvcrt.dll", "___mb_cur_max_func", 0, mb_cur_max_func, C},
};

}  // namespace

std::span<const ApiFunction> msvcrt_string_functions()
{
    return kFunctions;
}

}  // namespace vyn::i386
