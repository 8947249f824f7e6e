#include "linker/tests/cv4_records.h"

namespace vyn::lnk::test::cv4 {

namespace {

namespace coff = vyn::testing::coff;

void put16(std::vector<std::uint8_t>& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    put16(out, static_cast<std::uint16_t>(value));
    put16(out, static_cast<std::uint16_t>(value >> 16));
}

void put_name(std::vector<std::uint8_t>& out, const std::string& name)
{
    out.push_back(static_cast<std::uint8_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
}

std::vector<std::uint8_t> signature()
{
    return {1, 0, 0, 0};
}

}  // namespace

void numeric_leaf(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    if (value < 0x8000) {
        put16(out, static_cast<std::uint16_t>(value));
        return;
    }
    put16(out, kULongLeaf);
    put32(out, value);
}

std::uint32_t name_hash(const std::string& name)
{
    std::size_t n = name.size();
    std::uint32_t tail = 0;
    while (n % 4 != 0) {
        tail |= static_cast<std::uint8_t>(name[n - 1]) & 0xDFu;
        tail <<= 8;
        --n;
    }
    std::uint32_t h = 0;
    for (std::size_t i = 0; i < n; i += 4) {
        std::uint32_t word = 0;
        for (std::size_t k = 0; k < 4; ++k)
            word |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(name[i + k])) << (8 * k);
        h ^= word & 0xDFDFDFDFu;
        h = (h << 4) | (h >> 28);
    }
    return h ^ tail;
}

SymbolRecords::SymbolRecords() : bytes_(signature()) {}

std::uint32_t SymbolRecords::record(std::uint16_t kind, const std::vector<std::uint8_t>& body)
{
    std::uint32_t at = static_cast<std::uint32_t>(bytes_.size());
    std::vector<std::uint8_t> padded = body;
    while ((padded.size() + 4) % 4 != 0)
        padded.push_back(0);
    put16(bytes_, static_cast<std::uint16_t>(padded.size() + 2));
    put16(bytes_, kind);
    bytes_.insert(bytes_.end(), padded.begin(), padded.end());
    return at;
}

std::uint32_t SymbolRecords::procedure(std::uint16_t kind, const Procedure& p)
{
    std::vector<std::uint8_t> body;
    put32(body, 0);  // parent
    put32(body, 0);  // end, filled in by the linker
    put32(body, 0);  // next, filled in by the linker
    put32(body, p.length);
    put32(body, p.debug_start);
    put32(body, p.debug_end);
    put32(body, 0);  // offset: SECREL
    put16(body, 0);  // segment: SECTION
    put16(body, p.type);
    body.push_back(p.flags);
    put_name(body, p.name);
    std::uint32_t at = record(kind, body);
    relocations_.push_back({at + 4 + 24, p.symbol, coff::kSecRel});
    relocations_.push_back({at + 4 + 28, p.symbol, coff::kSection});
    return at;
}

std::uint32_t SymbolRecords::data(std::uint16_t kind, const std::string& name, std::uint32_t symbol,
                                  std::uint16_t type)
{
    std::vector<std::uint8_t> body;
    put32(body, 0);
    put16(body, 0);
    put16(body, type);
    put_name(body, name);
    std::uint32_t at = record(kind, body);
    relocations_.push_back({at + 4, symbol, coff::kSecRel});
    relocations_.push_back({at + 8, symbol, coff::kSection});
    return at;
}

std::uint32_t SymbolRecords::frame_relative(std::int32_t offset, std::uint16_t type, const std::string& name)
{
    std::vector<std::uint8_t> body;
    put32(body, static_cast<std::uint32_t>(offset));
    put16(body, type);
    put_name(body, name);
    return record(kFrameRelative, body);
}

std::uint32_t SymbolRecords::register_variable(std::uint16_t type, std::uint16_t register_number,
                                               const std::string& name)
{
    std::vector<std::uint8_t> body;
    put16(body, type);
    put16(body, register_number);
    put_name(body, name);
    return record(kRegister, body);
}

std::uint32_t SymbolRecords::end()
{
    return record(kEnd, {});
}

int SymbolRecords::add_to(vyn::testing::CoffBuilder& object) const
{
    int section = object.add_section(".debug$S", bytes_, 0x42100040);
    for (const Relocation& r : relocations_)
        object.add_relocation(section, r.offset, r.symbol, r.type);
    return section;
}

TypeRecords::TypeRecords() : bytes_(signature()) {}

std::uint16_t TypeRecords::record(const std::vector<std::uint8_t>& leaf_and_body, bool pad)
{
    std::vector<std::uint8_t> body = leaf_and_body;
    if (pad)
        for (std::size_t missing = (4 - (body.size() + 2) % 4) % 4; missing > 0; --missing)
            body.push_back(static_cast<std::uint8_t>(0xF0 + missing));
    std::vector<std::uint8_t> whole;
    put16(whole, static_cast<std::uint16_t>(body.size()));
    whole.insert(whole.end(), body.begin(), body.end());
    bytes_.insert(bytes_.end(), whole.begin(), whole.end());
    records_.push_back(std::move(whole));
    return static_cast<std::uint16_t>(kFirstTypeIndex + records_.size() - 1);
}

std::uint16_t TypeRecords::structure(std::uint16_t field_count, std::uint16_t field_list, std::uint32_t size,
                                     const std::string& name)
{
    std::vector<std::uint8_t> r;
    put16(r, kStructureLeaf);
    put16(r, field_count);
    put16(r, field_list);
    put16(r, 0);  // property
    put16(r, 0);  // derived
    put16(r, 0);  // vshape
    numeric_leaf(r, size);
    put_name(r, name);
    return record(r, true);
}

std::uint16_t TypeRecords::procedure(std::uint16_t return_type, std::uint16_t argument_count,
                                     std::uint16_t argument_list)
{
    std::vector<std::uint8_t> r;
    put16(r, kProcedureLeaf);
    put16(r, return_type);
    r.push_back(0);  // near C call
    r.push_back(0);
    put16(r, argument_count);
    put16(r, argument_list);
    return record(r, true);
}

std::uint16_t TypeRecords::argument_list(const std::vector<std::uint16_t>& arguments)
{
    std::vector<std::uint8_t> r;
    put16(r, kArgListLeaf);
    put16(r, static_cast<std::uint16_t>(arguments.size()));
    for (std::uint16_t a : arguments)
        put16(r, a);
    return record(r, true);
}

std::uint16_t TypeRecords::field_list(const std::vector<Member>& members)
{
    std::vector<std::uint8_t> r;
    put16(r, kFieldListLeaf);
    for (const Member& m : members) {
        put16(r, kMemberLeaf);
        put16(r, m.type);
        put16(r, m.attribute);
        numeric_leaf(r, m.offset);
        put_name(r, m.name);
    }
    return record(r, false);
}

std::uint16_t TypeRecords::pointer(std::uint16_t target, std::uint16_t attribute)
{
    std::vector<std::uint8_t> r;
    put16(r, kPointerLeaf);
    put16(r, attribute);
    put16(r, target);
    return record(r, true);
}

std::uint16_t TypeRecords::raw(const std::vector<std::uint8_t>& leaf_and_body)
{
    return record(leaf_and_body, false);
}

int TypeRecords::add_to(vyn::testing::CoffBuilder& object) const
{
    return object.add_section(".debug$T", bytes_, 0x42100040);
}

}  // namespace vyn::lnk::test::cv4
