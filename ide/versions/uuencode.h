// The stored form of binary files: uuencode with lines of at most 45 input
// bytes, 0 written as the grave accent, CR LF line ends.
#pragma once

#include <string>
#include <string_view>

namespace vyn::versions {

// True when the file's extension marks it as binary (O, OBJ, RES, ICO, CUR,
// BMP, GIF, LZH, EXE, COM, in any case).
bool is_binary_name(std::string_view file_name);

std::string uuencode(std::string_view bytes, std::string_view name);
// false when text is not an encoded file.
bool uudecode(std::string_view text, std::string& bytes);

}  // namespace vyn::versions
