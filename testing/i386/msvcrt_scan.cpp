// The scanf family's scanning: the format's blanks skip white space, its
// other characters must match, and each conversion reads at most its width
// of characters and stores through the next pointer argument (none for
// '*'). Numbers are collected as text and converted as strtol and strtod
// convert them.
#include "testing/i386/machine.h"
#include "testing/i386/msvcrt.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace vyn::i386 {

namespace {

enum class Size { Char, Short, Int, Long64, Double };

struct Scanner {
    Machine& m;
    ScanSource& in;
    std::uint32_t consumed = 0;  // characters read for %n

    int get()
    {
        int c = in.next();
        if (c >= 0)
            ++consumed;
        return c;
    }
    void unget(int c)
    {
        if (c >= 0) {
            in.unget(c);
            --consumed;
        }
    }
    // Skips white space; false at the end of the input.
    bool skip_space()
    {
        for (;;) {
            int c = get();
            if (c < 0)
                return false;
            if (!std::isspace(c)) {
                unget(c);
                return true;
            }
        }
    }
};

bool store(Machine& m, std::uint32_t pointer, std::uint64_t value, std::uint32_t bytes)
{
    std::uint8_t b[8];
    for (std::uint32_t i = 0; i < bytes; ++i)
        b[i] = static_cast<std::uint8_t>(value >> (8 * i));
    return guest_write(m, pointer, std::span(b, bytes));
}

std::uint32_t integer_bytes(Size size)
{
    switch (size) {
    case Size::Char: return 1;
    case Size::Short: return 2;
    case Size::Long64: return 8;
    default: return 4;
    }
}

// Collects the text of an integer in base (0: as the prefix says) of at
// most width characters.
std::string integer_text(Scanner& s, int base, int width)
{
    std::string text;
    auto take = [&](auto accept) {
        if (int(text.size()) >= width)
            return false;
        int c = s.get();
        if (c >= 0 && accept(c)) {
            text += static_cast<char>(c);
            return true;
        }
        s.unget(c);
        return false;
    };
    take([](int c) { return c == '+' || c == '-'; });
    if ((base == 0 || base == 16) && take([](int c) { return c == '0'; })) {
        if (take([](int c) { return c == 'x' || c == 'X'; }))
            base = 16;
        else if (base == 0)
            base = 8;
    }
    if (base == 0)
        base = 10;
    auto digit = [base](int c) {
        int v = std::isdigit(c) ? c - '0' : std::isalpha(c) ? std::tolower(c) - 'a' + 10 : 99;
        return v < base;
    };
    while (take(digit)) {
    }
    return text;
}

std::string real_text(Scanner& s, int width)
{
    std::string text;
    auto take = [&](auto accept) {
        if (int(text.size()) >= width)
            return false;
        int c = s.get();
        if (c >= 0 && accept(c)) {
            text += static_cast<char>(c);
            return true;
        }
        s.unget(c);
        return false;
    };
    auto digit = [](int c) { return std::isdigit(c) != 0; };
    take([](int c) { return c == '+' || c == '-'; });
    while (take(digit)) {
    }
    if (take([](int c) { return c == '.'; }))
        while (take(digit)) {
        }
    if (text.find_first_of("0123456789") != std::string::npos && take([](int c) { return c == 'e' || c == 'E'; })) {
        take([](int c) { return c == '+' || c == '-'; });
        while (take(digit)) {
        }
    }
    return text;
}

// The set of a %[...] conversion, from format[at] on; at ends past ']'.
std::string scan_set(const std::string& format, std::size_t& at, bool& negated)
{
    std::string set;
    negated = at < format.size() && format[at] == '^';
    if (negated)
        ++at;
    if (at < format.size() && format[at] == ']')
        set += format[at++];
    while (at < format.size() && format[at] != ']') {
        if (format[at] == '-' && !set.empty() && at + 1 < format.size() && format[at + 1] != ']') {
            for (int c = static_cast<unsigned char>(set.back()) + 1; c <= static_cast<unsigned char>(format[at + 1]); ++c)
                set += static_cast<char>(c);
            at += 2;
            continue;
        }
        set += format[at++];
    }
    if (at < format.size())
        ++at;
    return set;
}

}  // namespace

