// Names of the CodeView primitive type indices (below 0x1000): the low byte
// selects the base type, bits 8 to 10 the pointer mode, and every pointer
// mode adds " *" to the base name, with the exceptions the table lists.
#include "ide/debugger/dbginfo.h"

#include <string_view>
#include <utility>

namespace vyn::dbg {
namespace {

struct Base {
    std::uint8_t low;
    std::string_view name;
    std::string_view pointer;  // the name of every pointer mode ("" for none)
};

constexpr Base kBases[] = {
    {0x00, "unknown type", ""}, {0x01, "Absolute", ""}, {0x02, "Segment", ""}, {0x03, "Void", "void *"},
    {0x60, "Bit", ""}, {0x61, "Pascal CHAR", ""},
    {0x10, "char", "char *"}, {0x20, "unsigned char", "unsigned char *"}, {0x70, "char", "char *"},
    {0x71, "wchar", "wchar *"},
    {0x11, "short", "short *"}, {0x72, "short", "short *"}, {0x21, "unsigned short", "unsigned short *"},
    {0x73, "unsigned short", "short *"},
    {0x74, "int", "int *"}, {0x75, "unsigned int", "unsigned int *"},
    {0x12, "long", "long *"}, {0x22, "unsigned long", "unsigned long *"},
    {0x40, "float", "float *"}, {0x41, "double", "double *"},
};

// The 64-bit integers name each pointer mode in words.
std::string sixty_four(std::uint8_t low, int mode)
{
    bool is_signed = low == 0x13 || low == 0x76;
    bool with_int = low == 0x76 || low == 0x77;
    std::string word = is_signed ? "signed" : "unsigned";
    if (mode == 0)
        return low == 0x76 ? "64-bit signed  int" : low == 0x77 ? "64-bit unsigned int" : "64-bit " + word;
    static constexpr std::string_view kModes[] = {"", "Near pointer to 64-bit ", "Far pointer to 64-bit ",
                                                  "Huge pointer to 64-bit ", "16:32 near pointer to 64 bit ",
                                                  "16:32 far pointer to 64 bit "};
    std::string name = std::string(kModes[mode]) + word;
    if (mode >= 4)
        name += with_int ? " int" : " ";
    else if (with_int)
        name += " int";
    return name;
}

}  // namespace

std::string primitive_type_name(std::uint16_t index)
{
    if (index >= 0x1000 || (index & 0xF800) != 0)
        return "unknown type";
    auto low = static_cast<std::uint8_t>(index & 0xFF);
    int mode = (index >> 8) & 7;
    if (mode > 5)
        return "unknown type";
    if (low == 0x13 || low == 0x23 || low == 0x76 || low == 0x77)
        return sixty_four(low, mode);
    for (const Base& b : kBases) {
        if (b.low != low)
            continue;
        if (mode == 0)
            return std::string(b.name);
        if (b.pointer.empty())
            return "unknown type";
        if (low == 0x10 && mode == 5)
            return "signed char *";
        return std::string(b.pointer);
    }
    return "unknown type";
}

}  // namespace vyn::dbg
