// The conversion's steps: read the object, convert the types, convert each
// symbol section and gather the line numbers, rebuild the symbol table,
// renumber sections and symbols, write.
#include "kit/vyn/convert/object_converter.h"

#include "common/byte_writer.h"
#include "common/strings.h"
#include "kit/vyn/convert/coff_object.h"
#include "kit/vyn/convert/line_numbers.h"
#include "kit/vyn/convert/symbol_converter.h"
#include "kit/vyn/convert/type_converter.h"

#include <algorithm>
#include <map>

namespace vyn::cc {

namespace {

namespace sc = coff::storage_class;
constexpr std::uint32_t kDropped = 0xFFFFFFFF;
constexpr std::size_t kMaxLinesPerSection = 0xFFFF;

bool is_foreign_section(const std::string& name)
{
    return name == ".debug_frame" || name == ".llvm_addrsig" || name.starts_with(".debug_") ||
           name == ".eh_frame";
}

ObjectSymbol make_symbol(std::string_view name, std::uint32_t value, std::int16_t section, std::uint16_t type,
                         std::uint8_t storage_class)
{
    ObjectSymbol s;
    std::copy(name.begin(), name.begin() + std::min<std::size_t>(name.size(), 8), s.raw.begin());
    s.name = std::string(name);
    s.symbol.value = value;
    s.symbol.section = section;
    s.symbol.type = type;
    s.symbol.storage_class = storage_class;
    return s;
}

RawRecord aux_with_line(std::uint32_t line)
{
    RawRecord a{};
    put_u16_at(a, coff::aux_bf_ef::kLine, static_cast<std::uint16_t>(line));
    return a;
}

/* A source file name spread over as many auxiliary records as it needs. */
std::vector<RawRecord> file_aux(const std::string& name)
{
    std::vector<RawRecord> aux;
    // The count of auxiliary records is one byte.
    std::size_t length = std::min(name.size(), std::size_t(255) * coff::kAuxSize);
    for (std::size_t at = 0; at < length; at += coff::kAuxSize) {
        RawRecord a{};
        std::copy_n(name.begin() + static_cast<std::ptrdiff_t>(at), std::min(coff::kAuxSize, length - at), a.begin());
        aux.push_back(a);
    }
    return aux;
}

class ObjectConverter {
public:
    ObjectConverter(CoffObject object, const ConversionInput& input) : o_(std::move(object)), input_(input) {}
    ConversionResult run();

private:
    bool convert_debug_sections();
    std::span<const std::uint8_t> function_code(std::uint32_t symbol, std::uint32_t addend) const;
    std::optional<BodyBounds> function_body(std::uint32_t symbol, std::uint32_t addend) const;
    void add_line_numbers();
    void rebuild_symbols();
    bool renumber();

