// The C13 to CodeView 4 type conversion: classify, number, encode.
#include "kit/vyn/convert/type_converter.h"

#include "common/byte_writer.h"
#include "common/coff_format.h"
#include "common/strings.h"
#include "kit/vyn/convert/cv_fields.h"

#include <map>

namespace vyn::cc {

namespace {

namespace c13 = coff::codeview::c13_leaf;
namespace cv4 = coff::codeview::cv4_leaf;
using coff::codeview::kFirstTypeIndex;
using cv::u16_at;
using cv::u32_at;

constexpr std::uint16_t kForwardReference = 0x0080, kHasUniqueName = 0x0200;
constexpr std::uint32_t kMaxTypes = 0x10000 - kFirstTypeIndex;
constexpr std::uint32_t kNotKept = 0xFFFFFFFF;

using Record = std::span<const std::uint8_t>;

bool is_convertible(std::uint16_t leaf)
{
    switch (leaf) {
    case c13::kModifier:
    case c13::kPointer:
    case c13::kProcedure:
    case c13::kArgList:
    case c13::kFieldList:
    case c13::kBitField:
    case c13::kArray:
    case c13::kStructure:
    case c13::kClass:
    case c13::kUnion:
    case c13::kEnum:
        return true;
    default:
        return false;
    }
}

// Where the name of a structure, class, union or enumeration record starts,
// and its property word.
struct UdtView {
    std::uint16_t property = 0;
    std::size_t name_offset = 0;
};

std::optional<UdtView> udt_view(Record r)
{
    std::uint16_t leaf = u16_at(r, 2);
    UdtView v;
    v.property = u16_at(r, 6);
    std::optional<std::size_t> numeric;
    switch (leaf) {
    case c13::kStructure:
    case c13::kClass:
        numeric = cv::numeric_size(r, 20);
        if (!numeric)
            return std::nullopt;
        v.name_offset = 20 + *numeric;
        return v;
    case c13::kUnion:
        numeric = cv::numeric_size(r, 12);
        if (!numeric)
            return std::nullopt;
        v.name_offset = 12 + *numeric;
        return v;
    case c13::kEnum:
        v.name_offset = 16;
        return v;
    default:
        return std::nullopt;
    }
}

/* The name that identifies a user-defined type: its unique name when it has
   one, else its name; with the leaf, so that a struct and a union of the
   same tag never meet. */
std::optional<std::string> udt_key(Record r)
{
    auto v = udt_view(r);
    if (!v)
        return std::nullopt;
    auto name = cv::c_name(r, v->name_offset);
    if (!name)
        return std::nullopt;
    std::string key = std::to_string(u16_at(r, 2)) + ":";
    if (v->property & kHasUniqueName)
        if (auto unique = cv::c_name(r, v->name_offset + name->size() + 1))
            return key + std::string(*unique);
    return key + std::string(*name);
}

class Converter {
public:
    explicit Converter(std::vector<Record> records) : records_(std::move(records)) {}

    TypeConversion run();

private:
    void classify();
    void number();
    bool encode(std::size_t i, ByteWriter& w);
    bool encode_field_list(Record r, ByteWriter& w);
    void udt(Record r, ByteWriter& w);
    std::uint16_t map(std::uint32_t index) const { return result_.map.map(index); }

