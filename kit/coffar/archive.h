// COFF archives (".lib"): members, their public symbols, and the two
// linker members and the long-name member written in front of them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vyn::coffar {

struct ArchiveMember {
    std::string name;                  // the member's name, no directory
    std::vector<std::uint8_t> bytes;   // its contents
    std::vector<std::string> symbols;  // public symbols it defines, in the order found
};

/* An archive: the signature, the first linker member (symbols in member
   order with big-endian offsets), the second linker member (little-endian
   member offsets, 1-based member indices, names sorted byte by byte), the
   long-name member (names of 16 characters or more, each NUL-terminated),
   then the members, each padded to an even size. */
std::vector<std::uint8_t> write_archive(const std::vector<ArchiveMember>& members);

// The members of an archive, linker and long-name members left out, symbols
// not filled. Nothing when the bytes are not an archive or a header lies;
// error then says what is wrong.
std::optional<std::vector<ArchiveMember>> read_archive(std::span<const std::uint8_t> bytes, std::string& error);

bool is_archive(std::span<const std::uint8_t> bytes);

}  // namespace vyn::coffar
