// Converting clang's ".debug$T" (C13: 32-bit type indices, with the id
// records of functions, strings and build information in the same index
// space) into CodeView 4 type records with 16-bit indices.
//
// Id records are dropped; a function id stands for its function type.
// Forward references to a structure, union or enumeration whose definition
// is in the same object stand for the definition. Every other record that
// CodeView 4 can express is kept, in order, renumbered from 0x1000.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vyn::cc {

class TypeMap {
public:
    // The CodeView 4 index of a C13 type index; 0 (no type) for indices that
    // name nothing kept. Primitive indices (below 0x1000) stand for themselves.
    std::uint16_t map(std::uint32_t index) const;
    // The CodeView 4 index of the function type a function id names.
    std::uint16_t function_type(std::uint32_t id) const;

    std::vector<std::uint16_t> new_index;  // per C13 record, 0 when not kept
    std::vector<std::uint32_t> target;     // per C13 record: the record it stands for (itself if kept)
};

struct TypeConversion {
    std::optional<std::vector<std::uint8_t>> section;  // signature 1 and the records
    TypeMap map;
    std::string error;
    std::vector<std::string> warnings;
};

/* Converts a whole ".debug$T" section (C13, signature 4). */
TypeConversion convert_types(std::span<const std::uint8_t> section);

}  // namespace vyn::cc
