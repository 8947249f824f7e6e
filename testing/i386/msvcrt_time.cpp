// Time: the calendar time (32- and 64-bit), the processor clock, broken-down
// times in UTC and local time (by the host's time zone) and their
// formatting. The library returns broken-down times in one struct of its
// own, which the next call overwrites, as the real one does.
#include "testing/i386/api.h"
#include "testing/i386/machine.h"
#include "testing/i386/msvcrt.h"

#include <chrono>
#include <ctime>

namespace vyn::i386 {

namespace {

constexpr std::uint32_t kTmFields = 9;  // struct tm: nine ints
constexpr int kErrorInvalid = 22;

std::int64_t now_seconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::uint32_t time32(Machine& m, const std::uint32_t* a)
{
    auto seconds = static_cast<std::uint32_t>(now_seconds());
    if (a[0])
        guest_write_u32(m, a[0], seconds);
    return seconds;
}

std::uint32_t result64(Machine& m, std::int64_t value)
{
    m.set_reg(Register::Edx, static_cast<std::uint32_t>(static_cast<std::uint64_t>(value) >> 32));
    return static_cast<std::uint32_t>(value);
}

std::uint32_t time64(Machine& m, const std::uint32_t* a)
{
    std::int64_t seconds = now_seconds();
    if (a[0] && guest_write_u32(m, a[0], static_cast<std::uint32_t>(seconds)))
        guest_write_u32(m, a[0] + 4, static_cast<std::uint32_t>(static_cast<std::uint64_t>(seconds) >> 32));
    return result64(m, seconds);
}

// clock(): milliseconds since the process started (CLOCKS_PER_SEC 1000).
std::uint32_t clock_(Machine& m, const std::uint32_t*)
{
    auto since = std::chrono::steady_clock::now() - m.crt().start;
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

std::uint32_t difftime32(Machine& m, const std::uint32_t* a)
{
    m.return_double(static_cast<double>(static_cast<std::int32_t>(a[0])) -
                    static_cast<double>(static_cast<std::int32_t>(a[1])));
    return 0;
}

std::uint32_t difftime64(Machine& m, const std::uint32_t* a)
{
    auto first = static_cast<std::int64_t>(a[0] | (std::uint64_t(a[1]) << 32));
    auto second = static_cast<std::int64_t>(a[2] | (std::uint64_t(a[3]) << 32));
    m.return_double(static_cast<double>(first) - static_cast<double>(second));
    return 0;
}

bool read_time(Machine& m, std::uint32_t address, bool wide, std::time_t& value)
{
    std::uint32_t low = 0, high = 0;
    if (!m.read_u32(address, low) || (wide && !m.read_u32(address + 4, high))) {
        m.raise_fault(address);
        return false;
    }
    value = wide ? static_cast<std::time_t>(static_cast<std::int64_t>(low | (std::uint64_t(high) << 32)))
                 : static_cast<std::time_t>(static_cast<std::int32_t>(low));
    return true;
}

bool write_tm(Machine& m, std::uint32_t address, const std::tm& t)
{
    const int fields[kTmFields] = {t.tm_sec, t.tm_min, t.tm_hour, t.tm_mday, t.tm_mon,
                                   t.tm_year, t.tm_wday, t.tm_yday, t.tm_isdst};
    for (std::uint32_t i = 0; i < kTmFields; ++i)
        if (!guest_write_u32(m, address + 4 * i, static_cast<std::uint32_t>(fields[i])))
            return false;
    return true;
}

bool read_tm(Machine& m, std::uint32_t address, std::tm& t)
{
    std::uint32_t f[kTmFields];
    for (std::uint32_t i = 0; i < kTmFields; ++i)
        if (!m.read_u32(address + 4 * i, f[i])) {
            m.raise_fault(address + 4 * i);
            return false;
        }
    t = std::tm{};
    t.tm_sec = static_cast<int>(f[0]);
    t.tm_min = static_cast<int>(f[1]);
    t.tm_hour = static_cast<int>(f[2]);
    t.tm_mday = static_cast<int>(f[3]);
    t.tm_mon = static_cast<int>(f[4]);
    t.tm_year = static_cast<int>(f[5]);
    t.tm_wday = static_cast<int>(f[6]);
    t.tm_yday = static_cast<int>(f[7]);
    t.tm_isdst = static_cast<int>(f[8]);
    return true;
}

// The library's one broken-down time: null for times before 1970, as its
// conversions refuse them.
std::uint32_t broken_down(Machine& m, std::uint32_t time_address, bool wide, bool local)
{
    std::time_t value = 0;
    if (!read_time(m, time_address, wide, value))
        return 0;
    std::tm t{};
    if (value < 0 || !(local ? localtime_r(&value, &t) : gmtime_r(&value, &t))) {
        set_errno(m, kErrorInvalid);
        return 0;
    }
    CRuntime& crt = m.crt();
    if (!crt.broken_down_time)
        crt.broken_down_time = guest_allocate(m, 4 * kTmFields);
    return crt.broken_down_time && write_tm(m, crt.broken_down_time, t) ? crt.broken_down_time : 0;
}

std::uint32_t localtime32(Machine& m, const std::uint32_t* a) { return broken_down(m, a[0], false, true); }
std::uint32_t localtime64(Machine& m, const std::uint32_t* a) { return broken_down(m, a[0], true, true); }
std::uint32_t gmtime32(Machine& m, const std::uint32_t* a) { return broken_down(m, a[0], false, false); }
std::uint32_t gmtime64(Machine& m, const std::uint32_t* a) { return broken_down(m, a[0], true, false); }

// mktime: normalises the broken-down local time in place and gives its
// calendar time, -1 when it cannot be represented.
std::int64_t make_time(Machine& m, std::uint32_t address)
{
    std::tm t{};
    if (!read_tm(m, address, t))
        return -1;
    std::time_t value = std::mktime(&t);
    if (value < 0)
        return -1;
    write_tm(m, address, t);
    return value;
}

std::uint32_t mktime32(Machine& m, const std::uint32_t* a)
{
    std::int64_t value = make_time(m, a[0]);
    return value > INT32_MAX ? 0xFFFFFFFFu : static_cast<std::uint32_t>(value);
}

std::uint32_t mktime64(Machine& m, const std::uint32_t* a)
{
    return result64(m, make_time(m, a[0]));
}

// strftime(buffer, size, format, tm): the count written without the NUL, 0
// when it does not fit.
std::uint32_t strftime_(Machine& m, const std::uint32_t* a)
{
    std::string format;
    std::tm t{};
    if (!guest_string(m, a[2], format) || !read_tm(m, a[3], t))
        return 0;
    std::string text(static_cast<std::size_t>(std::min<std::uint32_t>(a[1], 0x10000)), '\0');
    std::size_t length = text.empty() ? 0 : std::strftime(text.data(), text.size(), format.c_str(), &t);
    if (length == 0 && !format.empty())
        return 0;
    text.resize(length);
    return guest_put_string(m, a[0], text) ? static_cast<std::uint32_t>(length) : 0;
}

// asctime(tm): "Wed Jan 02 02:03:55 1980\n" in the library's own string.
std::uint32_t text_of(Machine& m, const std::tm& t)
{
    char text[64];
    std::strftime(text, sizeof text, "%a %b %d %H:%M:%S %Y\n", &t);
    CRuntime& crt = m.crt();
    if (!crt.time_text)
        crt.time_text = guest_allocate(m, 64);
    return crt.time_text && guest_put_string(m, crt.time_text, text) ? crt.time_text : 0;
}

std::uint32_t asctime_(Machine& m, const std::uint32_t* a)
{
    std::tm t{};
    return read_tm(m, a[0], t) ? text_of(m, t) : 0;
}

std::uint32_t ctime_of(Machine& m, std::uint32_t address, bool wide)
{
    std::time_t value = 0;
    std::tm t{};
    if (!read_time(m, address, wide, value) || value < 0 || !localtime_r(&value, &t))
        return 0;
    return text_of(m, t);
}

std::uint32_t ctime32(Machine& m, const std::uint32_t* a) { return ctime_of(m, a[0], false); }
std::uint32_t ctime64(Machine& m, const std::uint32_t* a) { return ctime_of(m, a[0], true); }

constexpr Convention C = Convention::Cdecl;
constexpr ApiFunction kFunctions[] = {
    {"msvcrt.dll", "time", 1, time32, C},
    {"msvcrt.dll", "_time32", 1, time32, C},
    {"msvcrt.dll", "_time64", 1, time64, C},
    {"msvcrt.dll", "clock", 0, clock_, C},
    {"msvcrt.dll", "difftime", 2, difftime32, C},
    {"msvcrt.dll", "_difftime32", 2, difftime32, C},
    {"msvcrt.dll", "_difftime64", 4, difftime64, C},
    {"msvcrt.dll", "localtime", 1, localtime32, C},
    {"msvcrt.dll", "_localtime32", 1, localtime32, C},
    {"msvcrt.dll", "_localtime64", 1, localtime64, C},
    {"msvcrt.dll", "gmtime", 1, gmtime32, C},
    {"msvcrt.dll", "_gmtime32", 1, gmtime32, C},
    {"msvcrt.dll", "_gmtime64", 1, gmtime64, C},
    {"msvcrt.dll", "mktime", 1, mktime32, C},
    {"msvcrt.dll", "_mktime32", 1, mktime32, C},
    {"msvcrt.dll", "_mktime64", 1, mktime64, C},
    {"msvcrt.dll", "strftime", 4, strftime_, C},
    {"msvcrt.dll", "asctime", 1, asctime_, C},
    {"msvcrt.dll", "ctime", 1, ctime32, C},
    {"msvcrt.dll", "_ctime32", 1, ctime32, C},
    {"msvcrt.dll", "_ctime64", 1, ctime64, C},
};

}  // namespace

std::span<const ApiFunction> msvcrt_time_functions()
{
    return kFunctions;
}

}  // namespace vyn::i386