std::uint32_t scan_text(Machine& m, const std::string& format, ScanSource& source, std::uint32_t argument_address)
{
    Scanner s{m, source};
    std::uint32_t stored = 0, next_argument = argument_address;
    bool converted_any = false;
    auto pointer = [&]() {
        std::uint32_t p = 0;
        if (!m.read_u32(next_argument, p))
            m.raise_fault(next_argument);
        next_argument += 4;
        return p;
    };
    auto input_failure = [&]() { return converted_any ? stored : kEof; };
    for (std::size_t at = 0; at < format.size() && !m.stopped();) {
        unsigned char f = static_cast<unsigned char>(format[at++]);
        if (std::isspace(f)) {
            s.skip_space();
            continue;
        }
        if (f != '%' || (at < format.size() && format[at] == '%')) {
            if (f == '%')
                ++at;
            int c = s.get();
            if (c < 0)
                return input_failure();
            if (c != f) {
                s.unget(c);
                return stored;
            }
            continue;
        }
        bool suppress = at < format.size() && format[at] == '*';
        if (suppress)
            ++at;
        int width = 0;
        while (at < format.size() && std::isdigit(static_cast<unsigned char>(format[at])))
            width = std::min(width * 10 + (format[at++] - '0'), 1 << 20);
        Size size = Size::Int;
        if (format.compare(at, 3, "I64") == 0 || format.compare(at, 2, "ll") == 0) {
            size = Size::Long64;
            at += format[at] == 'I' ? 3 : 2;
        } else if (format.compare(at, 2, "hh") == 0) {
            size = Size::Char;
            at += 2;
        } else if (at < format.size() && (format[at] == 'h' || format[at] == 'l' || format[at] == 'L')) {
            size = format[at] == 'h' ? Size::Short : Size::Double;
            ++at;
        }
        if (at >= format.size())
            break;
        char conversion = format[at++];
        if (conversion == 'n') {
            if (!suppress)
                store(m, pointer(), s.consumed, 4);
            continue;
        }
        if (conversion != 'c' && conversion != '[' && !s.skip_space())
            return input_failure();
        int limit = width > 0 ? width : 1 << 20;
        switch (conversion) {
        case 'd':
        case 'i':
        case 'u':
        case 'o':
        case 'x':
        case 'X': {
            int base = conversion == 'i' ? 0 : conversion == 'o' ? 8 : (conversion == 'x' || conversion == 'X') ? 16 : 10;
            std::string text = integer_text(s, base, limit);
            if (text.find_first_of("0123456789abcdefABCDEF") == std::string::npos)
                return stored;
            std::uint64_t value = conversion == 'd' || conversion == 'i'
                                      ? static_cast<std::uint64_t>(std::strtoll(text.c_str(), nullptr, base))
                                      : std::strtoull(text.c_str(), nullptr, base);
            if (!suppress && store(m, pointer(), value, integer_bytes(size == Size::Double ? Size::Int : size)))
                ++stored;
            break;
        }
        case 'e':
        case 'E':
        case 'f':
        case 'g':
        case 'G': {
            std::string text = real_text(s, limit);
            if (text.find_first_of("0123456789") == std::string::npos)
                return stored;
            double value = std::strtod(text.c_str(), nullptr);
            if (!suppress) {
                std::uint64_t bits;
                std::uint32_t bytes = size == Size::Double ? 8 : 4;
                if (bytes == 8) {
                    std::memcpy(&bits, &value, 8);
                } else {
                    float single = static_cast<float>(value);
                    std::uint32_t b32;
                    std::memcpy(&b32, &single, 4);
                    bits = b32;
                }
                if (store(m, pointer(), bits, bytes))
                    ++stored;
            }
            break;
        }
        case 'c':
        case 's':
        case '[': {
            bool negated = false;
            std::string set = conversion == '[' ? scan_set(format, at, negated) : "";
            int count = conversion == 'c' ? (width > 0 ? width : 1) : limit;
            std::string text;
            while (int(text.size()) < count) {
                int c = s.get();
                bool accept = c >= 0 && (conversion == 'c' || (conversion == 's' && !std::isspace(c)) ||
                                         (conversion == '[' && (set.find(static_cast<char>(c)) != std::string::npos) != negated));
                if (!accept) {
                    s.unget(c);
                    break;
                }
                text += static_cast<char>(c);
            }
            if (text.empty())
                return conversion == 'c' ? input_failure() : stored;
            if (!suppress) {
                std::uint32_t target = pointer();
                bool ok = conversion == 'c'
                              ? guest_write(m, target, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()})
                              : guest_put_string(m, target, text);
                if (ok)
                    ++stored;
            }
            break;
        }
        default: return stored;
        }
        converted_any = true;
    }
    return stored;
}

}  // namespace vyn::i386
