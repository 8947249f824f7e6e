// The CodeView NB09 block vynlnk writes into an executable, read back with the
// independent reader of nb09_reader.h and checked field by field: objects
// built byte by byte with CodeView 4 symbols and types, an object without
// any, and a clang object whose CodeView is not CodeView 4.
#include "linker/tests/cv4_records.h"
#include "linker/tests/link_harness.h"
#include "linker/tests/nb09_reader.h"

#include "common/byte_reader.h"
#include "testing/coff/coff_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace vyn::lnk::test {

namespace {

using vyn::testing::AuxEntry;
using vyn::testing::CoffBuilder;
namespace coff = vyn::testing::coff;
using nb09::CodeView;
using nb09::SymbolBlock;
using nb09::SymbolRecord;

constexpr std::uint8_t kLabel = 6;
constexpr const char* kLongSourceName = "lists/walker_of_b.c";

// ---- building objects --------------------------------------------------------

std::vector<std::uint8_t> code(std::size_t size)
{
    std::vector<std::uint8_t> bytes(size, 0x90);
    bytes.back() = 0xC3;
    return bytes;
}

AuxEntry aux_u32_u16(std::uint32_t at0, std::uint16_t at4)
{
    AuxEntry a{};
    for (int i = 0; i < 4; ++i)
        a[i] = static_cast<std::uint8_t>(at0 >> (8 * i));
    a[4] = static_cast<std::uint8_t>(at4);
    a[5] = static_cast<std::uint8_t>(at4 >> 8);
    return a;
}

// A function as a compiler describes it in COFF: its symbol, whose auxiliary
// entry names the ".bf" symbol holding the first source line, and line
// numbers relative to that line (a line-0 record first).
struct Function {
    std::string name;   // COFF name, with the "_"
    std::uint32_t offset;
    std::uint32_t size;
    std::uint16_t first_line;
    std::vector<std::pair<std::uint32_t, std::uint16_t>> lines;  // offset in the function, relative line
    std::uint8_t storage_class = coff::kExternal;
};

std::uint32_t add_function(CoffBuilder& b, int text, const Function& f)
{
    std::uint32_t index = b.symbol_count();
    std::uint32_t bf = index + 2;
    b.add_symbol(f.name, f.offset, static_cast<std::int16_t>(text), f.storage_class, 0x20, {aux_u32_u16(bf, 0)});
    b.add_symbol(".bf", f.offset, static_cast<std::int16_t>(text), coff::kFunction, 0, {aux_u32_u16(0, f.first_line)});
    b.add_symbol(".lf", static_cast<std::uint32_t>(f.lines.size()), static_cast<std::int16_t>(text), coff::kFunction);
    b.add_symbol(".ef", f.offset + f.size, static_cast<std::int16_t>(text), coff::kFunction);
    b.add_line(text, index, 0);
    for (const auto& [offset, line] : f.lines)
        b.add_line(text, f.offset + offset, line);
    return index;
}

// The line table the linker should derive for a function whose section
// starts at text_offset in ".text": one entry per line record, the line-0
// record standing for the function's start at its first line.
void expected_lines(const Function& f, std::uint32_t text_offset, std::vector<std::uint32_t>& offsets,
                    std::vector<std::uint16_t>& lines)
{
    offsets.push_back(text_offset + f.offset);
    lines.push_back(f.first_line);
    for (const auto& [offset, line] : f.lines) {
        offsets.push_back(text_offset + f.offset + offset);
        lines.push_back(static_cast<std::uint16_t>(f.first_line + line));
    }
}

// ---- the main scenario -------------------------------------------------------

// What the objects of the scenario hold, for the checks.
struct Inputs {
    std::vector<Function> a_functions, b_functions;
    cv4::SymbolRecords a_symbols, b_symbols, c_symbols;
    cv4::TypeRecords a_types, b_types;
    // Offsets of records within the ".debug$S" sections (signature included).
    std::uint32_t a_main = 0, a_helper = 0, a_main_end = 0, a_calls = 0, a_helper_end = 0;
    std::uint32_t b_walk = 0, b_walk_end = 0;
    // Local type indices.
    std::uint16_t a_span = 0, a_span_pointer = 0, a_procedure = 0;
    std::uint16_t b_procedure = 0, b_node = 0, b_node_fields = 0, b_span = 0, b_node_pointer = 0, b_arguments = 0;
};

/* a.obj ("a.c"): global main and static helper with locals, a global and two
   statics (one of them declared inside helper), the structure "span", and
   the import pointer that the startup object calls through. */
void build_a(Inputs& in, CoffBuilder& b)
{
    cv4::TypeRecords& t = in.a_types;
    std::uint16_t fields = t.field_list({{cv4::kInt, 0, "pos"}, {cv4::kInt, 4, "len"}});
    in.a_span = t.structure(2, fields, 8, "span");
    in.a_span_pointer = t.pointer(in.a_span);
    std::uint16_t arguments = t.argument_list({in.a_span_pointer});
    in.a_procedure = t.procedure(cv4::kInt, 1, arguments);

    b.file_symbol("a.c");
    int text = b.add_section(".text", code(0x30), coff::kCode);
    int data = b.add_section(".data", std::vector<std::uint8_t>(20, 0), coff::kData);
    in.a_functions = {{"_main", 0, 0x20, 10, {{3, 1}, {8, 2}, {0x10, 4}}},
                      {"_helper", 0x20, 0x10, 30, {{3, 1}, {8, 3}}, coff::kStatic}};
    std::uint32_t main = add_function(b, text, in.a_functions[0]);
    std::uint32_t helper = add_function(b, text, in.a_functions[1]);
    std::uint32_t counter = b.define("_counter", data, 0);
    std::uint32_t table = b.add_symbol("_table", 8, static_cast<std::int16_t>(data), coff::kStatic);
    std::uint32_t calls = b.add_symbol("_calls", 12, static_cast<std::int16_t>(data), coff::kStatic);
    b.define("__imp__ExitProcess@4", data, 16);

    cv4::SymbolRecords& s = in.a_symbols;
    in.a_main = s.procedure(cv4::kGlobalProcedure, {"main", main, 0x20, 3, 0x1C, in.a_procedure});
    s.frame_relative(-4, in.a_span_pointer, "s");
    s.frame_relative(8, in.a_span_pointer, "arg");
    s.register_variable(cv4::kInt, 17, "i");
    in.a_main_end = s.end();
    in.a_helper = s.procedure(cv4::kLocalProcedure, {"helper", helper, 0x10, 1, 0xE, in.a_procedure});
    s.frame_relative(8, in.a_span_pointer, "arg");
    in.a_calls = s.data(cv4::kLocalData, "calls", calls, cv4::kInt);
    in.a_helper_end = s.end();
    s.data(cv4::kGlobalData, "counter", counter, in.a_span);
    s.data(cv4::kLocalData, "table", table, cv4::kInt);
    s.add_to(b);
    t.add_to(b);
}

/* b.obj (source "lists/walker_of_b.c", long enough to take two auxiliary
   entries of its ".file" symbol): the same structure "span" again, a
   structure "node" whose field list comes after it and has members at
   offsets that need a 32-bit numeric leaf, and a procedure type whose return
   type and argument list come after it; data records before the first
   procedure. */
void build_b(Inputs& in, CoffBuilder& b)
{
    cv4::TypeRecords& t = in.b_types;
    const std::uint16_t first = cv4::kFirstTypeIndex;
    in.b_procedure = t.procedure(first + 5, 1, first + 6);  // forward: pointer, argument list
    in.b_node = t.structure(3, first + 4, 0x900C, "node");  // forward: field list
    std::uint16_t span_fields = t.field_list({{cv4::kInt, 0, "pos"}, {cv4::kInt, 4, "len"}});
    in.b_span = t.structure(2, span_fields, 8, "span");
    in.b_node_fields =
        t.field_list({{cv4::kInt, 0, "val"}, {cv4::kInt, 0x9000, "gap"}, {in.b_span, 0x9004, "spn"}});
    in.b_node_pointer = t.pointer(in.b_node);
    in.b_arguments = t.argument_list({in.b_node_pointer});

    b.file_symbol(kLongSourceName);
    int text = b.add_section(".text", code(0x18), coff::kCode);
    int data = b.add_section(".data", std::vector<std::uint8_t>(20, 0), coff::kData);
    in.b_functions = {{"_walk", 0, 0x18, 5, {{2, 1}, {6, 2}, {0x10, 3}}}};
    std::uint32_t walk = add_function(b, text, in.b_functions[0]);
    std::uint32_t origin = b.define("_origin", data, 0);
    std::uint32_t nodes = b.add_symbol("_nodes", 8, static_cast<std::int16_t>(data), coff::kStatic);

    cv4::SymbolRecords& s = in.b_symbols;
    s.data(cv4::kGlobalData, "origin", origin, in.b_span);
    s.data(cv4::kLocalData, "nodes", nodes, in.b_node);
    in.b_walk = s.procedure(cv4::kGlobalProcedure, {"walk", walk, 0x18, 2, 0x14, in.b_procedure});
    s.frame_relative(-4, in.b_node_pointer, "cur");
    s.register_variable(in.b_node_pointer, 18, "nxt");
    in.b_walk_end = s.end();
    s.add_to(b);
    t.add_to(b);
}

/* c.obj ("c.c"): three globals whose records fill more than the first 50
   bytes before its only (static) procedure; no line numbers, no types. */
void build_c(Inputs& in, CoffBuilder& b)
{
    b.file_symbol("c.c");
    int text = b.add_section(".text", code(0x10), coff::kCode);
    int data = b.add_section(".data", std::vector<std::uint8_t>(12, 0), coff::kData);
    std::uint32_t tick = b.add_symbol("_tick", 0, static_cast<std::int16_t>(text), coff::kStatic, 0x20);
    cv4::SymbolRecords& s = in.c_symbols;
    for (int i = 0; i < 3; ++i) {
        std::string name = "c_v" + std::to_string(i) + "x";
        s.data(cv4::kGlobalData, name, b.define("_" + name, data, 4 * i), cv4::kInt);
    }
    s.procedure(cv4::kLocalProcedure, {"tick", tick, 0x10, 0, 0xF, 0});
    s.end();
    s.add_to(b);
}

/* d.obj: as an assembler leaves it, no ".file" and no CodeView; section
   symbols, a label, a static and externals in three sections. */
void build_d(CoffBuilder& b)
{
    int text = b.add_section(".text", code(8), coff::kCode);
    int data = b.add_section(".data", std::vector<std::uint8_t>(4, 0), coff::kData);
    int bss = b.add_bss(".bss", 16);
    b.add_symbol(".text", 0, static_cast<std::int16_t>(text), coff::kStatic, 0, {AuxEntry{}});
    b.define("_asm_entry", text, 0);
    b.add_symbol("$Ltmp", 4, static_cast<std::int16_t>(text), kLabel);
    b.add_symbol("_asm_inner", 4, static_cast<std::int16_t>(text), coff::kStatic);
    b.add_symbol(".data", 0, static_cast<std::int16_t>(data), coff::kStatic, 0, {AuxEntry{}});
    b.add_symbol("_asm_local", 0, static_cast<std::int16_t>(data), coff::kStatic);
    b.define("_asm_buf", bss, 0);
    b.add_symbol("@feat.00", 1, -1, coff::kStatic);
}

// A symbol of the image's COFF symbol table, as llvm-readobj shows it.
struct ImageSymbol {
    std::uint32_t rva = 0;
    std::uint16_t section = 0;
};

ImageSymbol image_symbol(const std::string& symbols, const std::string& name)
{
    std::size_t at = symbols.find("Name: " + name + "\n");
    if (at == std::string::npos) {
        ADD_FAILURE() << "no symbol " << name << " in the image";
        return {};
    }
    std::string rest = symbols.substr(at);
    ImageSymbol s;
    s.rva = field_number(rest, "Value");
    std::string section = field(rest, "Section");
    std::size_t open = section.find('(');
    if (open != std::string::npos)
        s.section = static_cast<std::uint16_t>(std::stoul(section.substr(open + 1)));
    return s;
}

struct Linked {
    Inputs in;
    std::vector<std::uint8_t> image;
    CodeView cv;
    std::string symbols;  // llvm-readobj --symbols of the image
};

// Startup object first, then a, b, c, d: modules 1 to 5.
constexpr std::uint16_t kStartupModule = 1, kModuleA = 2, kModuleB = 3, kModuleC = 4, kModuleD = 5;

// The lines of the linker's error output that come from the CodeView writer
// (it reports trouble and goes on, so the exit code does not show it).
std::string writer_messages(const std::string& err)
{
    std::string found;
    std::size_t start = 0;
    while (start < err.size()) {
        std::size_t end = std::min(err.find('\n', start), err.size());
        std::string line = err.substr(start, end - start);
        for (const char* m : {"Unkown field", "Synch error", "pSymData", "Bad size calculation", "Bad argument",
                              "11705"})
            if (line.find(m) != std::string::npos)
                found += line + "\n";
        start = end + 1;
    }
    return found;
}

bool link_scenario(const LinkDir& d, Linked& out)
{
    CoffBuilder a, b, c, asm_object;
    build_a(out.in, a);
    build_b(out.in, b);
    build_c(out.in, c);
    build_d(asm_object);
    a.write(d.file("a.obj"));
    b.write(d.file("b.obj"));
    c.write(d.file("c.obj"));
    asm_object.write(d.file("d.obj"));
    RunResult r = d.link({"a.obj", "b.obj", "c.obj", "d.obj"});
    EXPECT_EQ(r.exit_code, 0) << r.err << r.out;
    EXPECT_EQ(writer_messages(r.err), "");
    if (r.exit_code != 0)
        return false;
    out.image = d.read("a.exe");
    out.cv = nb09::read_codeview(out.image);
    out.symbols = readobj(d.file("a.exe"), "--symbols");
    EXPECT_TRUE(out.cv.found);
    EXPECT_TRUE(out.cv.problems.empty()) << nb09::describe_problems(out.cv);
    return out.cv.found;
}

// ---- record helpers ----------------------------------------------------------

std::string record_name(const SymbolRecord& r)
{
    if (r.kind == cv4::kLocalProcedure || r.kind == cv4::kGlobalProcedure) {
        auto p = nb09::procedure_fields(r);
        return p ? p->name : "";
    }
    if (r.kind >= cv4::kLocalData && r.kind <= cv4::kPublic) {
        auto p = nb09::data_fields(r);
        return p ? p->name : "";
    }
    return "";
}

const SymbolRecord* find_record(const std::vector<SymbolRecord>& records, std::uint16_t kind,
                                const std::string& name)
{
    for (const SymbolRecord& r : records)
        if (r.kind == kind && record_name(r) == name)
            return &r;
    ADD_FAILURE() << "no record of kind 0x" << std::hex << kind << " named " << name;
    return nullptr;
}

const SymbolRecord* record_at(const SymbolBlock& block, std::uint32_t offset)
{
    for (const SymbolRecord& r : block.records)
        if (r.offset == offset)
            return &r;
    return nullptr;
}

// The input record at offset (within its ".debug$S", signature included) lies
// 12 bytes further on in the linked block: the 4-byte signature became the
// 16-byte prefix.
constexpr std::uint32_t kPrefixGrowth = 12;

std::uint16_t type_u16(const nb09::TypeRecord& t, std::size_t offset)
{
    std::uint16_t v = 0;
    read_u16_at(t.bytes, offset, v);
    return v;
}

std::string type_name_at(const nb09::TypeRecord& t, std::size_t offset)
{
    if (offset >= t.bytes.size() || offset + 1 + t.bytes[offset] > t.bytes.size())
        return "";
    return std::string(t.bytes.begin() + offset + 1, t.bytes.begin() + offset + 1 + t.bytes[offset]);
}

// The size of the numeric leaf at offset: the value itself below 0x8000, else
// a leaf kind followed by 1, 2, 2, 4 or 4 bytes (char, short, ushort, long, ulong).
std::size_t numeric_leaf_size(const nb09::TypeRecord& t, std::size_t offset)
{
    std::uint16_t leaf = type_u16(t, offset);
    if (leaf < 0x8000)
        return 2;
    static const std::size_t sizes[] = {3, 4, 4, 6, 6};
    return leaf - 0x8000u < 5 ? sizes[leaf - 0x8000u] : 2;
}

// The name of a structure record, behind its numeric size leaf.
std::string structure_name(const nb09::TypeRecord& t)
{
    return type_name_at(t, 14 + numeric_leaf_size(t, 14));
}

// The member names and types of a field list record.
std::vector<std::pair<std::string, std::uint16_t>> members(const nb09::TypeRecord& t)
{
    std::vector<std::pair<std::string, std::uint16_t>> out;
    std::size_t at = 4;
    while (at + 8 <= t.bytes.size() && type_u16(t, at) == cv4::kMemberLeaf) {
        std::uint16_t type = type_u16(t, at + 2);
        std::size_t name = at + 6 + numeric_leaf_size(t, at + 6);
        out.emplace_back(type_name_at(t, name), type);
        if (name >= t.bytes.size())
            break;
        at = name + 1 + t.bytes[name];
    }
    return out;
}

// ---- directory and modules ---------------------------------------------------

TEST(CodeView, DirectoryListsSubsectionsInTheirOrderWithModuleNumbers)
{
    LinkDir d;
    Linked l;
    ASSERT_TRUE(link_scenario(d, l));
    const CodeView& cv = l.cv;
    EXPECT_EQ(cv.directory_header_size, 16);
    EXPECT_EQ(cv.directory_entry_size, 12);
    EXPECT_EQ(cv.next_directory, 0u);
    EXPECT_EQ(cv.directory_flags, 0u);

    constexpr std::uint16_t m = 5, global = nb09::kGlobalModule;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> expected;
    for (std::uint16_t i = 1; i <= m; ++i)
        expected.emplace_back(nb09::kModule, i);
    expected.emplace_back(nb09::kGlobalPublics, global);
    for (std::uint16_t i = 1; i <= m; ++i) {
        expected.emplace_back(nb09::kAlignedSymbols, i);
        expected.emplace_back(nb09::kSourceModule, i);
    }
    expected.emplace_back(nb09::kGlobalTypes, global);
    expected.emplace_back(nb09::kGlobalSymbols, global);
    expected.emplace_back(nb09::kSegmentMap, global);
    expected.emplace_back(nb09::kFileIndex, global);
    std::vector<std::pair<std::uint16_t, std::uint16_t>> actual;
    for (const auto& e : cv.directory)
        actual.emplace_back(e.type, e.module);
    EXPECT_EQ(actual, expected);

    // In the file: modules, source modules, symbols, publics, globals, types,
    // segment map, file index, then the directory.
    std::vector<std::uint16_t> file_order = {nb09::kModule,         nb09::kSourceModule,  nb09::kAlignedSymbols,
                                             nb09::kGlobalPublics,  nb09::kGlobalSymbols, nb09::kGlobalTypes,
                                             nb09::kSegmentMap,     nb09::kFileIndex};
    auto rank = [&](const nb09::DirectoryEntry& e) {
        return std::find(file_order.begin(), file_order.end(), e.type) - file_order.begin();
    };
    std::vector<nb09::DirectoryEntry> by_offset = cv.directory;
    std::sort(by_offset.begin(), by_offset.end(), [](auto& x, auto& y) { return x.offset < y.offset; });
    for (std::size_t i = 1; i < by_offset.size(); ++i) {
        const auto &before = by_offset[i - 1], &after = by_offset[i];
        EXPECT_TRUE(rank(before) < rank(after) || (rank(before) == rank(after) && before.module < after.module))
            << std::hex << "0x" << before.type << "/" << before.module << " before 0x" << after.type << "/"
            << after.module;
    }
    ASSERT_FALSE(by_offset.empty());
    EXPECT_GE(cv.directory_offset, by_offset.back().offset + by_offset.back().size);
    EXPECT_EQ(by_offset.front().offset, 8u);
}

TEST(CodeView, ModulesNameTheirObjectsAndTextContributions)
{
    LinkDir d;
    Linked l;
    ASSERT_TRUE(link_scenario(d, l));
    ASSERT_EQ(l.cv.modules.size(), 5u);
    EXPECT_NE(l.cv.modules.at(kStartupModule).name.find("vyncrt0.obj"), std::string::npos);
    struct Expected {
        std::uint16_t module;
        const char* object;
        const char* first_symbol;  // at offset 0 of the object's ".text"
        std::uint32_t text_size;
    };
    for (const Expected& e : {Expected{kModuleA, "a.obj", "_main", 0x30}, Expected{kModuleB, "b.obj", "_walk", 0x18},
                              Expected{kModuleC, "c.obj", "_tick", 0x10},
                              Expected{kModuleD, "d.obj", "_asm_entry", 8}}) {
        SCOPED_TRACE(e.object);
        const nb09::ModuleSubsection& m = l.cv.modules.at(e.module);
        EXPECT_EQ(m.name, e.object);
        EXPECT_EQ(m.overlay, 0);
        EXPECT_EQ(m.library, 0);
        EXPECT_EQ(m.style, "CV");
        ASSERT_EQ(m.segments.size(), 1u);
        EXPECT_EQ(m.segments[0].segment, 1);
        EXPECT_EQ(m.segments[0].pad, 0);
        EXPECT_EQ(m.segments[0].offset, image_symbol(l.symbols, e.first_symbol).rva - 0x1000);
        EXPECT_EQ(m.segments[0].size, e.text_size);
    }
}

// ---- source modules and line tables ------------------------------------------

// The exact size of a one-file, one-segment source-module subsection.
std::uint32_t source_module_size(const std::string& file_name, std::size_t pairs)
{
    std::uint32_t header = 20;
    std::uint32_t file_entry = (16 + 1 + static_cast<std::uint32_t>(file_name.size()) + 3) & ~3u;
    std::uint32_t block = 4 + 6 * static_cast<std::uint32_t>(pairs) + (pairs % 2 ? 2 : 0);
    return header + file_entry + block;
}

TEST(CodeView, SourceModulesHoldAbsoluteLinesAtTextOffsets)
{
    LinkDir d;
    Linked l;
    ASSERT_TRUE(link_scenario(d, l));
    struct Expected {
        std::uint16_t module;
        const char* source;
        const std::vector<Function>* functions;
    };
    std::vector<Function> none;
    for (const Expected& e : {Expected{kModuleA, "a.c", &l.in.a_functions},
                              Expected{kModuleB, kLongSourceName, &l.in.b_functions},
                              Expected{kModuleC, "c.c", &none}}) {
        SCOPED_TRACE(e.source);
        const nb09::SegmentDescriptor& text = l.cv.modules.at(e.module).segments.at(0);
        std::vector<std::uint32_t> offsets;
        std::vector<std::uint16_t> lines;
        for (const Function& f : *e.functions)
            expected_lines(f, text.offset, offsets, lines);

        const nb09::SourceModule& s = l.cv.source_modules.at(e.module);
        EXPECT_EQ(s.file_offsets, std::vector<std::uint32_t>{20});
        ASSERT_EQ(s.ranges.size(), 1u);
        EXPECT_EQ(s.ranges[0], std::make_pair(text.offset, text.offset + text.size));
        EXPECT_EQ(s.segments, std::vector<std::uint16_t>{1});
        ASSERT_EQ(s.files.size(), 1u);
        const nb09::SourceFile& f = s.files[0];
        EXPECT_EQ(f.name, e.source);
        EXPECT_EQ(f.ranges, s.ranges);
        ASSERT_EQ(f.blocks.size(), 1u);
        EXPECT_EQ(f.blocks[0].segment, 1);
        EXPECT_EQ(f.blocks[0].offsets, offsets);
        EXPECT_EQ(f.blocks[0].lines, lines);
        // An odd number of pairs ends in two zero bytes (a has 7 entries).
        EXPECT_EQ(l.cv.entry(nb09::kSourceModule, e.module)->size, source_module_size(e.source, offsets.size()));
    }
    EXPECT_EQ(l.cv.source_modules.at(kModuleA).files[0].blocks[0].lines.size() % 2, 1u);
}

TEST(CodeView, ModuleWithoutFileSymbolIsNamedAfterItsObjectWithAsm)
{
    LinkDir d;
    Linked l;
    ASSERT_TRUE(link_scenario(d, l));
    const nb09::SourceModule& s = l.cv.source_modules.at(kModuleD);
    ASSERT_EQ(s.files.size(), 1u);
    EXPECT_EQ(s.files[0].name, "d.asm");
    ASSERT_TRUE(l.cv.file_index);
    ASSERT_EQ(l.cv.file_index->names.size(), 5u);
    EXPECT_EQ(l.cv.file_index->names[kModuleD - 1], "d.asm");
}

TEST(CodeView, FileIndexGivesEachModuleItsSourceFile)
{
    LinkDir d;
    Linked l;
    ASSERT_TRUE(link_scenario(d, l));
    ASSERT_TRUE(l.cv.file_index);
    const nb09::FileIndex& f = *l.cv.file_index;
    EXPECT_EQ(f.module_count, 5);
    EXPECT_EQ(f.reference_count, 5);
    EXPECT_EQ(f.module_start, (std::vector<std::uint16_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(f.module_references, (std::vector<std::uint16_t>{1, 1, 1, 1, 1}));
    std::vector<std::string> sources;
    for (std::uint16_t m = 1; m <= 5; ++m)
        sources.push_back(l.cv.source_modules.at(m).files.at(0).name);
    EXPECT_EQ(f.names, sources);
    EXPECT_EQ(sources[kModuleA - 1], "a.c");
    EXPECT_EQ(sources[kStartupModule - 1], "vyncrt0.obj.c");
    // The names follow each other in the name block.
    std::uint32_t next = 0;
    for (std::size_t i = 0; i < f.names.size(); ++i) {
        EXPECT_EQ(f.name_offsets[i], next);
        next += 1 + static_cast<std::uint32_t>(f.names[i].size());
    }
}

// ---- symbol blocks -----------------------------------------------------------

TEST(CodeView, StartSearchRecordPointsAtTheFirstProcedureNearTheStart)
{
    LinkDir d;
    Linked l;
    ASSERT_TRUE(link_scenario(d, l));
    // a: a procedure first; b: 40 bytes of data records before it; c: 60
    // bytes before it (beyond the first 50); startup and d: linker-made.
    std::map<std::uint16_t, std::uint32_t> expected = {
        {kStartupModule, 16}, {kModuleA, 16}, {kModuleB, 16 + 40}, {kModuleC, 32}, {kModuleD, 16}};
    for (const auto& [module, first] : expected) {
        SCOPED_TRACE(module);
        const SymbolBlock& b = l.cv.symbols.at(module);
        EXPECT_EQ(b.signature, 1u);
        EXPECT_EQ(b.search_length, 10);
        EXPECT_EQ(b.search_kind, cv4::kStartSearch);
        EXPECT_EQ(b.search_module, module);
        EXPECT_EQ(b.search_pad, 0);
        EXPECT_EQ(b.first_procedure, first);
    }
    ASSERT_EQ(l.in.b_walk, 4u + 40);
    for (std::uint16_t module : {kModuleA, kModuleB}) {
        const SymbolRecord* r = record_at(l.cv.symbols.at(module), l.cv.symbols.at(module).first_procedure);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->kind, cv4::kGlobalProcedure);
    }
}

// The input's records, with the fields the linker fills in (procedure end and
// next, relocated offsets and segments) blanked in both.
std::vector<std::uint8_t> blank_linked_fields(std::vector<std::uint8_t> bytes, std::size_t first_record)
{
    std::size_t at = first_record;
    while (at + 4 <= bytes.size()) {
        std::size_t length = bytes[at] | (bytes[at + 1] << 8);
        std::uint16_t kind = static_cast<std::uint16_t>(bytes[at + 2] | (bytes[at + 3] << 8));
        auto blank = [&](std::size_t from, std::size_t count) {
            for (std::size_t i = at + 4 + from; i < at + 4 + from + count && i < bytes.size(); ++i)
                bytes[i] = 0;
        };
        if (kind == cv4::kLocalProcedure || kind == cv4::kGlobalProcedure) {
            blank(4, 8);   // end, next
            blank(24, 6);  // offset, segment
        } else if (kind == cv4::kLocalData || kind == cv4::kGlobalData) {
            blank(0, 6);
        }
        if (length < 2)
            break;
        at += 2 + length;
    }
    return bytes;
}

TEST(CodeView, SymbolBlockCopiesTheRecordsAndEndsWithAnAlignmentRecord)
{
    LinkDir d;
    Linked l;
    ASSERT_TRUE(link_scenario(d, l));
    const nb09::DirectoryEntry* e = l.cv.entry(nb09::kAlignedSymbols, kModuleA);
    ASSERT_NE(e, nullptr);
    const std::vector<std::uint8_t>& input = l.in.a_symbols.bytes();
    std::size_t copied = input.size() - 4;
    // The block: prefix, the records, an 8-byte alignment record (already a multiple of 4).
    ASSERT_EQ(e->size, 16 + copied + 8);
    auto block_start = l.image.begin() + l.cv.position + e->offset;
    std::vector<std::uint8_t> block(block_start, block_start + e->size);
    std::vector<std::uint8_t> records(block.begin() + 16, block.begin() + 16 + static_cast<long>(copied));
    std::vector<std::uint8_t> original(input.begin() + 4, input.end());
    EXPECT_EQ(blank_linked_fields(records, 0), blank_linked_fields(original, 0));
    std::vector<std::uint8_t> alignment(block.end() - 8, block.end());
    EXPECT_EQ(alignment, (std::vector<std::uint8_t>{6, 0, 0x02, 0x04, 0xFF, 0xFF, 0xFF, 0xFF}));
    const SymbolBlock& b = l.cv.symbols.at(kModuleA);
    ASSERT_FALSE(b.records.empty());
    EXPECT_EQ(b.records.back().kind, cv4::kAlign);
    EXPECT_EQ(b.zero_padding, 0u);
    for (const auto& [module, block_of] : l.cv.symbols) {
        SCOPED_TRACE(module);
        ASSERT_FALSE(block_of.records.empty());
        EXPECT_EQ(block_of.records.back().kind, cv4::kAlign);
        EXPECT_EQ(block_of.records.back().length, 6);
    }
}

TEST(CodeView, ProceduresLinkToTheNextProcedureAndToTheirEnd)
{
    LinkDir d;
    Linked l;
    ASSERT_TRUE(link_scenario(d, l));
    const Inputs& in = l.in;
    auto proc = [&](std::uint16_t module, std::uint32_t input_offset) {
        const SymbolRecord* r = record_at(l.cv.symbols.at(module), input_offset + kPrefixGrowth);
        EXPECT_NE(r, nullptr) << "no record at 0x" << std::hex << input_offset + kPrefixGrowth;
        return r ? nb09::procedure_fields(*r) : std::nullopt;
    };
    auto main = proc(kModuleA, in.a_main);
    auto helper = proc(kModuleA, in.a_helper);
    auto walk = proc(kModuleB, in.b_walk);
    ASSERT_TRUE(main && helper && walk);
    EXPECT_EQ(main->next, in.a_helper + kPrefixGrowth);
    EXPECT_EQ(helper->next, 0u);
    EXPECT_EQ(walk->next, 0u);
    // End: the first record behind the procedure that is neither a register
    // nor a frame-relative record; in helper that is the static declared in it.
    EXPECT_EQ(main->end, in.a_main_end + kPrefixGrowth);
    EXPECT_EQ(helper->end, in.a_calls + kPrefixGrowth);
    EXPECT_EQ(walk->end, in.b_walk_end + kPrefixGrowth);
    EXPECT_EQ(main->parent, 0u);
    EXPECT_EQ(main->length, 0x20u);
    EXPECT_EQ(main->debug_start, 3u);
    EXPECT_EQ(main->debug_end, 0x1Cu);
    EXPECT_EQ(main->name, "main");
}

TEST(CodeView, ProcedureAndDataRecordsHoldTheirSectionOffsets)
{
    LinkDir d;
    Linked l;
    ASSERT_TRUE(link_scenario(d, l));
    auto section_rva = [&](std::uint16_t number) { return l.cv.sections.at(number - 1u).rva; };
    struct Expected {
        std::uint16_t module, kind;
        const char* name;
    };
    for (const Expected& e : {Expected{kModuleA, cv4::kGlobalProcedure, "main"},
                              Expected{kModuleA, cv4::kLocalProcedure, "helper"},
                              Expected{kModuleA, cv4::kGlobalData, "counter"},
                              Expected{kModuleA, cv4::kLocalData, "table"},
                              Expected{kModuleA, cv4::kLocalData, "calls"},
                              Expected{kModuleB, cv4::kGlobalData, "origin"},
                              Expected{kModuleB, cv4::kGlobalProcedure, "walk"},
                              Expected{kModuleC, cv4::kLocalProcedure, "tick"}}) {
        SCOPED_TRACE(e.name);
        const SymbolRecord* r = find_record(l.cv.symbols.at(e.module).records, e.kind, e.name);
        ASSERT_NE(r, nullptr);
        ImageSymbol s = image_symbol(l.symbols, std::string("_") + e.name);
        ASSERT_GT(s.section, 0);
        std::uint32_t offset = 0;
        std::uint16_t segment = 0;
        if (auto p = nb09::procedure_fields(*r)) {
            offset = p->offset;
            segment = p->segment;
        } else if (auto dt = nb09::data_fields(*r)) {
            offset = dt->offset;
            segment = dt->segment;
        }
        EXPECT_EQ(segment, s.section);
        EXPECT_EQ(offset, s.rva - section_rva(s.section));
    }
}

TEST(CodeView, ModuleWithoutDebugSymbolsGetsPublicAndDataRecordsOfItsSymbols)
{
    LinkDir d;
    Linked l;
    ASSERT_TRUE(link_scenario(d, l));
    const nb09::DirectoryEntry* e = l.cv.entry(nb09::kAlignedSymbols, kModuleD);
    ASSERT_NE(e, nullptr);
    struct Expected {
        std::uint16_t kind;
        const char* name;
    };
    // In symbol table order; section symbols, the label in section 1 and the
    // absolute symbol have no record.
    std::vector<Expected> expected = {{cv4::kPublic, "_asm_entry"},
                                      {cv4::kGlobalData, "_asm_inner"},
                                      {cv4::kGlobalData, "_asm_local"},
                                      {cv4::kPublic, "_asm_buf"}};
    const SymbolBlock& b = l.cv.symbols.at(kModuleD);
    ASSERT_EQ(b.records.size(), expected.size() + 1);
    std::uint32_t at = 16;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        const SymbolRecord& r = b.records[i];
        EXPECT_EQ(r.offset, at);
        EXPECT_EQ(r.kind, expected[i].kind);
        EXPECT_EQ((2 + r.length) % 4, 0) << "records are padded to a multiple of 4";
        auto f = nb09::data_fields(r);
        ASSERT_TRUE(f);
        ImageSymbol s = image_symbol(l.symbols, expected[i].name);
        EXPECT_EQ(f->name, expected[i].name);
        EXPECT_EQ(f->type, 0);
        EXPECT_EQ(f->segment, s.section);
        EXPECT_EQ(f->offset, s.rva - l.cv.sections.at(s.section - 1u).rva);
        std::size_t used = 8 + 1 + f->name.size();
        EXPECT_TRUE(std::all_of(r.body.begin() + static_cast<long>(used), r.body.end(),
                                [](std::uint8_t x) { return x == 0; }));
        at += 2 + r.length;
    }
    EXPECT_EQ(b.records.back().kind, cv4::kAlign);
    // The startup object has no CodeView either: its block is linker-made too.
    for (const SymbolRecord& r : l.cv.symbols.at(kStartupModule).records)
        EXPECT_TRUE(r.kind == cv4::kPublic || r.kind == cv4::kGlobalData || r.kind == cv4::kAlign) << r.kind;
}

// ---- types -------------------------------------------------------------------

std::uint16_t symbol_type(const CodeView& cv, std::uint16_t module, std::uint16_t kind, const std::string& name)
{
    const SymbolRecord* r = find_record(cv.symbols.at(module).records, kind, name);
    if (!r)
        return 0;
    if (auto p = nb09::procedure_fields(*r))
        return p->type;
    auto dt = nb09::data_fields(*r);
    return dt ? dt->type : 0;
}

TEST(CodeView, SharedStructureIsMergedOnceAndForwardReferencesAreResolved)
{
    LinkDir d;
    Linked l;
    ASSERT_TRUE(link_scenario(d, l));
    const CodeView& cv = l.cv;
    ASSERT_TRUE(cv.types);
    EXPECT_EQ(cv.types->flags, 0u);

    // The first module's records come first, unchanged (they refer backwards only).
    const auto& a_records = l.in.a_types.records();
    ASSERT_GE(cv.types->records.size(), a_records.size());
    for (std::size_t i = 0; i < a_records.size(); ++i)
        EXPECT_EQ(cv.types->records[i].bytes, a_records[i]) << "record 0x" << std::hex << 0x1000 + i;

    std::vector<std::uint16_t> spans;
    for (std::size_t i = 0; i < cv.types->records.size(); ++i) {
        const nb09::TypeRecord& t = cv.types->records[i];
        if (t.leaf() == cv4::kStructureLeaf && structure_name(t) == "span")
            spans.push_back(static_cast<std::uint16_t>(0x1000 + i));
    }
    ASSERT_EQ(spans.size(), 1u) << "the structure is in the global list once";
    std::uint16_t span = spans[0];
    EXPECT_EQ(span, l.in.a_span);
    EXPECT_EQ(symbol_type(cv, kModuleA, cv4::kGlobalData, "counter"), span);
    EXPECT_EQ(symbol_type(cv, kModuleB, cv4::kGlobalData, "origin"), span);

    // walk's type: a procedure returning a pointer to node, taking one.
    const nb09::TypeRecord* procedure = cv.type_record(symbol_type(cv, kModuleB, cv4::kGlobalProcedure, "walk"));
    ASSERT_NE(procedure, nullptr);
    ASSERT_EQ(procedure->leaf(), cv4::kProcedureLeaf);
    std::uint16_t pointer_index = type_u16(*procedure, 4);
    const nb09::TypeRecord* pointer = cv.type_record(pointer_index);
    ASSERT_NE(pointer, nullptr) << std::hex << pointer_index;
    ASSERT_EQ(pointer->leaf(), cv4::kPointerLeaf);
    const nb09::TypeRecord* node = cv.type_record(type_u16(*pointer, 6));
    ASSERT_NE(node, nullptr);
    ASSERT_EQ(node->leaf(), cv4::kStructureLeaf);
    EXPECT_EQ(structure_name(*node), "node");
    const nb09::TypeRecord* fields = cv.type_record(type_u16(*node, 6));
    ASSERT_NE(fields, nullptr) << "the structure's forward field list";
    ASSERT_EQ(fields->leaf(), cv4::kFieldListLeaf);
    // The member behind two 32-bit offset leaves is remapped too.
    using Members = std::vector<std::pair<std::string, std::uint16_t>>;
    EXPECT_EQ(members(*fields), (Members{{"val", cv4::kInt}, {"gap", cv4::kInt}, {"spn", span}}));
    const nb09::TypeRecord* arguments = cv.type_record(type_u16(*procedure, 10));
    ASSERT_NE(arguments, nullptr) << "the procedure's forward argument list";
    ASSERT_EQ(arguments->leaf(), cv4::kArgListLeaf);
    EXPECT_EQ(type_u16(*arguments, 4), 1);
    EXPECT_EQ(type_u16(*arguments, 6), pointer_index);

    // Locals and statics of b refer to the merged indices too. Register
    // records are not among the kinds listed for remapping, but a register
    // local names its type as a frame local does, so it is remapped alike.
    const SymbolRecord* cur = find_record(cv.symbols.at(kModuleB).records, cv4::kFrameRelative, "");
    ASSERT_NE(cur, nullptr);
    EXPECT_EQ(nb09::frame_fields(*cur)->second, pointer_index);
    const SymbolRecord* in_register = find_record(cv.symbols.at(kModuleB).records, cv4::kRegister, "");
    ASSERT_NE(in_register, nullptr);
    ASSERT_GE(in_register->body.size(), 2u);
    EXPECT_EQ(in_register->body[0] | (in_register->body[1] << 8), pointer_index);
    EXPECT_EQ(cv.type_record(symbol_type(cv, kModuleB, cv4::kLocalData, "nodes")), node);
}

TEST(CodeView, GlobalTypesOffsetsCountFromTheFirstRecord)
{
    LinkDir d;
    Linked l;
    ASSERT_TRUE(link_scenario(d, l));
    ASSERT_TRUE(l.cv.types);
    const nb09::GlobalTypes& t = *l.cv.types;
    std::uint32_t next = 0;
    for (const nb09::TypeRecord& r : t.records) {
        EXPECT_EQ(r.offset, next);
        next += static_cast<std::uint32_t>(r.bytes.size());
    }
    const nb09::DirectoryEntry* e = l.cv.entry(nb09::kGlobalTypes, nb09::kGlobalModule);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->size, ((8 + 4 * t.records.size() + next) + 3) & ~std::size_t(3));
    // Every index inside a record of a known kind names a record of the list.
    for (std::size_t i = 0; i < t.records.size(); ++i) {
        const nb09::TypeRecord& r = t.records[i];
        std::vector<std::uint16_t> refs;
        if (r.leaf() == cv4::kStructureLeaf)
            refs = {type_u16(r, 6)};
        else if (r.leaf() == cv4::kProcedureLeaf)
            refs = {type_u16(r, 4), type_u16(r, 10)};
        else if (r.leaf() == cv4::kPointerLeaf)
            refs = {type_u16(r, 6)};
        else if (r.leaf() == cv4::kArgListLeaf)
            for (std::uint16_t k = 0; k < type_u16(r, 4); ++k)
                refs.push_back(type_u16(r, 6 + 2 * k));
        else if (r.leaf() == cv4::kFieldListLeaf)
            for (const auto& m : members(r))
                refs.push_back(m.second);
        for (std::uint16_t ref : refs) {
            if (ref >= 0x1000) {
                EXPECT_LT(ref - 0x1000u, t.records.size()) << "record 0x" << std::hex << 0x1000 + i;
            }
        }
    }
}

