// The public symbols an archive member offers to a linker: the external
// definitions (common and weak ones included) of an i386 COFF object, or the
// two names of an import object ("__imp_" + name, and name itself for code).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vyn::coffar {

// Nothing when the bytes are neither; error then says why.
std::optional<std::vector<std::string>> public_symbols(std::span<const std::uint8_t> bytes, std::string& error);

}  // namespace vyn::coffar
