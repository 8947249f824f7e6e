// The printf family's formatting as the i386 library does it. Arguments
// are read from guest memory in order, 4 bytes for int-sized ones and 8 for
// doubles and 64-bit integers (ll, I64). Each conversion is rebuilt as a
// host conversion of the same flags, width and precision, then adjusted
// where the library prints differently from the host: pointers as 8
// upper-case hex digits, exponents with at least three digits, infinities
// and NaNs as "1.#INF", "1.#QNAN" and "-1.#IND", a null string as "(null)".
#include "testing/i386/machine.h"
#include "testing/i386/msvcrt.h"

#include <cmath>
#include <cstring>

namespace vyn::i386 {

namespace {

struct Arguments {
    Machine& m;
    std::uint32_t address;
    bool ok = true;

    std::uint32_t u32()
    {
        std::uint32_t value = 0;
        if (ok && !m.read_u32(address, value)) {
            m.raise_fault(address);
            ok = false;
        }
        address += 4;
        return value;
    }
    std::uint64_t u64()
    {
        std::uint64_t low = u32();
        return low | (std::uint64_t(u32()) << 32);
    }
    double real()
    {
        std::uint64_t bits = u64();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
};

struct Conversion {
    std::string flags;
    int width = -1;
    int precision = -1;
    enum class Size { Short, Char, Int, Long64, Wide } size = Size::Int;
    char conversion = 0;
};

// Parses the conversion after '%' at format[at]; at ends past it. Widths
// and precisions given as '*' are taken from the arguments.
bool parse_conversion(const std::string& format, std::size_t& at, Arguments& args, Conversion& conv)
{
    while (at < format.size() && std::strchr("-+ #0", format[at]))
        conv.flags += format[at++];
    auto number = [&](int& value) {
        if (at < format.size() && format[at] == '*') {
            ++at;
            value = static_cast<std::int32_t>(args.u32());
            return;
        }
        if (at < format.size() && std::isdigit(static_cast<unsigned char>(format[at]))) {
            value = 0;
            while (at < format.size() && std::isdigit(static_cast<unsigned char>(format[at])))
                value = std::min(value * 10 + (format[at++] - '0'), 100000);
        }
    };
    number(conv.width);
    if (conv.width < -1) {  // a negative '*' width means left alignment
        conv.flags += '-';
        conv.width = -conv.width;
    }
    if (at < format.size() && format[at] == '.') {
        ++at;
        conv.precision = 0;
        number(conv.precision);
        if (conv.precision < 0)
            conv.precision = -1;
    }
    auto starts = [&](const char* text) {
        if (format.compare(at, std::strlen(text), text) != 0)
            return false;
        at += std::strlen(text);
        return true;
    };
    if (starts("I64") || starts("ll"))
        conv.size = Conversion::Size::Long64;
    else if (starts("I32") || starts("l") || starts("L") || starts("I") || starts("j") || starts("z") || starts("t"))
        conv.size = at < format.size() && (format[at] == 'c' || format[at] == 's') && format[at - 1] == 'l'
                        ? Conversion::Size::Wide
                        : Conversion::Size::Int;
    else if (starts("hh"))
        conv.size = Conversion::Size::Char;
    else if (starts("h"))
        conv.size = Conversion::Size::Short;
    else if (starts("w"))
        conv.size = Conversion::Size::Wide;
    if (at >= format.size())
        return false;
    conv.conversion = format[at++];
    return true;
}

std::string host_spec(const Conversion& conv, const char* length, char conversion)
{
    std::string text = "%" + conv.flags;
    if (conv.width >= 0)
        text += std::to_string(conv.width);
    if (conv.precision >= 0)
        text += "." + std::to_string(conv.precision);
    return text + length + conversion;
}

template <typename T>
std::string host_format(const std::string& conv, T value)
{
    int size = std::snprintf(nullptr, 0, conv.c_str(), value);
    std::string text(static_cast<std::size_t>(std::max(size, 0)), '\0');
    std::snprintf(text.data(), text.size() + 1, conv.c_str(), value);
    return text;
}

// Pads text to the width as the flags ask, with blanks.
std::string pad(const Conversion& conv, std::string text)
{
    if (conv.width > 0 && text.size() < std::size_t(conv.width)) {
        std::string fill(conv.width - text.size(), ' ');
        text = conv.flags.find('-') != std::string::npos ? text + fill : fill + text;
    }
    return text;
}

// At least three exponent digits, as the library writes them.
std::string widen_exponent(std::string text)
{
    std::size_t e = text.find_first_of("eE");
    if (e == std::string::npos || e + 2 > text.size())
        return text;
    std::size_t digits = e + 2, end = digits;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
        ++end;
    if (end - digits < 3)
        text.insert(digits, 3 - (end - digits), '0');
    return text;
}

// Pads a number to the width: blanks after it for '-', zeros after its sign
// for '0', else blanks in front.
std::string pad_number(const Conversion& conv, std::string text)
{
    if (conv.width <= 0 || text.size() >= std::size_t(conv.width))
        return text;
    std::size_t fill = conv.width - text.size();
    if (conv.flags.find('-') != std::string::npos)
        return text + std::string(fill, ' ');
    if (conv.flags.find('0') != std::string::npos) {
        std::size_t after_sign = !text.empty() && std::strchr("+- ", text[0]) ? 1 : 0;
        return text.insert(after_sign, fill, '0');
    }
    return std::string(fill, ' ') + text;
}

std::string format_real(const Conversion& conv, double value)
{
    char conversion = conv.conversion;
    if (std::isinf(value) || std::isnan(value)) {
        std::string body = std::isinf(value) ? "#INF" : (std::signbit(value) ? "#IND" : "#QNAN");
        int precision = conv.precision < 0 ? 6 : conv.precision;
        body.resize(std::max<std::size_t>(body.size(), std::size_t(precision)), '0');
        std::string sign = std::signbit(value) ? "-" : conv.flags.find('+') != std::string::npos ? "+" : "";
        return pad(conv, sign + "1." + body);
    }
    Conversion bare = conv;
    bare.width = -1;
    std::string text = host_format(host_spec(bare, "", conversion), value);
    if (conversion != 'f' && conversion != 'F' && conversion != 'a' && conversion != 'A')
        text = widen_exponent(text);
    return pad_number(conv, text);
}

bool format_string(Machine& m, const Conversion& conv, std::uint32_t pointer, std::string& out)
{
    std::string text;
    std::size_t limit = conv.precision < 0 ? SIZE_MAX : std::size_t(conv.precision);
    bool wide = conv.size == Conversion::Size::Wide || conv.conversion == 'S';
    if (pointer == 0) {
        text = "(null)";
    } else if (wide) {
        for (std::uint32_t at = pointer; text.size() < limit; at += 2) {
            std::uint8_t unit[2];
            if (!m.read_memory(at, unit)) {
                m.raise_fault(at);
                return false;
            }
            std::uint16_t c = unit[0] | (unit[1] << 8);
            if (c == 0)
                break;
            text += c < 0x100 ? static_cast<char>(c) : '?';
        }
    } else if (!guest_string(m, pointer, text, limit)) {
        return false;
    }
    if (text.size() > limit)
        text.resize(limit);
    out += pad(conv, text);
    return true;
}

std::string format_integer(const Conversion& conv, Arguments& args)
{
    bool is_signed = conv.conversion == 'd' || conv.conversion == 'i';
    std::uint64_t raw = conv.size == Conversion::Size::Long64 ? args.u64() : args.u32();
    if (conv.size != Conversion::Size::Long64) {
        if (conv.size == Conversion::Size::Short)
            raw = is_signed ? std::uint64_t(std::int64_t(std::int16_t(raw))) : std::uint16_t(raw);
        else if (conv.size == Conversion::Size::Char)
            raw = is_signed ? std::uint64_t(std::int64_t(std::int8_t(raw))) : std::uint8_t(raw);
        else
            raw = is_signed ? std::uint64_t(std::int64_t(std::int32_t(raw))) : std::uint32_t(raw);
    }
    std::string spec_text = host_spec(conv, "ll", conv.conversion);
    return is_signed ? host_format(spec_text, static_cast<long long>(raw))
                     : host_format(spec_text, static_cast<unsigned long long>(raw));
}

}  // namespace

bool format_text(Machine& m, const std::string& format, std::uint32_t argument_address, std::string& out)
{
    Arguments args{m, argument_address};
    out.clear();
    for (std::size_t at = 0; at < format.size() && args.ok;) {
        char c = format[at++];
        if (c != '%') {
            out += c;
            continue;
        }
        Conversion conv;
        if (!parse_conversion(format, at, args, conv))
            break;
        switch (conv.conversion) {
        case '%': out += '%'; break;
        case 'd':
        case 'i':
        case 'u':
        case 'o':
        case 'x':
        case 'X': out += format_integer(conv, args); break;
        case 'c':
        case 'C': out += pad(conv, std::string(1, static_cast<char>(args.u32()))); break;
        case 's':
        case 'S':
            if (!format_string(m, conv, args.u32(), out))
                return false;
            break;
        case 'p': out += pad(conv, host_format("%08X", args.u32())); break;
        case 'e':
        case 'E':
        case 'f':
        case 'F':
        case 'g':
        case 'G':
        case 'a':
        case 'A': out += format_real(conv, args.real()); break;
        case 'n':
            if (!guest_write_u32(m, args.u32(), static_cast<std::uint32_t>(out.size())))
                return false;
            break;
        default: out += conv.conversion; break;
        }
    }
    return args.ok && !m.stopped();
}

}  // namespace vyn::i386
