// What the parts of the PE32 reader share: the header fields that lead to
// the directories, and small helpers. Internal to the reader.
#pragma once

#include "testing/i386/pe_image.h"

#include "common/coff_format.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vyn::i386 {

struct DirectoryEntry {
    std::uint32_t rva = 0;
    std::uint32_t size = 0;
};

struct Headers {
    std::uint16_t section_count = 0;
    std::size_t section_table = 0;  // file offset of the first section header
    std::uint32_t size_of_image = 0;
    std::uint32_t size_of_headers = 0;
    std::uint32_t stack_reserve = 0;
    DirectoryEntry directories[coff::data_directory::kCount];  // by coff::data_directory index
};

bool fail(std::string& error, const std::string& message);
std::string hex(std::uint32_t value);

// The file bytes that lie at rva and after it in the same section (or the
// headers); empty where the image holds only zeros there.
std::span<const std::uint8_t> file_bytes_at(const PeImage& image, std::uint32_t rva);

bool read_imports(const Headers& headers, PeImage& image, std::size_t file_size, std::string& error);
bool read_exports(const Headers& headers, PeImage& image, std::size_t file_size, std::string& error);
bool read_relocations(const Headers& headers, PeImage& image, std::string& error);
bool read_tls(const Headers& headers, PeImage& image, std::string& error);

}  // namespace vyn::i386
