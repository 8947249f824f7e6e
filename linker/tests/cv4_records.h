// Builds the contents of ".debug$S" and ".debug$T" sections the way a
// compiler leaves CodeView 4 information (16-bit type indices) in an object:
// a leading signature 1, then records of a 16-bit length (not counting
// itself), a 16-bit kind and a body.
//
// Symbol records that hold an address (procedures, local and global data)
// carry a SECREL relocation on their offset field and a SECTION relocation on
// their segment field against the COFF symbol they describe; the builders keep
// those relocations until the section is added to a CoffBuilder.
#pragma once

#include "testing/coff/coff_builder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vyn::lnk::test::cv4 {

// Symbol kinds.
constexpr std::uint16_t kRegister = 2, kStartSearch = 5, kEnd = 6, kFrameRelative = 0x200, kLocalData = 0x201,
                        kGlobalData = 0x202, kPublic = 0x203, kLocalProcedure = 0x204, kGlobalProcedure = 0x205,
                        kProcedureReference = 0x400, kDataReference = 0x401, kAlign = 0x402;
// Type leaves.
constexpr std::uint16_t kPointerLeaf = 2, kStructureLeaf = 5, kProcedureLeaf = 8, kArgListLeaf = 0x201,
                        kFieldListLeaf = 0x204, kMemberLeaf = 0x406;
// Numeric leaf for values that do not fit the 15 bits of an immediate one.
constexpr std::uint16_t kULongLeaf = 0x8004;
// A few primitive type indices.
constexpr std::uint16_t kInt = 0x74, kChar = 0x70, kIntPointer = 0x474;
// First index of a type record (index 0x1000 + i names record i).
constexpr std::uint16_t kFirstTypeIndex = 0x1000;

struct Procedure {
    std::string name;           // as the compiler stores it, without the leading "_"
    std::uint32_t symbol = 0;   // COFF symbol the offset and segment are relocated against
    std::uint32_t length = 0;
    std::uint32_t debug_start = 0, debug_end = 0;
    std::uint16_t type = 0;
    std::uint8_t flags = 0;
};

class SymbolRecords {
public:
    SymbolRecords();
    // Each adder returns the record's offset within the section (signature included).
    std::uint32_t procedure(std::uint16_t kind, const Procedure& p);
    std::uint32_t data(std::uint16_t kind, const std::string& name, std::uint32_t symbol, std::uint16_t type);
    std::uint32_t frame_relative(std::int32_t offset, std::uint16_t type, const std::string& name);
    std::uint32_t register_variable(std::uint16_t type, std::uint16_t register_number, const std::string& name);
    std::uint32_t end();
    // Bytes appended as they stand, for malformed input.
    void raw(const std::vector<std::uint8_t>& bytes) { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    // Adds ".debug$S" with these contents and relocations; returns its section number.
    int add_to(vyn::testing::CoffBuilder& object) const;

private:
    struct Relocation {
        std::uint32_t offset, symbol;
        std::uint16_t type;
    };
    // Appends kind and body with its length, zero-padded to a multiple of 4.
    std::uint32_t record(std::uint16_t kind, const std::vector<std::uint8_t>& body);

    std::vector<std::uint8_t> bytes_;
    std::vector<Relocation> relocations_;
};

// One member of a field list: type, attribute, offset (as a numeric leaf), name.
struct Member {
    std::uint16_t type;
    std::uint32_t offset;
    std::string name;
    std::uint16_t attribute = 3;  // public
};

class TypeRecords {
public:
    TypeRecords();
    // Each adder returns the local type index of the new record. Records are
    // padded to a multiple of 4 with the 0xF3 0xF2 0xF1 pad leaves, except field
    // lists, whose tail would be read as another field: callers pick member
    // names that keep them aligned (3 characters with a short offset leaf).
    std::uint16_t structure(std::uint16_t field_count, std::uint16_t field_list, std::uint32_t size,
                            const std::string& name);
    std::uint16_t procedure(std::uint16_t return_type, std::uint16_t argument_count, std::uint16_t argument_list);
    std::uint16_t argument_list(const std::vector<std::uint16_t>& arguments);
    std::uint16_t field_list(const std::vector<Member>& members);
    std::uint16_t pointer(std::uint16_t target, std::uint16_t attribute = 0x000A);  // 32-bit near
    // A record of the given leaf and body as they stand, for malformed input.
    std::uint16_t raw(const std::vector<std::uint8_t>& leaf_and_body);

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    // The records without the signature, one byte vector each (length included).
    const std::vector<std::vector<std::uint8_t>>& records() const { return records_; }
    int add_to(vyn::testing::CoffBuilder& object) const;

private:
    std::uint16_t record(const std::vector<std::uint8_t>& leaf_and_body, bool pad);

    std::vector<std::uint8_t> bytes_;
    std::vector<std::vector<std::uint8_t>> records_;
};

// Appends value as a numeric leaf: itself below 0x8000, else LF_ULONG and 32 bits.
void numeric_leaf(std::vector<std::uint8_t>& out, std::uint32_t value);

// The name hash of the global symbol tables, computed from its description:
// the tail of (length mod 4) characters folded from the last to the first,
// the 4-byte groups rotated in, letters folded to upper case.
std::uint32_t name_hash(const std::string& name);

}  // namespace vyn::lnk::test::cv4