// ---- global publics and symbols ----------------------------------------------

// The global procedures and data of the modules with CodeView, in the order
// of the global tables: per module its procedures, then its data.
struct Global {
    std::uint16_t module;
    const SymbolRecord* record;
    std::string name;
};

std::vector<Global> globals_of(const CodeView& cv, const std::vector<std::uint16_t>& modules)
{
    std::vector<Global> out;
    for (std::uint16_t m : modules)
        for (std::uint16_t kind : {cv4::kGlobalProcedure, cv4::kGlobalData})
            for (const SymbolRecord& r : cv.symbols.at(m).records)
                if (r.kind == kind)
                    out.push_back({m, &r, record_name(r)});
    return out;
}

void check_name_hash(const nb09::GlobalTable& t, std::uint16_t buckets, std::size_t count)
{
    EXPECT_EQ(t.bucket_count, buckets);
    ASSERT_EQ(t.buckets.size(), buckets);
    std::uint32_t running = 0;
    for (std::uint16_t i = 0; i < buckets; ++i) {
        running += static_cast<std::uint32_t>(t.buckets[i].size());
        EXPECT_EQ(t.running_counts[i], running);
        for (const nb09::HashEntry& e : t.buckets[i]) {
            EXPECT_EQ(e.hash % buckets, i);
            auto r = std::find_if(t.records.begin(), t.records.end(), [&](auto& x) { return x.offset == e.offset; });
            ASSERT_NE(r, t.records.end()) << "hash entry offset 0x" << std::hex << e.offset;
            EXPECT_EQ(e.hash, cv4::name_hash("_" + record_name(*r))) << "entry for the record at 0x" << std::hex
                                                                      << e.offset;
        }
    }
    EXPECT_EQ(running, count);
}

