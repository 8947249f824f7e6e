// The listing of the disassembly window: the current function, or 150 bytes
// from EIP when EIP lies in none, one line per instruction, annotated with
// the names of frame variables, call targets and jump targets, optionally
// with the source lines and the code bytes.
#pragma once

#include "ide/debugger/dbginfo.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vyn::dbg {

struct ListingLine {
    std::uint32_t address = 0;  // of the instruction; source lines carry the next instruction's
    bool is_source = false;
    std::string text;
};

struct ListingOptions {
    bool source_annotation = false;
    bool code_bytes = false;
    // Bytes that breakpoints replaced by 0xCC, by address.
    std::map<std::uint32_t, std::uint8_t> breakpoint_bytes;
    // The text of a source line of a module (1-based); empty when unknown.
    std::function<std::string(int module, std::uint16_t line)> source_line;
};

constexpr std::uint32_t kBytesAroundEip = 0x96;

struct Listing {
    std::vector<ListingLine> lines;
    std::uint32_t start = 0, end = 0;
    const FunctionRecord* function = nullptr;
    int module = 0;
    std::size_t selected = 0;  // the line of EIP
};

/* Builds the listing for EIP: the whole function containing it, else
   kBytesAroundEip bytes from EIP. The bytes are read in one piece through
   memory; a failed read gives an empty listing. */
Listing BuildListing(const DebugInfo& info, MemoryReader& memory, std::uint32_t eip, const ListingOptions& options);

// The listing of one function.
Listing BuildFunctionListing(const DebugInfo& info, MemoryReader& memory, int module, const FunctionRecord& f,
                             const ListingOptions& options);

}  // namespace vyn::dbg
