#include "ide/versions/uuencode.h"

#include "common/strings.h"
#include "common/winpath.h"

namespace vyn::versions {

namespace {

char encode_value(unsigned v)
{
    v &= 63;
    return v == 0 ? '`' : static_cast<char>(v + 32);
}

unsigned decode_value(char c)
{
    return (static_cast<unsigned char>(c) - 32u) & 63u;
}

}  // namespace

bool is_binary_name(std::string_view file_name)
{
    std::string_view ext = winpath::extension(file_name);
    if (ext.empty())
        return false;
    std::string upper = to_upper_ascii(ext.substr(1));
    static const char* const kinds[] = {"O", "OBJ", "RES", "ICO", "CUR", "BMP", "GIF", "LZH", "EXE", "COM"};
    for (const char* k : kinds)
        if (upper == k)
            return true;
    return false;
}

std::string uuencode(std::string_view bytes, std::string_view name)
{
    std::string out = "\r\nbegin 0666 " + std::string(name) + "\r\n";
    out.reserve(out.size() + bytes.size() * 4 / 3 + bytes.size() / 45 * 3 + 16);
    for (std::size_t pos = 0; pos < bytes.size(); pos += 45) {
        std::size_t n = std::min<std::size_t>(45, bytes.size() - pos);
        out += encode_value(static_cast<unsigned>(n));
        for (std::size_t i = 0; i < n; i += 3) {
            unsigned b[3] = {0, 0, 0};
            for (std::size_t k = 0; k < 3 && i + k < n; ++k)
                b[k] = static_cast<unsigned char>(bytes[pos + i + k]);
            out += encode_value(b[0] >> 2);
            out += encode_value(((b[0] << 4) | (b[1] >> 4)) & 63);
            out += encode_value(((b[1] << 2) | (b[2] >> 6)) & 63);
            out += encode_value(b[2] & 63);
        }
        out += "\r\n";
    }
    out += "`\r\nend\r\n";
    return out;
}

/* uudecode: reads the "begin" line, then data lines until one whose length
 * is 0 or the "end" line. Each data line must hold the groups its length
 * character promises. */
bool uudecode(std::string_view text, std::string& bytes)
{
    bytes.clear();
    std::size_t pos = 0;
    auto next_line = [&](std::string_view& line) {
        if (pos >= text.size())
            return false;
        std::size_t nl = text.find('\n', pos);
        std::size_t end = nl == std::string_view::npos ? text.size() : nl;
        line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        pos = nl == std::string_view::npos ? text.size() : nl + 1;
        return true;
    };
    std::string_view line;
    for (;;) {
        if (!next_line(line))
            return false;
        if (line.substr(0, 6) == "begin ")
            break;
    }
    for (;;) {
        if (!next_line(line))
            return false;
        if (line == "end")
            return true;
        if (line.empty())
            return false;
        unsigned n = decode_value(line[0]);
        if (n == 0)
            return next_line(line) && line == "end";
        std::size_t groups = (n + 2) / 3;
        if (line.size() < 1 + groups * 4)
            return false;
        std::size_t produced = 0;
        for (std::size_t g = 0; g < groups; ++g) {
            unsigned v[4];
            for (int k = 0; k < 4; ++k)
                v[k] = decode_value(line[1 + g * 4 + static_cast<std::size_t>(k)]);
            unsigned char out3[3] = {static_cast<unsigned char>((v[0] << 2) | (v[1] >> 4)),
                                     static_cast<unsigned char>((v[1] << 4) | (v[2] >> 2)),
                                     static_cast<unsigned char>((v[2] << 6) | v[3])};
            for (int k = 0; k < 3 && produced < n; ++k, ++produced)
                bytes += static_cast<char>(out3[k]);
        }
    }
}

}  // namespace vyn::versions
