// Merging the modules' type records into one global list. A module's i-th
// record has the local index 0x1000 + i; the merge gives each one a global
// index 0x1000 + k (k its place in the global list) and then rewrites every
// type index inside the records it added. Structures that several modules
// declare alike are kept once.
#include "linker/linker.h"

#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "linker/codeview_records.h"

#include <algorithm>

namespace vyn::lnk {

namespace {

constexpr std::uint16_t kLeafClass = 4, kLeafStructure = 5, kLeafArgList = 0x201, kLeafFieldList = 0x204;
constexpr std::uint16_t kForwardReference = 0x80;  // structure property bit
constexpr std::size_t kMaxGlobalTypes = 0x10000 - cv::kFirstTypeIndex;

// Offsets of a structure record's fields (length word included).
constexpr std::size_t kStructCount = 4, kStructFieldList = 6, kStructProperty = 8, kStructSize = 14;

// A record this module added (or rewrote) in the global list, and the
// local record its bytes came from.
struct Added {
    std::uint16_t global;
    std::size_t local;
};

struct StructureView {
    std::string_view name;
    std::span<const std::uint8_t> size;  // the numeric leaf, compared as bytes
    bool forward = false;
    std::uint16_t count = 0;
    std::uint16_t field_list = 0;
};

std::optional<StructureView> view_structure(std::span<const std::uint8_t> record)
{
    auto size = cv::numeric_leaf_size(record, kStructSize);
    if (!size)
        return std::nullopt;
    auto name = cv::name_at(record, kStructSize + *size);
    if (!name)
        return std::nullopt;
    StructureView v;
    v.name = *name;
    v.size = record.subspan(kStructSize, *size);
    v.forward = (cv::word_at(record, kStructProperty) & kForwardReference) != 0;
    v.count = cv::word_at(record, kStructCount);
    v.field_list = cv::word_at(record, kStructFieldList);
    return v;
}

std::span<const std::uint8_t> record_of(const CvModule& m, const cv::Record& r)
{
    return std::span<const std::uint8_t>(m.types).subspan(r.offset, r.size);
}

std::vector<std::uint8_t>& global_record(Linker& l, std::uint16_t index)
{
    return l.codeview.types[index - cv::kFirstTypeIndex].record;
}

bool added_here(const std::vector<Added>& added, std::uint16_t global)
{
    return std::any_of(added.begin(), added.end(), [&](const Added& a) { return a.global == global; });
}

/* Appends a copy of record to the global list; its type indices are still
   local until BackPatch. Returns its global index, 0 when the list is full
   (16-bit indices reach no further). */
std::uint16_t AddOneTypeToGlobalTypesList(Linker& l, std::span<const std::uint8_t> record)
{
    auto& types = l.codeview.types;
    if (types.size() >= kMaxGlobalTypes) {
        if (!l.codeview.types_full)
            err(l, "Debug info link: too many types, the rest are dropped\n");
        l.codeview.types_full = true;
        return 0;
    }
    types.push_back({{record.begin(), record.end()}});
    return static_cast<std::uint16_t>(cv::kFirstTypeIndex + types.size() - 1);
}

/* The global structure a structure record stands for, if one with its
   name is known and they agree: either is a forward reference, or both
   have the same member count and size. A known forward reference met by a
   definition takes the definition's bytes, so the merged type shows the
   members. Records of the same name that disagree stay separate types. */
std::optional<std::uint16_t> merge_structure(Linker& l, CvModule& m, std::size_t local,
                                             std::span<const std::uint8_t> record, std::vector<Added>& added)
{
    auto incoming = view_structure(record);
    if (!incoming || incoming->name.empty())
        return std::nullopt;
    auto known = l.codeview.structures.find(std::string(incoming->name));
    if (known == l.codeview.structures.end())
        return std::nullopt;
    std::uint16_t global = known->second;
    auto existing = view_structure(global_record(l, global));
    if (!existing)
        return std::nullopt;
    if (incoming->forward)
        return global;
    if (existing->forward) {
        global_record(l, global).assign(record.begin(), record.end());
        std::erase_if(added, [&](const Added& a) { return a.global == global; });
        added.push_back({global, local});
        return global;
    }
    if (incoming->count != existing->count || !std::ranges::equal(incoming->size, existing->size))
        return std::nullopt;
    // The incoming field list, not read yet, is the known one: it is then
    // not added again. A structure this module added still holds a local
    // field list index, which cannot stand in for a global one.
    std::size_t slot = std::size_t(incoming->field_list) - cv::kFirstTypeIndex;
    if (incoming->field_list >= cv::kFirstTypeIndex && slot < m.type_map.size() && m.type_map[slot] == 0 &&
        !added_here(added, global))
        m.type_map[slot] = existing->field_list;
    return global;
}

void remember_structure(Linker& l, std::span<const std::uint8_t> record, std::uint16_t global)
{
    if (auto v = view_structure(record); v && !v->name.empty())
        l.codeview.structures.emplace(std::string(v->name), global);
}

/* Rewrites the local type index at offset of record to its global one. */
void remap_at(Linker& l, const CvModule& m, std::vector<std::uint8_t>& record, std::size_t offset)
{
    std::uint16_t type = cv::word_at(record, offset);
    if (offset + 2 <= record.size() && type >= cv::kFirstTypeIndex)
        put_u16_at(record, offset, global_type_index(l, m, type));
}

std::optional<std::size_t> name_size(std::span<const std::uint8_t> record, std::size_t offset)
{
    auto name = cv::name_at(record, offset);
    if (!name)
        return std::nullopt;
    return name->size() + 1;
}

void synch_error(Linker& l, const CvModule& m, std::uint16_t global)
{
    err(l, "Debug info link: Synch error parsing list");
    err(l, " record 0x%x", global);
    if (!m.object_name.empty())
        err(l, " file %s", m.object_name.c_str());
    err(l, "\n");
}

/* The members of a field list: each type index made global; numeric
   leaves and names stepped over by their encoded size; pad bytes (0xF0 and
   above) skipped by their low nibble. */
void remap_field_list(Linker& l, const CvModule& m, std::vector<std::uint8_t>& record, std::uint16_t global)
{
    constexpr std::uint16_t kBaseClass = 0x400, kEnumerate = 0x403, kIndex = 0x405, kMember = 0x406,
                            kStaticMember = 0x407, kNestedType = 0x409;
    std::size_t pos = 4;
    while (pos < record.size()) {
        if (record[pos] >= 0xF0) {
            pos += std::max<std::size_t>(record[pos] & 0x0F, 1);
            continue;
        }
        if (record.size() - pos < 4)
            return synch_error(l, m, global);
        std::uint16_t field = cv::word_at(record, pos);
        std::optional<std::size_t> numeric = 0, name = 0;
        std::size_t fixed = 0;
        switch (field) {
        case kMember:
            remap_at(l, m, record, pos + 2);
            fixed = 6;
            numeric = cv::numeric_leaf_size(record, pos + fixed);
            if (numeric)
                name = name_size(record, pos + fixed + *numeric);
            break;
        case kEnumerate:
            fixed = 4;
            numeric = cv::numeric_leaf_size(record, pos + fixed);
            if (numeric)
                name = name_size(record, pos + fixed + *numeric);
            break;
        case kBaseClass:
            remap_at(l, m, record, pos + 2);
            fixed = 6;
            numeric = cv::numeric_leaf_size(record, pos + fixed);
            break;
        case kIndex:
            remap_at(l, m, record, pos + 2);
            fixed = 4;
            break;
        case kStaticMember:
        case kNestedType:
            remap_at(l, m, record, pos + 2);
            fixed = field == kStaticMember ? 6 : 4;
            name = name_size(record, pos + fixed);
            break;
        default:
            err(l, "Unkown field in structure\n");
            return;
        }
        if (!numeric || !name)
            return synch_error(l, m, global);
        pos += fixed + *numeric + *name;
    }
}

/* Every type index field of a record this module added. */
void remap_record(Linker& l, const CvModule& m, std::vector<std::uint8_t>& record, std::uint16_t global)
{
    std::uint16_t leaf = cv::word_at(record, 2);
    auto fields = [&](std::initializer_list<std::size_t> offsets) {
        for (std::size_t offset : offsets)
            remap_at(l, m, record, offset);
    };
    switch (leaf) {
    case 1:  // modifier: attribute, type
    case 2:  // pointer: attribute, type
        fields({6});
        break;
    case 3:     // array: element and index types
    case 0x11:  // dimensioned array: type, dimensions
        fields({4, 6});
        break;
    case kLeafClass:
    case kLeafStructure:  // field list, derivation list, shape
        fields({6, 10, 12});
        break;
    case 6:  // union: field list
        fields({6});
        break;
    case 7:  // enumeration: underlying type, field list
        fields({6, 8});
        break;
    case 8:  // procedure: return type, argument list
        fields({4, 10});
        break;
    case 9:  // member function: return, class, this, argument list
        fields({4, 6, 8, 14});
        break;
    case 0xD:    // basic array
        fields({4});
        break;
    case 0x206:  // bit field: length, position, type
        fields({6});
        break;
    case kLeafArgList:
    case 0x205: {  // argument list, derivation list: count, indices
        std::size_t count = cv::word_at(record, 4);
        for (std::size_t k = 0; k < count && 6 + 2 * k + 2 <= record.size(); ++k)
            remap_at(l, m, record, 6 + 2 * k);
        break;
    }
    case kLeafFieldList:
        remap_field_list(l, m, record, global);
        break;
    default:
        break;
    }
}

/* Once all of a module's records have global indices, the references
   between them (forward ones included) are rewritten. */
void BackPatch(Linker& l, const CvModule& m, const std::vector<Added>& added)
{
    for (const Added& a : added)
        remap_record(l, m, global_record(l, a.global), a.global);
}

}  // namespace

/* The global index of a module's local type index; indices below 0x1000
   (primitive types) stand for themselves, unknown ones become 0. */
std::uint16_t global_type_index(Linker&, const CvModule& m, std::uint16_t local)
{
    if (local < cv::kFirstTypeIndex)
        return local;
    std::size_t i = local - cv::kFirstTypeIndex;
    return i < m.type_map.size() ? m.type_map[i] : 0;
}

/* Gives each of the module's type records its global index, in order:
   a structure known by name (see merge_structure) takes the known index,
   a record already mapped (a merged structure's field list) is skipped,
   anything else is appended. Then BackPatch makes the appended records'
   indices global. */
void LinkTypes(Linker& l, CvModule& m)
{
    std::vector<cv::Record> records = cv::split_records(m.types);
    m.type_map.assign(records.size(), 0);
    std::vector<Added> added;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (m.type_map[i] != 0)
            continue;
        auto record = record_of(m, records[i]);
        bool structure = records[i].kind == kLeafStructure;
        if (structure)
            if (auto merged = merge_structure(l, m, i, record, added)) {
                m.type_map[i] = *merged;
                continue;
            }
        std::uint16_t global = AddOneTypeToGlobalTypesList(l, record);
        m.type_map[i] = global;
        if (global == 0)
            continue;
        added.push_back({global, i});
        if (structure)
            remember_structure(l, record, global);
    }
    BackPatch(l, m, added);
}

}  // namespace vyn::lnk