    std::vector<Record> records_;
    TypeConversion result_;
};

void Converter::classify()
{
    TypeMap& m = result_.map;
    m.target.assign(records_.size(), kNotKept);
    m.new_index.assign(records_.size(), 0);
    std::map<std::string, std::size_t> definitions;
    for (std::size_t i = 0; i < records_.size(); ++i) {
        std::uint16_t leaf = u16_at(records_[i], 2);
        if (auto v = udt_view(records_[i]); v && !(v->property & kForwardReference))
            if (auto key = udt_key(records_[i]))
                definitions.emplace(*key, i);
        if (leaf == c13::kFuncId || leaf == c13::kMemberFuncId) {
            // Both carry the function type in the second 32-bit field.
            std::uint32_t type = u32_at(records_[i], 8);
            if (type >= kFirstTypeIndex && type - kFirstTypeIndex < records_.size())
                m.target[i] = type - kFirstTypeIndex;
        } else if (is_convertible(leaf)) {
            m.target[i] = static_cast<std::uint32_t>(i);
        }
    }
    for (std::size_t i = 0; i < records_.size(); ++i) {
        auto v = udt_view(records_[i]);
        if (!v || !(v->property & kForwardReference))
            continue;
        if (auto key = udt_key(records_[i]))
            if (auto def = definitions.find(*key); def != definitions.end())
                m.target[i] = static_cast<std::uint32_t>(def->second);
    }
}

void Converter::number()
{
    TypeMap& m = result_.map;
    std::uint32_t next = 0;
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (m.target[i] != i)
            continue;
        if (next == kMaxTypes) {
            result_.warnings.push_back("too many types for 16-bit indices; the rest are left out");
            for (std::size_t k = i; k < records_.size(); ++k)
                if (m.target[k] == k)
                    m.target[k] = kNotKept;
            return;
        }
        m.new_index[i] = static_cast<std::uint16_t>(kFirstTypeIndex + next++);
    }
}

void Converter::udt(Record r, ByteWriter& w)
{
    std::uint16_t leaf = u16_at(r, 2);
    std::uint16_t count = u16_at(r, 4);
    std::uint16_t property = u16_at(r, 6) & ~kHasUniqueName;
    auto v = udt_view(r);
    std::string_view name = cv::c_name(r, v->name_offset).value_or("");
    if (leaf == c13::kEnum) {
        w.u16(count);
        w.u16(map(u32_at(r, 8)));
        w.u16(map(u32_at(r, 12)));
        w.u16(property);
        cv::put_name(w, name);
        return;
    }
    std::size_t size_at = leaf == c13::kUnion ? 12 : 20;
    w.u16(count);
    w.u16(map(u32_at(r, 8)));
    w.u16(property);
    if (leaf != c13::kUnion) {
        w.u16(map(u32_at(r, 12)));
        w.u16(map(u32_at(r, 16)));
    }
    w.bytes(r.subspan(size_at, v->name_offset - size_at));
    cv::put_name(w, name);
}

bool Converter::encode_field_list(Record r, ByteWriter& w)
{
    std::size_t pos = 4;
    while (pos < r.size()) {
        if (r[pos] >= coff::codeview::kPadLeafBase) {
            pos += std::max<std::size_t>(r[pos] & 0x0F, 1);
            continue;
        }
        std::uint16_t field = u16_at(r, pos);
        std::optional<std::size_t> numeric;
        std::optional<std::string_view> name;
        if (r.size() - pos < 4)
            return false;
        switch (field) {
        case c13::kMember:  // attribute, type, offset, name
            numeric = cv::numeric_size(r, pos + 8);
            name = numeric ? cv::c_name(r, pos + 8 + *numeric) : std::nullopt;
            if (!name)
                return false;
            w.u16(cv4::kMember);
            w.u16(map(u32_at(r, pos + 4)));
            w.u16(u16_at(r, pos + 2));
            w.bytes(r.subspan(pos + 8, *numeric));
            cv::put_name(w, *name);
            pos += 8 + *numeric + name->size() + 1;
            break;
        case c13::kEnumerate:  // attribute, value, name
            numeric = cv::numeric_size(r, pos + 4);
            name = numeric ? cv::c_name(r, pos + 4 + *numeric) : std::nullopt;
            if (!name)
                return false;
            w.u16(cv4::kEnumerate);
            w.u16(u16_at(r, pos + 2));
            w.bytes(r.subspan(pos + 4, *numeric));
            cv::put_name(w, *name);
            pos += 4 + *numeric + name->size() + 1;
            break;
        case c13::kIndex:  // pad, continuation index
            if (r.size() - pos < 8)
                return false;
            w.u16(cv4::kIndex);
            w.u16(map(u32_at(r, pos + 4)));
            pos += 8;
            break;
        case c13::kNestedType:  // pad, type, name
            name = cv::c_name(r, pos + 8);
            if (!name)
                return false;
            w.u16(cv4::kNestedType);
            w.u16(map(u32_at(r, pos + 4)));
            cv::put_name(w, *name);
            pos += 8 + name->size() + 1;
            break;
        case c13::kStaticMember:  // attribute, type, name
            name = cv::c_name(r, pos + 8);
            if (!name)
                return false;
            w.u16(cv4::kStaticMember);
            w.u16(map(u32_at(r, pos + 4)));
            w.u16(u16_at(r, pos + 2));
            cv::put_name(w, *name);
            pos += 8 + name->size() + 1;
            break;
        default:
            return false;
        }
        cv::pad_leaves(w);
    }
    return true;
}

bool Converter::encode(std::size_t i, ByteWriter& w)
{
    Record r = records_[i];
    std::uint16_t leaf = u16_at(r, 2);
    // The smallest body each leaf needs before its variable part.
    static const std::map<std::uint16_t, std::pair<std::uint16_t, std::size_t>> kinds = {
        {c13::kModifier, {cv4::kModifier, 10}},  {c13::kPointer, {cv4::kPointer, 12}},
        {c13::kProcedure, {cv4::kProcedure, 16}}, {c13::kArgList, {cv4::kArgList, 8}},
        {c13::kFieldList, {cv4::kFieldList, 4}}, {c13::kBitField, {cv4::kBitField, 10}},
        {c13::kArray, {cv4::kArray, 12}},        {c13::kStructure, {cv4::kStructure, 20}},
        {c13::kClass, {cv4::kClass, 20}},        {c13::kUnion, {cv4::kUnion, 12}},
        {c13::kEnum, {cv4::kEnum, 16}}};
    auto kind = kinds.find(leaf);
    if (kind == kinds.end() || r.size() < kind->second.second)
        return false;
    bool is_udt = leaf == c13::kStructure || leaf == c13::kClass || leaf == c13::kUnion || leaf == c13::kEnum;
    if (is_udt) {
        auto v = udt_view(r);
        if (!v || !cv::c_name(r, v->name_offset))
            return false;
    }
    ByteWriter body;
    cv::RecordWriter record(body, kind->second.first);
    switch (leaf) {
    case c13::kModifier:
        body.u16(u16_at(r, 8));
        body.u16(map(u32_at(r, 4)));
        break;
    case c13::kPointer:
        body.u16(static_cast<std::uint16_t>(u32_at(r, 8) & 0x1FFF));
        body.u16(map(u32_at(r, 4)));
        break;
    case c13::kProcedure:
        body.u16(map(u32_at(r, 4)));
        body.u8(r[8]);
        body.u8(0);
        body.u16(u16_at(r, 10));
        body.u16(map(u32_at(r, 12)));
        break;
    case c13::kArgList: {
        std::uint32_t count = u32_at(r, 4);
        if (count > (r.size() - 8) / 4)
            return false;
        body.u16(static_cast<std::uint16_t>(count));
        for (std::uint32_t k = 0; k < count; ++k)
            body.u16(map(u32_at(r, 8 + 4 * k)));
        break;
    }
    case c13::kFieldList:
        if (!encode_field_list(r, body))
            return false;
        break;
    case c13::kBitField:
        body.u8(r[8]);
        body.u8(r[9]);
        body.u16(map(u32_at(r, 4)));
        break;
    case c13::kArray: {
        auto numeric = cv::numeric_size(r, 12);
        auto name = numeric ? cv::c_name(r, 12 + *numeric) : std::nullopt;
        if (!name)
            return false;
        body.u16(map(u32_at(r, 4)));
        body.u16(map(u32_at(r, 8)));
        body.bytes(r.subspan(12, *numeric));
        cv::put_name(body, *name);
        break;
    }
    default:
        udt(r, body);
        break;
    }
    record.finish(true);
    w.bytes(body.bytes());
    return true;
}

TypeConversion Converter::run()
{
    classify();
    number();
    ByteWriter w;
    w.u32(coff::codeview::kSignatureCv4);
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (result_.map.target[i] != i || result_.map.new_index[i] == 0)
            continue;
        if (!encode(i, w)) {
            result_.error = format("type record 0x%zx (leaf 0x%04x) is malformed", kFirstTypeIndex + i,
                                   u16_at(records_[i], 2));
            return std::move(result_);
        }
    }
    result_.section = w.release();
    return std::move(result_);
}

}  // namespace

std::uint16_t TypeMap::map(std::uint32_t index) const
{
    if (index < kFirstTypeIndex)
        return static_cast<std::uint16_t>(index);
    std::size_t i = index - kFirstTypeIndex;
    if (i >= target.size() || target[i] == kNotKept)
        return 0;
    return new_index[target[i]];
}

std::uint16_t TypeMap::function_type(std::uint32_t id) const
{
    return map(id);
}

TypeConversion convert_types(std::span<const std::uint8_t> section)
{
    TypeConversion failed;
    std::uint32_t signature = 0;
    if (!read_u32_at(section, 0, signature) || signature != coff::codeview::kSignatureC13) {
        failed.error = "the debug types are not of the expected CodeView generation";
        return failed;
    }
    std::vector<Record> records;
    std::size_t pos = 4;
    while (pos < section.size()) {
        std::uint16_t length = 0;
        if (!read_u16_at(section, pos, length) || length < 2 || section.size() - pos - 2 < length) {
            failed.error = format("type record at offset 0x%zx runs past the section", pos);
            return failed;
        }
        records.push_back(section.subspan(pos, std::size_t(length) + 2));
        pos += std::size_t(length) + 2;
    }
    return Converter(std::move(records)).run();
}

}  // namespace vyn::cc
