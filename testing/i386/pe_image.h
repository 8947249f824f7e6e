// Reading a PE32 (i386) image file into the picture of memory the loader
// builds from it: headers and sections laid out at their RVAs, the entry
// point and the list of imported functions with their IAT slots.
//
// Every offset and size taken from the file is checked against the file (or
// against the mapped image) before it is used, so a truncated or corrupt file
// gives an error string rather than a bad read.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vyn::i386 {

struct ImportedFunction {
    std::string dll;          // as the import directory spells it
    std::string name;         // the function's name, or "#ordinal"
    std::uint32_t slot_rva = 0;  // where the loader stores the function's address
};

struct PeImage {
    std::uint32_t image_base = 0;
    std::uint32_t entry_rva = 0;
    // The image as mapped: size_of_image bytes (rounded up to whole pages),
    // headers at 0 and each section's raw data at its RVA, the rest zero.
    std::vector<std::uint8_t> mapped;
    std::vector<ImportedFunction> imports;
};

// Parses file into image; false with a message in error when the file is not
// a well-formed PE32 image for the i386.
bool read_pe_image(std::span<const std::uint8_t> file, PeImage& image, std::string& error);

}  // namespace vyn::i386