    CoffObject o_;
    const ConversionInput& input_;
    ConversionResult result_;
    std::vector<FunctionLines> functions_;
    std::vector<std::uint32_t> input_indices_;  // table index of each input symbol
    std::vector<ObjectSymbol> symbols_;        // the new table
    std::vector<std::uint32_t> old_to_new_;    // per input table index
    std::vector<std::int16_t> section_number_; // per input section number (1-based), 0 when dropped
};

/* The code of a function from its first byte: symbol (an input table index)
   plus addend, in the symbol's section. */
std::span<const std::uint8_t> ObjectConverter::function_code(std::uint32_t symbol, std::uint32_t addend) const
{
    auto at = std::lower_bound(input_indices_.begin(), input_indices_.end(), symbol);
    if (at == input_indices_.end() || *at != symbol)
        return {};
    const coff::Symbol& s = o_.symbols[std::size_t(at - input_indices_.begin())].symbol;
    if (s.section <= 0 || static_cast<std::size_t>(s.section) > o_.sections.size())
        return {};
    const std::vector<std::uint8_t>& code = o_.sections[static_cast<std::size_t>(s.section) - 1].data;
    std::uint64_t start = std::uint64_t(s.value) + addend;
    if (start >= code.size())
        return {};
    return std::span<const std::uint8_t>(code).subspan(static_cast<std::size_t>(start));
}

/* The body of the function at symbol plus addend, from its line numbers. */
std::optional<BodyBounds> ObjectConverter::function_body(std::uint32_t symbol, std::uint32_t addend) const
{
    auto at = std::lower_bound(input_indices_.begin(), input_indices_.end(), symbol);
    if (at == input_indices_.end() || *at != symbol)
        return std::nullopt;
    const coff::Symbol& s = o_.symbols[std::size_t(at - input_indices_.begin())].symbol;
    std::uint64_t start = std::uint64_t(s.value) + addend;
    for (const FunctionLines& f : functions_)
        if (f.section == s.section && f.start == start)
            return body_bounds(f);
    return std::nullopt;
}

bool ObjectConverter::convert_debug_sections()
{
    TypeMap types;
    bool types_done = false;
    for (ObjectSection& s : o_.sections) {
        if (s.name != ".debug$T" || types_done)
            continue;
        TypeConversion t = convert_types(s.data);
        if (!t.section) {
            result_.error = t.error;
            return false;
        }
        result_.warnings.insert(result_.warnings.end(), t.warnings.begin(), t.warnings.end());
        s.data = std::move(*t.section);
        s.relocations.clear();
        types = std::move(t.map);
        types_done = true;
    }
    std::vector<c13::DebugSymbols> read;
    std::vector<ObjectSection*> owners;
    for (ObjectSection& s : o_.sections) {
        if (s.name != ".debug$S")
            continue;
        std::string error;
        auto d = c13::read_debug_symbols(s.data, error);
        if (!d) {
            result_.error = error;
            return false;
        }
        read.push_back(std::move(*d));
        owners.push_back(&s);
    }
    std::vector<const c13::DebugSymbols*> all;
    for (auto& d : read)
        all.push_back(&d);
    // File names and checksums may sit in one section and serve all.
    for (auto& d : read)
        for (auto& other : read) {
            if (d.strings.empty())
                d.strings = other.strings;
            if (d.checksums.empty())
                d.checksums = other.checksums;
        }
    std::optional<std::uint32_t> main_file = main_file_id(all, input_.clang_source);
    // Every section's lines first: a procedure's body comes from them.
    for (std::size_t i = 0; i < read.size() && main_file; ++i) {
        auto lines = function_lines(read[i], owners[i]->relocations, o_.symbols, *main_file);
        functions_.insert(functions_.end(), lines.begin(), lines.end());
    }
    for (std::size_t i = 0; i < read.size(); ++i) {
        ObjectSection& s = *owners[i];
        SymbolConversion c = convert_symbols(
            read[i], s.relocations, types,
            [&](std::uint32_t symbol, std::uint32_t addend) { return function_code(symbol, addend); },
            [&](std::uint32_t symbol, std::uint32_t addend) { return function_body(symbol, addend); });
        result_.warnings.insert(result_.warnings.end(), c.warnings.begin(), c.warnings.end());
        s.data = std::move(c.section);
        s.relocations = std::move(c.relocations);
    }
    return true;
}

/* The new symbol table: a ".file" record first when there is none, then
   the input's symbols without those of dropped sections; each function
   with lines gets its definition record and ".bf", ".lf", ".ef". */
void ObjectConverter::rebuild_symbols()
{
    std::map<std::uint32_t, const FunctionLines*> by_symbol;
    for (const FunctionLines& f : functions_)
        by_symbol.emplace(f.symbol, &f);
    bool has_file = std::any_of(o_.symbols.begin(), o_.symbols.end(),
                                [](const ObjectSymbol& s) { return s.symbol.storage_class == sc::kFile; });
    if (!has_file && !input_.source_name.empty()) {
        symbols_.push_back(make_symbol(coff::kFileSymbol, 0, coff::section_number::kDebug, 0, sc::kFile));
        symbols_.back().aux = file_aux(input_.source_name);
    }
    std::vector<std::uint32_t> indices = symbol_table_indices(o_.symbols);
    old_to_new_.assign(indices.empty() ? 0 : indices.back() + 1 + o_.symbols.back().aux.size(), kDropped);
    std::uint32_t next = static_cast<std::uint32_t>(symbols_.empty() ? 0 : 1 + symbols_[0].aux.size());
    for (std::size_t i = 0; i < o_.symbols.size(); ++i) {
        ObjectSymbol s = o_.symbols[i];
        if (s.symbol.section > 0 && static_cast<std::size_t>(s.symbol.section) <= section_number_.size()) {
            std::int16_t number = section_number_[static_cast<std::size_t>(s.symbol.section) - 1];
            if (number == 0)
                continue;
            s.symbol.section = number;
        }
        if (s.symbol.storage_class == sc::kFile && !input_.source_name.empty())
            s.aux = file_aux(input_.source_name);  // the full path, for the debugger to open
        old_to_new_[indices[i]] = next;
        auto f = by_symbol.find(indices[i]);
        if (f == by_symbol.end()) {
            next += 1 + static_cast<std::uint32_t>(s.aux.size());
            symbols_.push_back(std::move(s));
            continue;
        }
        // The definition's auxiliary record is filled in by renumber().
        s.aux.assign(1, RawRecord{});
        std::int16_t section = s.symbol.section;
        symbols_.push_back(std::move(s));
        symbols_.push_back(make_symbol(coff::kBeginFunction, f->second->start, section, 0, sc::kFunction));
        symbols_.back().aux.push_back(aux_with_line(f->second->first_line));
        symbols_.push_back(make_symbol(coff::kLinesInFunction, static_cast<std::uint32_t>(f->second->records.size()),
                                       section, 0, sc::kFunction));
        symbols_.push_back(
            make_symbol(coff::kEndFunction, f->second->start + f->second->size, section, 0, sc::kFunction));
        symbols_.back().aux.push_back(aux_with_line(f->second->last_line));
        next += 2 + 2 + 1 + 2;
    }
}

/* Relocations, line records and auxiliary records refer to the new
   symbol and section numbers. */
bool ObjectConverter::renumber()
{
    for (ObjectSection& s : o_.sections)
        for (coff::Relocation& r : s.relocations) {
            if (r.symbol_index >= old_to_new_.size() || old_to_new_[r.symbol_index] == kDropped) {
                result_.error = format("a relocation of %s names symbol %u, which is missing or removed",
                                       s.name.c_str(), r.symbol_index);
                return false;
            }
            r.symbol_index = old_to_new_[r.symbol_index];
        }
    std::vector<std::uint32_t> indices = symbol_table_indices(symbols_);
    std::vector<std::size_t> function_slots;
    for (std::size_t i = 0; i < symbols_.size(); ++i) {
        ObjectSymbol& s = symbols_[i];
        if (s.symbol.storage_class == sc::kWeakExternal && !s.aux.empty()) {
            std::uint32_t tag = 0;
            read_u32_at(s.aux[0], coff::aux_weak::kTagIndex, tag);
            put_u32_at(s.aux[0], coff::aux_weak::kTagIndex,
                       tag < old_to_new_.size() && old_to_new_[tag] != kDropped ? old_to_new_[tag] : 0);
        }
        if (s.symbol.storage_class == sc::kStatic && !s.aux.empty() && s.symbol.value == 0 && s.symbol.section > 0) {
            std::uint16_t associated = 0;
            read_u16_at(s.aux[0], coff::aux_section::kNumber, associated);
            if (associated > 0 && associated <= section_number_.size())
                put_u16_at(s.aux[0], coff::aux_section::kNumber,
                           static_cast<std::uint16_t>(section_number_[associated - 1]));
        }
        if (i + 1 < symbols_.size() && symbols_[i + 1].name == coff::kBeginFunction &&
            symbols_[i + 1].symbol.storage_class == sc::kFunction && s.symbol.storage_class != sc::kFunction)
            function_slots.push_back(i);
    }
    // The definitions name their ".bf" and the next function, the ".bf"
    // records the next ".bf"; line records name the new function symbols.
    for (std::size_t k = 0; k < function_slots.size(); ++k) {
        std::size_t slot = function_slots[k];
        std::uint32_t next = k + 1 < function_slots.size() ? indices[function_slots[k + 1]] : 0;
        put_u32_at(symbols_[slot].aux[0], coff::aux_function::kBeginFunctionIndex, indices[slot + 1]);
        put_u32_at(symbols_[slot].aux[0], coff::aux_function::kNextFunction, next);
        put_u32_at(symbols_[slot + 1].aux[0], coff::aux_bf_ef::kNextFunction, next ? next + 2 : 0);
    }
    for (FunctionLines& f : functions_)
        f.symbol = old_to_new_[f.symbol];
    return true;
}

void ObjectConverter::add_line_numbers()
{
    std::stable_sort(functions_.begin(), functions_.end(), [](const FunctionLines& a, const FunctionLines& b) {
        return a.section != b.section ? a.section < b.section : a.start < b.start;
    });
    for (const FunctionLines& f : functions_) {
        if (f.section <= 0 || static_cast<std::size_t>(f.section) > o_.sections.size())
            continue;
        ObjectSection& s = o_.sections[static_cast<std::size_t>(f.section) - 1];
        if (s.lines.size() + f.records.size() > kMaxLinesPerSection) {
            result_.warnings.push_back(format("more line numbers than %s can hold; the rest are left out",
                                              s.name.c_str()));
            break;
        }
        s.lines.push_back({f.symbol, 0});
        for (std::size_t k = 1; k < f.records.size(); ++k)
            s.lines.push_back({f.records[k].first, f.records[k].second});
    }
}

ConversionResult ObjectConverter::run()
{
    input_indices_ = symbol_table_indices(o_.symbols);
    if (!convert_debug_sections())
        return std::move(result_);
    // Sections only another debug format reads are dropped; the rest keep
    // their order.
    std::vector<ObjectSection> kept;
    std::int16_t next = 1;
    for (ObjectSection& s : o_.sections) {
        bool drop = is_foreign_section(s.name);
        section_number_.push_back(drop ? 0 : next);
        if (!drop) {
            kept.push_back(std::move(s));
            ++next;
        }
    }
    o_.sections = std::move(kept);
    rebuild_symbols();
    if (!renumber())
        return std::move(result_);
    for (FunctionLines& f : functions_)
        if (f.section > 0 && static_cast<std::size_t>(f.section) <= section_number_.size())
            f.section = section_number_[static_cast<std::size_t>(f.section) - 1];
    add_line_numbers();
    o_.symbols = std::move(symbols_);
    result_.object = write_coff_object(o_);
    return std::move(result_);
}

}  // namespace

ConversionResult convert_object(std::span<const std::uint8_t> object, const ConversionInput& input)
{
    std::string error;
    auto o = read_coff_object(object, error);
    if (!o) {
        ConversionResult failed;
        failed.error = error;
        return failed;
    }
    return ObjectConverter(std::move(*o), input).run();
}

}  // namespace vyn::cc
