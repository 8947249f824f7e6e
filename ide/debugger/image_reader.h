// Reading one image (the executable or a DLL) into the shared tables: the
// PE headers, the debug directory, the CodeView subsections and the import
// descriptors. Internal to the debug information reader.
#pragma once

#include "common/byte_reader.h"
#include "ide/debugger/dbginfo.h"

#include <cstdint>
#include <span>
#include <string>

namespace vyn::dbg {

class ImageReader {
public:
    ImageReader(DebugInfo& info, std::span<const std::uint8_t> file, const std::string& name, const Tell& tell)
        : d_(info), file_(file), name_(name), tell_(tell)
    {
    }

    // Steps of a load, in order; each false after telling why.
    bool check_dos_header();
    bool read_headers(bool need_symbols, bool attaching);
    bool read_debug_directory();
    void read_imports();
    bool damaged() const { return damaged_; }

    // The debug directory entries as found (for a DLL's record).
    std::span<const std::uint8_t> debug_directory() const { return debug_directory_; }

private:
    bool read_codeview(std::uint32_t position, std::uint32_t size);
    void read_module(ByteReader sub, int index);
    void read_source_module(ByteReader sub, int index);
    void walk_symbols(ByteReader sub, std::size_t start, std::size_t end);
    void read_types(ByteReader sub);
    const DebugInfo::Section* section_named(std::string_view name) const;
    const DebugInfo::Section* section_of_rva(std::uint32_t rva) const;
    void damage(const std::string& what);

    DebugInfo& d_;
    std::span<const std::uint8_t> file_;
    std::string name_;
    const Tell& tell_;
    std::uint32_t optional_header_pos_ = 0;
    std::span<const std::uint8_t> debug_directory_;
    bool damaged_ = false;
};

// Strings of the symbol records: a count byte, then the characters.
std::string pascal_string(ByteReader& r);

}  // namespace vyn::dbg
