#include "resedit/utf16.h"

namespace vyn::resedit {

std::string utf16_to_utf8(const std::vector<std::uint16_t>& units)
{
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        std::uint32_t c = units[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Bytes that are not well-formed UTF-8 are taken as Latin-1 characters.
std::vector<std::uint16_t> utf8_to_utf16(std::string_view s)
{
    std::vector<std::uint16_t> out;
    auto cont = [&](std::size_t i) { return i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80; };
    for (std::size_t i = 0; i < s.size();) {
        auto b = static_cast<unsigned char>(s[i]);
        std::uint32_t c = b;
        std::size_t n = 1;
        if (b >= 0xC0 && b < 0xE0 && cont(i + 1)) {
            c = ((b & 0x1Fu) << 6) | (s[i + 1] & 0x3F);
            n = 2;
        } else if (b >= 0xE0 && b < 0xF0 && cont(i + 1) && cont(i + 2)) {
            c = ((b & 0x0Fu) << 12) | ((s[i + 1] & 0x3Fu) << 6) | (s[i + 2] & 0x3F);
            n = 3;
        } else if (b >= 0xF0 && b < 0xF8 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
            c = ((b & 0x07u) << 18) | ((s[i + 1] & 0x3Fu) << 12) | ((s[i + 2] & 0x3Fu) << 6) | (s[i + 3] & 0x3F);
            n = 4;
        }
        i += n;
        if (c >= 0x10000 && c < 0x110000) {
            c -= 0x10000;
            out.push_back(static_cast<std::uint16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<std::uint16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<std::uint16_t>(c));
        }
    }
    return out;
}

std::string read_utf16z(ByteReader& r)
{
    std::vector<std::uint16_t> units;
    while (r.ok()) {
        std::uint16_t u = r.u16();
        if (!r.ok() || u == 0)
            break;
        units.push_back(u);
    }
    return utf16_to_utf8(units);
}

void write_utf16z(ByteWriter& w, std::string_view text)
{
    for (std::uint16_t u : utf8_to_utf16(text))
        w.u16(u);
    w.u16(0);
}

}  // namespace vyn::resedit