// The checks common to every link with global symbols.
void check_global_tables(const CodeView& cv, const std::vector<Global>& globals, std::uint16_t buckets)
{
    ASSERT_TRUE(cv.publics && cv.globals);
    for (const nb09::GlobalTable* t : {&*cv.publics, &*cv.globals}) {
        EXPECT_EQ(t->name_hash_function, 10);
        EXPECT_EQ(t->address_hash_function, 12);
        EXPECT_EQ(t->bucket_pad, 0);
    }
    ASSERT_EQ(cv.publics->records.size(), globals.size());
    ASSERT_EQ(cv.globals->records.size(), globals.size());
    std::uint32_t public_offset = 0;
    for (std::size_t i = 0; i < globals.size(); ++i) {
        const Global& g = globals[i];
        SCOPED_TRACE(g.name);
        const SymbolRecord& pub = cv.publics->records[i];
        EXPECT_EQ(pub.kind, cv4::kPublic);
        EXPECT_EQ(pub.offset, public_offset);
        EXPECT_EQ((2 + pub.length) % 4, 0);
        public_offset += 2 + pub.length;
        auto p = nb09::data_fields(pub);
        ASSERT_TRUE(p);
        EXPECT_EQ(p->name, g.name);
        std::uint32_t offset = 0;
        std::uint16_t segment = 0, type = 0;
        if (auto proc = nb09::procedure_fields(*g.record)) {
            offset = proc->offset, segment = proc->segment, type = proc->type;
        } else if (auto data = nb09::data_fields(*g.record)) {
            offset = data->offset, segment = data->segment, type = data->type;
        }
        EXPECT_EQ(p->offset, offset);
        EXPECT_EQ(p->segment, segment);
        EXPECT_EQ(p->type, type);

        const SymbolRecord& ref = cv.globals->records[i];
        EXPECT_EQ(ref.kind, g.record->kind == cv4::kGlobalProcedure ? cv4::kProcedureReference : cv4::kDataReference);
        EXPECT_EQ(ref.length, 14);
        EXPECT_EQ(ref.offset, 16 * i);
        auto f = nb09::reference_fields(ref);
        ASSERT_TRUE(f);
        EXPECT_EQ(f->hash, cv4::name_hash("_" + g.name));
        EXPECT_EQ(f->offset, g.record->offset);
        EXPECT_EQ(f->module, g.module);
    }
    check_name_hash(*cv.publics, buckets, globals.size());
    // In the global symbols the hash of an entry is that of its reference.
    EXPECT_EQ(cv.globals->bucket_count, buckets);
    std::uint32_t entries = 0;
    for (const auto& bucket : cv.globals->buckets)
        for (const nb09::HashEntry& e : bucket) {
            ++entries;
            EXPECT_EQ(e.offset % 16, 0u);
            std::size_t i = e.offset / 16;
            ASSERT_LT(i, globals.size());
            EXPECT_EQ(e.hash, cv4::name_hash("_" + globals[i].name));
            EXPECT_EQ(e.hash % buckets, static_cast<std::uint32_t>(&bucket - &cv.globals->buckets[0]));
        }
    EXPECT_EQ(entries, globals.size());
}

TEST(CodeView, SevenGlobalsAreIndexedInSixBuckets)
{
    LinkDir d;
    Linked l;
    ASSERT_TRUE(link_scenario(d, l));
    std::vector<Global> globals = globals_of(l.cv, {kModuleA, kModuleB, kModuleC});
    ASSERT_EQ(globals.size(), 7u);
    EXPECT_EQ(globals[0].name, "main");
    EXPECT_EQ(globals[1].name, "counter");
    check_global_tables(l.cv, globals, 6);
}

TEST(CodeView, SixtyOneGlobalsAreIndexedInEightBuckets)
{
    LinkDir d;
    CoffBuilder b;
    b.file_symbol("many.c");
    int text = b.add_section(".text", code(4), coff::kCode);
    int data = b.add_section(".data", std::vector<std::uint8_t>(4 * 61 + 4, 0), coff::kData);
    std::uint32_t main = b.define("_main", text, 0);
    b.define("__imp__ExitProcess@4", data, 4 * 61);
    cv4::SymbolRecords s;
    s.procedure(cv4::kGlobalProcedure, {"main", main, 4, 0, 3, 0});
    s.end();
    for (int i = 0; i < 60; ++i) {
        std::string name = "Global" + std::to_string(i);
        s.data(cv4::kGlobalData, name, b.define("_" + name, data, 4 * static_cast<std::uint32_t>(i)), cv4::kInt);
    }
    s.add_to(b);
    b.write(d.file("many.obj"));
    RunResult r = d.link({"many.obj"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    CodeView cv = nb09::read_codeview(d.read("many.exe"));
    ASSERT_TRUE(cv.found);
    EXPECT_TRUE(cv.problems.empty()) << nb09::describe_problems(cv);
    std::vector<Global> globals = globals_of(cv, {2});
    ASSERT_EQ(globals.size(), 61u);
    check_global_tables(cv, globals, 8);
}

// ---- segment map -------------------------------------------------------------

TEST(CodeView, SegmentMapDescribesEachImageSectionAndAbsoluteAddresses)
{
    LinkDir d;
    Linked l;
    ASSERT_TRUE(link_scenario(d, l));
    ASSERT_TRUE(l.cv.segment_map);
    const nb09::SegmentMap& m = *l.cv.segment_map;
    const auto& sections = l.cv.sections;
    EXPECT_EQ(m.count, sections.size() + 1);
    EXPECT_EQ(m.logical_count, sections.size() + 1);
    ASSERT_EQ(m.entries.size(), sections.size() + 1);
    for (std::size_t i = 0; i < sections.size(); ++i) {
        SCOPED_TRACE(sections[i].name);
        const nb09::SegmentMapEntry& e = m.entries[i];
        std::uint16_t flags = 0x109;
        if (sections[i].name == ".text")
            flags += 4;
        if (sections[i].name == ".data" || sections[i].name == ".bss")
            flags += 2;
        EXPECT_EQ(e.flags, flags);
        EXPECT_EQ(e.overlay, 0);
        EXPECT_EQ(e.group, 0);
        EXPECT_EQ(e.frame, i + 1);
        EXPECT_EQ(e.name, 0xFFFF);
        EXPECT_EQ(e.class_name, 0xFFFF);
        EXPECT_EQ(e.offset, 0u);
        // A section without file contents (".bss") is described by its size
        // in memory, where its data lies.
        std::uint32_t size = sections[i].raw_size ? sections[i].raw_size : sections[i].virtual_size;
        EXPECT_EQ(e.size, size);
        EXPECT_NE(e.size, 0u);
    }
    const nb09::SegmentMapEntry& absolute = m.entries.back();
    EXPECT_EQ(absolute.flags, 0x208);
    EXPECT_EQ(absolute.frame, 0);
    EXPECT_EQ(absolute.name, 0xFFFF);
    EXPECT_EQ(absolute.class_name, 0xFFFF);
    EXPECT_EQ(absolute.offset, 0u);
    EXPECT_EQ(absolute.size, 0xFFFFFFFFu);
}

// ---- the debug directory and when nothing is written -------------------------

TEST(CodeView, DebugDirectoryNamesTheBlockAsLlvmReadobjShowsIt)
{
    LinkDir d;
    Linked l;
    ASSERT_TRUE(link_scenario(d, l));
    std::string s = readobj(d.file("a.exe"), "--coff-debug-directory");
    std::size_t at = s.find("Type: CodeView (0x2)");
    ASSERT_NE(at, std::string::npos) << s;
    std::string entry = s.substr(at);
    EXPECT_EQ(field_number(entry, "SizeOfData"), l.cv.size);
    EXPECT_EQ(field_number(entry, "PointerToRawData"), l.cv.position);
    EXPECT_EQ(l.cv.debug_directory_size, 84u);
    EXPECT_EQ(l.cv.position + l.cv.size, l.image.size());
    EXPECT_EQ(l.cv.debug_entries.at(0).type, 1u);
    EXPECT_EQ(l.cv.debug_entries.at(1).type, 4u);
    const nb09::DebugEntry& e = l.cv.debug_entries.at(2);
    EXPECT_EQ(e.characteristics, 0u);
    EXPECT_EQ(e.version, 0u);
    // Stamped with the time of the link, like the other two entries.
    std::uint32_t stamp = l.cv.debug_entries[0].time;
    EXPECT_NE(stamp, 0u);
    EXPECT_LE(std::max(e.time, stamp) - std::min(e.time, stamp), 2u);
}

TEST(CodeView, StrippedAndDebuglessLinksWriteNoBlock)
{
    LinkDir d;
    Linked l;
    ASSERT_TRUE(link_scenario(d, l));
    RunResult r = d.link({"a.obj", "b.obj", "c.obj", "d.obj", "-s", "-o", "stripped.exe"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    CodeView stripped = nb09::read_codeview(d.read("stripped.exe"));
    EXPECT_FALSE(stripped.found);
    EXPECT_TRUE(stripped.problems.empty()) << nb09::describe_problems(stripped);
    std::string s = readobj(d.file("stripped.exe"), "--coff-debug-directory");
    EXPECT_EQ(s.find("Type: CodeView"), std::string::npos) << s;

    // No object on the command line has a ".debug" section.
    CoffBuilder main_object;
    int text = main_object.add_section(".text", code(4), coff::kCode);
    int data = main_object.add_section(".data", std::vector<std::uint8_t>(4, 0), coff::kData);
    main_object.define("_main", text, 0);
    main_object.define("__imp__ExitProcess@4", data, 0);
    main_object.write(d.file("plain.obj"));
    r = d.link({"plain.obj", "d.obj"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    CodeView plain = nb09::read_codeview(d.read("plain.exe"));
    EXPECT_FALSE(plain.found);
    EXPECT_TRUE(plain.problems.empty()) << nb09::describe_problems(plain);
    ASSERT_EQ(plain.debug_entries.size(), 3u) << "the directory is still there";
    EXPECT_EQ(plain.debug_entries[2].type, 0u);
    EXPECT_EQ(plain.debug_entries[2].size, 0u);
    s = readobj(d.file("plain.exe"), "--coff-debug-directory");
    EXPECT_NE(s.find("Type: COFF (0x1)"), std::string::npos) << s;
    EXPECT_EQ(s.find("Type: CodeView"), std::string::npos) << s;
}

// ---- which objects are modules -------------------------------------------------

/* An object whose _main calls callee (REL32) and holds the import pointer of
   the startup object; with_codeview adds a global procedure record for main. */
CoffBuilder caller_of(const std::string& callee, bool with_codeview)
{
    CoffBuilder b;
    b.file_symbol("m.c");
    int text = b.add_section(".text", {0xE8, 0, 0, 0, 0, 0xC3}, coff::kCode);
    int data = b.add_section(".data", std::vector<std::uint8_t>(4, 0), coff::kData);
    std::uint32_t main = b.define("_main", text, 0);
    b.define("__imp__ExitProcess@4", data, 0);
    b.add_relocation(text, 1, b.reference(callee), coff::kRel32);
    if (with_codeview) {
        cv4::SymbolRecords s;
        s.procedure(cv4::kGlobalProcedure, {"main", main, 6, 0, 5, 0});
        s.end();
        s.add_to(b);
    }
    return b;
}

TEST(CodeView, ArchiveMembersAreNeverModules)
{
    LinkDir d;
    CoffBuilder member;
    member.file_symbol("l.c");
    int text = member.add_section(".text", {0xC3}, coff::kCode);
    std::uint32_t libfn = member.define("_libfn", text, 0);
    cv4::SymbolRecords s;
    s.procedure(cv4::kGlobalProcedure, {"libfn", libfn, 1, 0, 0, 0});
    s.end();
    s.add_to(member);
    cv4::TypeRecords t;
    t.pointer(cv4::kInt);
    t.add_to(member);
    member.write(d.file("l.obj"));
    RunResult ar = run_command("llvm-ar rcs l.lib l.obj", d.path());
    ASSERT_EQ(ar.exit_code, 0) << ar.err;
    caller_of("_libfn", true).write(d.file("m.obj"));
    caller_of("_libfn", false).write(d.file("plain.obj"));

    RunResult r = d.link({"m.obj", "l.lib"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    CodeView cv = nb09::read_codeview(d.read("m.exe"));
    ASSERT_TRUE(cv.found);
    EXPECT_TRUE(cv.problems.empty()) << nb09::describe_problems(cv);
    ASSERT_EQ(cv.modules.size(), 2u) << "the startup object and m.obj";
    EXPECT_EQ(cv.modules.at(2).name, "m.obj");
    ASSERT_TRUE(cv.publics);
    ASSERT_EQ(cv.publics->records.size(), 1u);
    EXPECT_EQ(record_name(cv.publics->records[0]), "main");
    ASSERT_TRUE(cv.types);
    EXPECT_TRUE(cv.types->records.empty()) << "no type record of the member";

    // Debug sections of a member alone do not make a CodeView block.
    r = d.link({"plain.obj", "l.lib"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    CodeView plain = nb09::read_codeview(d.read("plain.exe"));
    EXPECT_FALSE(plain.found);
    EXPECT_TRUE(plain.problems.empty()) << nb09::describe_problems(plain);
}

/* code.obj: a static procedure and a static datum; data.obj: only ".data"
   and a static datum. Neither has a global procedure or datum. */
void build_local_only(const LinkDir& d)
{
    CoffBuilder code_object;
    code_object.file_symbol("code.c");
    int text = code_object.add_section(".text", code(8), coff::kCode);
    int data = code_object.add_section(".data", std::vector<std::uint8_t>(8, 0), coff::kData);
    code_object.define("_main", text, 0);
    code_object.define("__imp__ExitProcess@4", data, 0);
    std::uint32_t step = code_object.add_symbol("_step", 4, static_cast<std::int16_t>(text), coff::kStatic, 0x20);
    std::uint32_t level = code_object.add_symbol("_level", 4, static_cast<std::int16_t>(data), coff::kStatic);
    cv4::SymbolRecords s;
    s.procedure(cv4::kLocalProcedure, {"step", step, 4, 0, 3, 0});
    s.end();
    s.data(cv4::kLocalData, "level", level, cv4::kInt);
    s.add_to(code_object);
    code_object.write(d.file("code.obj"));

    CoffBuilder data_object;
    data_object.file_symbol("data.c");
    int only = data_object.add_section(".data", std::vector<std::uint8_t>(4, 0), coff::kData);
    std::uint32_t seed = data_object.add_symbol("_seed", 0, static_cast<std::int16_t>(only), coff::kStatic);
    cv4::SymbolRecords ds;
    ds.data(cv4::kLocalData, "seed", seed, cv4::kInt);
    ds.add_to(data_object);
    data_object.write(d.file("data.obj"));
}

TEST(CodeView, ModuleWithoutTextHasAnEmptyCodeRange)
{
    LinkDir d;
    build_local_only(d);
    RunResult r = d.link({"code.obj", "data.obj"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    CodeView cv = nb09::read_codeview(d.read("code.exe"));
    ASSERT_TRUE(cv.found);
    EXPECT_TRUE(cv.problems.empty()) << nb09::describe_problems(cv);
    ASSERT_EQ(cv.modules.size(), 3u);
    const nb09::ModuleSubsection& m = cv.modules.at(3);
    EXPECT_EQ(m.name, "data.obj");
    ASSERT_EQ(m.segments.size(), 1u);
    EXPECT_EQ(m.segments[0].offset, 0u);
    EXPECT_EQ(m.segments[0].size, 0u);
    const nb09::SourceModule& source = cv.source_modules.at(3);
    ASSERT_EQ(source.files.size(), 1u);
    EXPECT_EQ(source.files[0].name, "data.c");
    EXPECT_EQ(source.ranges, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{0, 0}}));
    const SymbolBlock& b = cv.symbols.at(3);
    EXPECT_EQ(b.first_procedure, 32u) << "no procedure in the first 50 bytes";
    ASSERT_EQ(b.records.size(), 2u);
    EXPECT_EQ(record_name(b.records[0]), "seed");
}

TEST(CodeView, OnlyLocalSymbolsWriteNoGlobalTables)
{
    LinkDir d;
    build_local_only(d);
    RunResult r = d.link({"code.obj", "data.obj"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    CodeView cv = nb09::read_codeview(d.read("code.exe"));
    ASSERT_TRUE(cv.found);
    EXPECT_TRUE(cv.problems.empty()) << nb09::describe_problems(cv);
    EXPECT_FALSE(cv.publics);
    EXPECT_FALSE(cv.globals);
    std::vector<std::uint16_t> types;
    for (const auto& e : cv.directory)
        types.push_back(e.type);
    EXPECT_EQ(types, (std::vector<std::uint16_t>{nb09::kModule, nb09::kModule, nb09::kModule, nb09::kAlignedSymbols,
                                                 nb09::kSourceModule, nb09::kAlignedSymbols, nb09::kSourceModule,
                                                 nb09::kAlignedSymbols, nb09::kSourceModule, nb09::kGlobalTypes,
                                                 nb09::kSegmentMap, nb09::kFileIndex}));
}

// ---- malformed CodeView 4 input -------------------------------------------------

// The field-list leaf followed by fields as they stand.
std::vector<std::uint8_t> field_list_of(const std::vector<std::uint8_t>& fields)
{
    std::vector<std::uint8_t> list(2 + fields.size());
    list[0] = cv4::kFieldListLeaf & 0xFF;
    list[1] = cv4::kFieldListLeaf >> 8;
    std::copy(fields.begin(), fields.end(), list.begin() + 2);
    return list;
}

/* Links an object whose ".debug$T" holds one field list made of body (after
   the field-list leaf) and a structure using it, with a global datum of that
   structure; extra_symbols are appended to its ".debug$S" as they stand. */
RunResult link_with_field_list(const LinkDir& d, const std::vector<std::uint8_t>& body,
                               const std::vector<std::uint8_t>& extra_symbols = {})
{
    CoffBuilder b;
    b.file_symbol("bad.c");
    int text = b.add_section(".text", code(4), coff::kCode);
    int data = b.add_section(".data", std::vector<std::uint8_t>(8, 0), coff::kData);
    b.define("_main", text, 0);
    b.define("__imp__ExitProcess@4", data, 4);
    std::uint32_t thing = b.define("_thing", data, 0);
    cv4::TypeRecords t;
    std::uint16_t fields = t.raw(field_list_of(body));
    std::uint16_t structure = t.structure(1, fields, 4, "bad");
    cv4::SymbolRecords s;
    s.data(cv4::kGlobalData, "thing", thing, structure);
    s.raw(extra_symbols);
    s.add_to(b);
    t.add_to(b);
    b.write(d.file("bad.obj"));
    return d.link({"bad.obj"});
}

void expect_well_formed_block(const LinkDir& d, const RunResult& r)
{
    EXPECT_EQ(r.exit_code, 0) << r.err;
    CodeView cv = nb09::read_codeview(d.read("bad.exe"));
    EXPECT_TRUE(cv.found);
    EXPECT_TRUE(cv.problems.empty()) << nb09::describe_problems(cv);
}

TEST(CodeView, UnknownFieldKindIsReportedAndTheLinkGoesOn)
{
    LinkDir d;
    // A field of kind 0x40E, the first beyond the CodeView 4 field kinds.
    RunResult r = link_with_field_list(d, {0x0E, 0x04, 0x74, 0x00, 0x03, 0x00, 0x00, 0x00});
    EXPECT_NE(r.err.find("Unkown field in structure\n"), std::string::npos) << r.err;
    expect_well_formed_block(d, r);
}

TEST(CodeView, PadBytesBetweenFieldsAreSkipped)
{
    LinkDir d;
    Inputs in;
    CoffBuilder a;
    build_a(in, a);
    a.write(d.file("a.obj"));
    // bad.obj's own types: 0x1000 the field list, 0x1001 the structure; the
    // second member points at a pointer to the structure, 0x1002, appended
    // by hand behind them. a.obj's five records come first in the global list.
    std::vector<std::uint8_t> fields = {0x06, 0x04, 0x74, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 'p', 0xF2, 0xF1,
                                        0x06, 0x04, 0x02, 0x10, 0x03, 0x00, 0x04, 0x00, 0x03, 'n', 'x', 't'};
    CoffBuilder b;
    b.file_symbol("pad.c");
    int data = b.add_section(".data", std::vector<std::uint8_t>(8, 0), coff::kData);
    std::uint32_t thing = b.define("_thing", data, 0);
    cv4::TypeRecords t;
    std::uint16_t field_list = t.raw(field_list_of(fields));
    std::uint16_t structure = t.structure(2, field_list, 8, "padded");
    t.pointer(structure);
    cv4::SymbolRecords s;
    s.data(cv4::kGlobalData, "thing", thing, structure);
    s.add_to(b);
    t.add_to(b);
    b.write(d.file("pad.obj"));
    RunResult r = d.link({"a.obj", "pad.obj"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(writer_messages(r.err), "");
    CodeView cv = nb09::read_codeview(d.read("a.exe"));
    ASSERT_TRUE(cv.found);
    EXPECT_TRUE(cv.problems.empty()) << nb09::describe_problems(cv);
    const nb09::TypeRecord* padded = cv.type_record(symbol_type(cv, 3, cv4::kGlobalData, "thing"));
    ASSERT_NE(padded, nullptr);
    EXPECT_EQ(structure_name(*padded), "padded");
    const nb09::TypeRecord* list_record = cv.type_record(type_u16(*padded, 6));
    ASSERT_NE(list_record, nullptr);
    ASSERT_EQ(list_record->leaf(), cv4::kFieldListLeaf);
    // The member behind the pad bytes now names the global pointer record.
    std::uint16_t next = type_u16(*list_record, 4 + 12 + 2);
    const nb09::TypeRecord* pointer = cv.type_record(next);
    ASSERT_NE(pointer, nullptr) << std::hex << next;
    ASSERT_EQ(pointer->leaf(), cv4::kPointerLeaf);
    EXPECT_EQ(cv.type_record(type_u16(*pointer, 6)), padded);
}

TEST(CodeView, FieldListOutOfStepIsReportedAndTheLinkGoesOn)
{
    LinkDir d;
    // A member whose name claims 0x40 characters where 3 remain.
    RunResult r = link_with_field_list(d, {0x06, 0x04, 0x74, 0x00, 0x03, 0x00, 0x00, 0x00, 0x40, 'a', 'b', 'c'});
    EXPECT_NE(r.err.find("Debug info link: Synch error parsing list"), std::string::npos) << r.err;
    expect_well_formed_block(d, r);
}

TEST(CodeView, SymbolRecordRunningPastItsSectionDoesNotBreakTheLink)
{
    LinkDir d;
    // A procedure record claiming 0x40 bytes of which 8 are there.
    RunResult r = link_with_field_list(d, {0x06, 0x04, 0x74, 0x00, 0x03, 0x00, 0x00, 0x00, 0x03, 'a', 'b', 'c'},
                                       {0x40, 0x00, 0x05, 0x02, 0, 0, 0, 0, 0, 0, 0, 0});
    ASSERT_TRUE(r.exit_code == 0 || r.exit_code == 1) << "exit " << r.exit_code << ": " << r.err;
    if (r.exit_code == 0) {
        CodeView cv = nb09::read_codeview(d.read("bad.exe"));
        EXPECT_TRUE(cv.problems.empty()) << nb09::describe_problems(cv);
    }
}

// ---- CodeView that is not CodeView 4 -----------------------------------------

TEST(CodeView, ClangCodeViewWithSignature4IsTreatedAsNoCodeView)
{
    LinkDir d;
    d.compile("clang.obj",
              "struct pair { int x, y; };\n"
              "static struct pair shared;\n"
              "int lookup(struct pair* p, int k) { int t = p->x + k; return t * shared.y; }\n",
              "i686-pc-windows-msvc", "-g -gcodeview");
    std::vector<std::uint8_t> object = d.read("clang.obj");
    ASSERT_FALSE(object.empty());
    std::string sections = readobj(d.file("clang.obj"), "--sections --section-data");
    ASSERT_NE(sections.find(".debug$S"), std::string::npos) << "clang left no CodeView";
    ASSERT_NE(sections.find(".debug$T"), std::string::npos) << "clang left no types";

    Inputs in;
    CoffBuilder a;
    build_a(in, a);
    a.write(d.file("a.obj"));
    RunResult r = d.link({"a.obj", "clang.obj"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(writer_messages(r.err), "");
    CodeView cv = nb09::read_codeview(d.read("a.exe"));
    ASSERT_TRUE(cv.found);
    EXPECT_TRUE(cv.problems.empty()) << nb09::describe_problems(cv);
    ASSERT_EQ(cv.modules.size(), 3u);
    EXPECT_EQ(cv.modules.at(3).name, "clang.obj");

    // A linker-made block of public and data records, nothing of clang's.
    const SymbolBlock& b = cv.symbols.at(3);
    EXPECT_EQ(b.first_procedure, 16u);
    std::vector<std::string> names;
    for (const SymbolRecord& rec : b.records) {
        EXPECT_TRUE(rec.kind == cv4::kPublic || rec.kind == cv4::kGlobalData || rec.kind == cv4::kAlign)
            << std::hex << rec.kind;
        if (rec.kind != cv4::kAlign)
            names.push_back(record_name(rec));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"_lookup", "_shared"}));
    // No type record of clang's: the global types are exactly a's.
    ASSERT_TRUE(cv.types);
    ASSERT_EQ(cv.types->records.size(), in.a_types.records().size());
    for (std::size_t i = 0; i < cv.types->records.size(); ++i)
        EXPECT_EQ(cv.types->records[i].bytes, in.a_types.records()[i]);
    // Only a's globals are indexed.
    ASSERT_TRUE(cv.publics);
    EXPECT_EQ(cv.publics->records.size(), 2u);
}

// ---- the reader itself ---------------------------------------------------------

TEST(CodeView, ReaderReportsDamagedBlocksWithoutCrashing)
{
    LinkDir d;
    Linked l;
    ASSERT_TRUE(link_scenario(d, l));
    // A directory offset beyond the block.
    std::vector<std::uint8_t> image = l.image;
    image[l.cv.position + 4] = 0xFF;
    image[l.cv.position + 7] = 0x7F;
    EXPECT_FALSE(nb09::read_codeview(image).problems.empty());
    // A trailer that claims more than the file.
    image = l.image;
    image[image.size() - 1] = 0x7F;
    EXPECT_FALSE(nb09::read_codeview(image).problems.empty());
    // Every byte of the block in turn set to 0xFF: the reader must survive,
    // and damage to the header, the directory's sizes or the trailer must be
    // noticed.
    for (std::size_t i = l.cv.position; i < l.image.size(); ++i) {
        if (l.image[i] == 0xFF)
            continue;
        image = l.image;
        image[i] = 0xFF;
        CodeView damaged = nb09::read_codeview(image);
        std::size_t in_block = i - l.cv.position;
        bool framing = in_block < 8 || i >= l.image.size() - 8 ||
                       (in_block >= l.cv.directory_offset && in_block < l.cv.directory_offset + 8);
        if (framing) {
            EXPECT_FALSE(damaged.problems.empty()) << "damage at block offset 0x" << std::hex << in_block;
        }
    }
}

}  // namespace

}  // namespace vyn::lnk::test
