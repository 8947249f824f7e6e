// The debug information reader on images linked by vynlnk: objects whose
// procedures, locals, data, types and lines are known (built with the
// CodeView 4 record builder, and compiled by vyn -g2), every table checked
// against what the objects say and against the linker tests' independent
// NB09 reader; the look-ups; the header checks' messages; and damaged
// images at each table refused without a fault.
#include "ide/debugger/dbginfo.h"

#include "common/byte_reader.h"
#include "common/coff_format.h"
#include "linker/tests/cv4_records.h"
#include "linker/tests/link_harness.h"
#include "linker/tests/nb09_reader.h"
#include "testing/coff/coff_builder.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace {

using namespace vyn::dbg;
namespace cv4 = vyn::lnk::test::cv4;
namespace nb09 = vyn::lnk::test::nb09;
namespace coff = vyn::testing::coff;
using vyn::lnk::test::LinkDir;
using vyn::testing::AuxEntry;
using vyn::testing::CoffBuilder;

constexpr std::uint32_t kImageBase = 0x400000;

AuxEntry aux_u32_u16(std::uint32_t at0, std::uint16_t at4)
{
    AuxEntry a{};
    for (int i = 0; i < 4; ++i)
        a[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(at0 >> (8 * i));
    a[4] = static_cast<std::uint8_t>(at4);
    a[5] = static_cast<std::uint8_t>(at4 >> 8);
    return a;
}

struct Function {
    std::string name;
    std::uint32_t offset, size;
    std::uint16_t first_line;
    std::vector<std::pair<std::uint32_t, std::uint16_t>> lines;  // offset in function, relative line
    std::uint8_t storage_class = coff::kExternal;
};

std::uint32_t add_function(CoffBuilder& b, int text, const Function& f)
{
    std::uint32_t index = b.symbol_count();
    b.add_symbol(f.name, f.offset, static_cast<std::int16_t>(text), f.storage_class, 0x20, {aux_u32_u16(index + 2, 0)});
    b.add_symbol(".bf", f.offset, static_cast<std::int16_t>(text), coff::kFunction, 0, {aux_u32_u16(0, f.first_line)});
    b.add_symbol(".lf", static_cast<std::uint32_t>(f.lines.size()), static_cast<std::int16_t>(text), coff::kFunction);
    b.add_symbol(".ef", f.offset + f.size, static_cast<std::int16_t>(text), coff::kFunction);
    b.add_line(text, index, 0);
    for (const auto& [offset, line] : f.lines)
        b.add_line(text, f.offset + offset, line);
    return index;
}

// A record as it stands: length, kind, body padded to a multiple of 4.
std::vector<std::uint8_t> record(std::uint16_t kind, std::vector<std::uint8_t> body)
{
    while ((body.size() + 4) % 4 != 0)
        body.push_back(0);
    std::uint16_t length = static_cast<std::uint16_t>(body.size() + 2);
    std::vector<std::uint8_t> r(4 + body.size());
    r[0] = static_cast<std::uint8_t>(length);
    r[1] = static_cast<std::uint8_t>(length >> 8);
    r[2] = static_cast<std::uint8_t>(kind);
    r[3] = static_cast<std::uint8_t>(kind >> 8);
    std::copy(body.begin(), body.end(), r.begin() + 4);
    return r;
}

void put_name(std::vector<std::uint8_t>& b, const std::string& name)
{
    b.push_back(static_cast<std::uint8_t>(name.size()));
    b.insert(b.end(), name.begin(), name.end());
}

// A nested block: parent, end, length, offset, segment, name.
std::vector<std::uint8_t> block_record()
{
    std::vector<std::uint8_t> b(18, 0);
    b[8] = 4;  // length
    put_name(b, "");
    return record(vyn::coff::codeview::cv4_symbol::kBlock, b);
}

// A string constant: type, the variable-string leaf, its text, the name.
std::vector<std::uint8_t> string_constant(const std::string& name, const std::string& text)
{
    std::vector<std::uint8_t> b = {0x70, 0x00, 0x10, 0x80, static_cast<std::uint8_t>(text.size()), 0};
    b.insert(b.end(), text.begin(), text.end());
    put_name(b, name);
    return record(vyn::coff::codeview::cv4_symbol::kConstant, b);
}

/* a.obj from "a.c": global main (frame locals s and arg, register local i)
   and static helper, whose static "calls" and nested block (with the local
   "inner") stand between its argument and its last local "late"; a global,
   a static, a string constant and the structure "span". */
struct Scenario {
    LinkDir dir;
    std::vector<Function> functions;
    cv4::TypeRecords types;
    std::uint16_t span = 0, span_pointer = 0;
    std::vector<std::uint8_t> image;
    nb09::CodeView cv;
};

// Records appended behind the scenario's own, given the COFF symbol of "counter".
using MoreRecords = std::function<void(cv4::SymbolRecords&, std::uint32_t counter)>;

void build(Scenario& s, const std::vector<std::string>& extra_link = {}, const MoreRecords& more = {})
{
    CoffBuilder b;
    cv4::TypeRecords& t = s.types;
    std::uint16_t fields = t.field_list({{cv4::kInt, 0, "pos"}, {cv4::kInt, 4, "len"}});
    s.span = t.structure(2, fields, 8, "span");
    s.span_pointer = t.pointer(s.span);
    std::uint16_t arguments = t.argument_list({s.span_pointer});
    std::uint16_t procedure = t.procedure(cv4::kInt, 1, arguments);

    b.file_symbol("a.c");
    std::vector<std::uint8_t> code(0x40, 0x90);
    code[0x1F] = 0xC3;
    code[0x3F] = 0xC3;
    int text = b.add_section(".text", code, coff::kCode);
    int data = b.add_section(".data", std::vector<std::uint8_t>(16, 0), coff::kData);
    s.functions = {{"_main", 0, 0x20, 10, {{3, 1}, {8, 2}, {8, 3}, {0x10, 5}}},
                   {"_helper", 0x20, 0x20, 30, {{3, 1}, {9, 3}}, coff::kStatic}};
    std::uint32_t main = add_function(b, text, s.functions[0]);
    std::uint32_t helper = add_function(b, text, s.functions[1]);
    std::uint32_t counter = b.define("_counter", data, 0);
    std::uint32_t calls = b.add_symbol("_calls", 8, static_cast<std::int16_t>(data), coff::kStatic);

    cv4::SymbolRecords r;
    r.procedure(cv4::kGlobalProcedure, {"main", main, 0x20, 3, 0x1C, procedure});
    r.frame_relative(-4, s.span_pointer, "s");
    r.frame_relative(8, s.span_pointer, "arg");
    r.register_variable(cv4::kInt, 17, "i");
    r.end();
    r.procedure(cv4::kLocalProcedure, {"helper", helper, 0x20, 1, 0x1E, procedure});
    r.frame_relative(8, s.span_pointer, "arg");
    r.data(cv4::kLocalData, "calls", calls, cv4::kInt);
    r.raw(block_record());
    r.frame_relative(-8, cv4::kInt, "inner");
    r.end();
    r.register_variable(cv4::kInt, 19, "late");
    r.end();
    r.data(cv4::kGlobalData, "counter", counter, s.span);
    r.raw(string_constant("GREETING", "42 apples"));
    if (more)
        more(r, counter);
    r.add_to(b);
    t.add_to(b);
    ASSERT_TRUE(b.write(s.dir.file("a.obj")));
    std::vector<std::string> args = {"-o", "a.exe", "a.obj", vyn::lnk::test::mingw_lib("kernel32")};
    args.insert(args.end(), extra_link.begin(), extra_link.end());
    auto result = s.dir.link(args);
    ASSERT_EQ(result.exit_code, 0) << result.err << result.out;
    s.image = s.dir.read("a.exe");
    s.cv = nb09::read_codeview(s.image);
    ASSERT_TRUE(s.cv.found);
}

struct Loaded {
    DebugInfo info;
    std::vector<std::string> messages;
    bool ok = false;
};

void load(Loaded& l, const std::vector<std::uint8_t>& image, bool attaching = false)
{
    l.ok = l.info.load_executable(image, "a.exe", kImageBase,
                                  [&l](const std::string& m) { l.messages.push_back(m); }, attaching);
}

int module_named(const DebugInfo& d, const std::string& name)
{
    for (int i = 1; i <= d.module_count(); ++i)
        if (d.modules[static_cast<std::size_t>(i)].name == name)
            return i;
    return 0;
}

const FunctionRecord* function_named(const ModuleEntry& m, const std::string& name)
{
    for (const FunctionRecord& f : m.functions)
        if (f.name == name)
            return &f;
    return nullptr;
}

TEST(Reader, ModulesLinesAndFunctionsAreThoseTheLinkerWrote)
{
    Scenario s;
    build(s);
    Loaded l;
    load(l, s.image);
    ASSERT_TRUE(l.ok) << (l.messages.empty() ? "" : l.messages[0]);
    const DebugInfo& d = l.info;
    EXPECT_EQ(d.image_base, kImageBase);
    EXPECT_TRUE(d.has_codeview);
    EXPECT_TRUE(d.console);
    ASSERT_EQ(d.module_count(), static_cast<int>(s.cv.modules.size()));
    int a = module_named(d, "a.obj");
    ASSERT_NE(a, 0);
    const ModuleEntry& m = d.modules[static_cast<std::size_t>(a)];
    // The module subsection's segment and the source-module subsection's lines.
    const nb09::ModuleSubsection& ms = s.cv.modules.at(static_cast<std::uint16_t>(a));
    EXPECT_EQ(m.index, a);
    EXPECT_EQ(m.code_start, kImageBase + 0x1000 + ms.segments.at(0).offset);
    EXPECT_EQ(m.code_size, ms.segments.at(0).size);
    EXPECT_EQ(m.code_end, m.code_start + m.code_size);
    EXPECT_EQ(m.source_file, "a.c");
    const nb09::LineBlock& lines = s.cv.source_modules.at(static_cast<std::uint16_t>(a)).files.at(0).blocks.at(0);
    ASSERT_EQ(m.line_numbers.size(), lines.lines.size());
    for (std::size_t k = 0; k < lines.lines.size(); ++k) {
        EXPECT_EQ(m.line_numbers[k], lines.lines[k]);
        EXPECT_EQ(m.line_addresses[k], kImageBase + 0x1000 + lines.offsets[k]);
    }
    // Lines from the objects: main at 10 with 11, 12, 13 (12 and 13 at one address) and 15; helper at 30, 31, 33.
    std::vector<std::uint16_t> expected = {10, 11, 12, 13, 15, 30, 31, 33};
    EXPECT_EQ(m.line_numbers, expected);

    ASSERT_EQ(m.functions.size(), 2u);
    const FunctionRecord& main = m.functions[0];
    EXPECT_EQ(main.name, "main");
    EXPECT_EQ(main.kind, vyn::coff::codeview::cv4_symbol::kGlobalProcedure);
    EXPECT_EQ(main.start, m.code_start);
    EXPECT_EQ(main.body_start, main.start + 3);
    EXPECT_EQ(main.body_end, main.start + 0x1C);
    EXPECT_EQ(main.end, main.start + 0x20);
    ASSERT_EQ(main.locals.size(), 3u);
    EXPECT_EQ(main.locals[0].name, "s");
    EXPECT_EQ(main.locals[0].location, -4);
    EXPECT_EQ(main.locals[0].type, s.span_pointer);  // one module: its type indices are the global ones
    EXPECT_EQ(main.locals[0].flags, 0);
    EXPECT_EQ(main.locals[1].name, "arg");
    EXPECT_EQ(main.locals[1].location, 8);
    EXPECT_EQ(main.locals[2].name, "i");
    EXPECT_EQ(main.locals[2].location, 17);
    EXPECT_EQ(main.locals[2].flags, kRegisterLocal);
    EXPECT_EQ(main.locals[2].type, 0x74);
}

/* The linker ends a procedure at the first record behind it that is not a
   register or frame-relative local, here helper's static; the locals behind
   it, inside and after the nested block, are still helper's. */
TEST(Reader, LocalsBehindAStaticAndInsideNestedBlocksBelongToTheProcedure)
{
    Scenario s;
    build(s);
    Loaded l;
    load(l, s.image);
    ASSERT_TRUE(l.ok);
    const ModuleEntry& m = l.info.modules[static_cast<std::size_t>(module_named(l.info, "a.obj"))];
    const FunctionRecord* helper = function_named(m, "helper");
    ASSERT_NE(helper, nullptr);
    EXPECT_EQ(helper->kind, vyn::coff::codeview::cv4_symbol::kLocalProcedure);
    ASSERT_EQ(helper->locals.size(), 3u);
    EXPECT_EQ(helper->locals[0].name, "arg");
    EXPECT_EQ(helper->locals[1].name, "inner");
    EXPECT_EQ(helper->locals[1].location, -8);
    EXPECT_EQ(helper->locals[2].name, "late");
    EXPECT_EQ(helper->locals[2].flags, kRegisterLocal);
    EXPECT_EQ(helper->locals[2].location, 19);
    // The static is the module's, not a local.
    EXPECT_NE(m.statics.find("calls"), nullptr);
}

TEST(Reader, SymbolsTypesAndImports)
{
    Scenario s;
    build(s);
    Loaded l;
    load(l, s.image);
    ASSERT_TRUE(l.ok);
    const DebugInfo& d = l.info;
    int a = module_named(d, "a.obj");
    const ModuleEntry& m = d.modules[static_cast<std::size_t>(a)];
    // Data addresses from the independent reader's records and sections.
    std::map<std::string, std::uint32_t> expected;
    for (const nb09::SymbolRecord& r : s.cv.symbols.at(static_cast<std::uint16_t>(a)).records)
        if (auto f = r.kind == 0x201 || r.kind == 0x202 ? nb09::data_fields(r) : std::nullopt)
            expected[f->name] = kImageBase + s.cv.sections.at(f->segment - 1u).rva + f->offset;
    const SymbolEntry* calls = d.find_symbol("calls", a);
    ASSERT_NE(calls, nullptr);
    EXPECT_EQ(calls->kind, 0x201);
    EXPECT_EQ(calls->value, expected.at("calls"));
    EXPECT_EQ(calls->type, 0x74);
    EXPECT_EQ(d.find_symbol("calls", 0), nullptr);  // a static is seen from its module only
    const SymbolEntry* counter = d.find_symbol("counter", a);
    ASSERT_NE(counter, nullptr);
    EXPECT_EQ(counter->kind, 0x202);
    EXPECT_EQ(counter->value, expected.at("counter"));
    EXPECT_EQ(counter->type, s.span);
    EXPECT_EQ(d.find_symbol("COUNTER", a), nullptr);  // same bucket, different name
    const SymbolEntry* main = d.globals.find("main");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->type, 0x205);
    EXPECT_EQ(main->function, &m.functions[0]);
    EXPECT_EQ(main->value, m.functions[0].start);
    const SymbolEntry* greeting = d.find_constant("GREETING", a);
    ASSERT_NE(greeting, nullptr);
    EXPECT_EQ(greeting->text, "42 apples");
    EXPECT_EQ(greeting->type, 3);
    // Types: each record as the independent reader sees it.
    ASSERT_TRUE(s.cv.types.has_value());
    ASSERT_EQ(d.types.offsets.size(), s.cv.types->records.size());
    for (std::size_t k = 0; k < d.types.offsets.size(); ++k) {
        auto record = d.type_record(static_cast<std::uint16_t>(0x1000 + k));
        EXPECT_EQ(std::vector<std::uint8_t>(record.begin(), record.end()), s.cv.types->records[k].bytes);
    }
    EXPECT_TRUE(d.type_record(static_cast<std::uint16_t>(0x1000 + d.types.offsets.size())).empty());
    EXPECT_TRUE(d.type_record(0x74).empty());
    // Imports from the import descriptors.
    ASSERT_EQ(d.imports.size(), 1u);
    EXPECT_EQ(d.imports[0].function, "ExitProcess");
    EXPECT_EQ(d.imports[0].dll, "KERNEL32.dll");
}

TEST(Reader, AddressToLineAndLineToAddresses)
{
    Scenario s;
    build(s);
    Loaded l;
    load(l, s.image);
    ASSERT_TRUE(l.ok);
    const DebugInfo& d = l.info;
    int a = module_named(d, "a.obj");
    const ModuleEntry& m = d.modules[static_cast<std::size_t>(a)];
    for (std::size_t k = 0; k < m.line_addresses.size(); ++k) {
        std::uint32_t at = m.line_addresses[k];
        // The first of the entries at one address.
        std::size_t first = k;
        while (first > 0 && m.line_addresses[first - 1] == at)
            --first;
        EXPECT_EQ(d.line_of_address(at), m.line_numbers[first]) << std::hex << at;
        // Every byte up to the next entry is that line's.
        std::uint32_t next = k + 1 < m.line_addresses.size() ? m.line_addresses[k + 1] : at + 1;
        if (next > at + 1) {
            EXPECT_EQ(d.line_of_address(next - 1), m.line_numbers[first]) << std::hex << next - 1;
        }
        EXPECT_EQ(d.module_of_address(at), a);
    }
    EXPECT_EQ(d.line_of_address(m.code_start + 4), 11);  // between the entries of 11 and 12
    EXPECT_EQ(d.line_of_address(kImageBase), 0);
    // A line with code, and a line without (14): the nearest following one.
    auto twelve = d.addresses_of_line(a, 12);
    EXPECT_EQ(twelve.line, 12);
    EXPECT_EQ(twelve.addresses, std::vector<std::uint32_t>{m.code_start + 8});
    auto fourteen = d.addresses_of_line(a, 14);
    EXPECT_EQ(fourteen.line, 15);
    EXPECT_EQ(fourteen.addresses, std::vector<std::uint32_t>{m.code_start + 0x10});
    EXPECT_TRUE(d.addresses_of_line(a, 34).addresses.empty());
    // Functions and their lines.
    const FunctionRecord* helper = d.function_of_address(m.code_start + 0x25);
    ASSERT_NE(helper, nullptr);
    EXPECT_EQ(helper->name, "helper");
    EXPECT_EQ(d.name_of_address(m.code_start + 0x3F), "helper");
    EXPECT_EQ(d.function_of_address(m.code_start + 0x40), nullptr);
    auto [first, count] = d.function_lines(a, *helper);
    EXPECT_EQ(m.line_numbers[first], 30);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(d.module_of_source("C:\\work\\A.C"), a);
    EXPECT_EQ(d.module_of_source("b.c"), 0);
}

TEST(Reader, EntryFunctionAndImportResolutionThroughMemory)
{
    Scenario s;
    build(s);
    Loaded l;
    load(l, s.image);
    ASSERT_TRUE(l.ok);
    DebugInfo& d = l.info;
    int a = module_named(d, "a.obj");
    EXPECT_EQ(d.find_entry_function([](const std::string&) {}), a);
    EXPECT_EQ(d.entry_address, d.modules[static_cast<std::size_t>(a)].functions[0].start);

    // The stub: the COFF symbol of the import's thunk; a memory image holds
    // its jump through the slot and the slot's resolved address.
    auto stub = d.coff_symbol_address("_ExitProcess@4");
    ASSERT_TRUE(stub.has_value());
    struct Memory : MemoryReader {
        std::map<std::uint32_t, std::uint8_t> bytes;
        void put32(std::uint32_t at, std::uint32_t v)
        {
            for (int i = 0; i < 4; ++i)
                bytes[at + static_cast<std::uint32_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
        }
        bool read(std::uint32_t address, std::span<std::uint8_t> out) override
        {
            for (std::size_t i = 0; i < out.size(); ++i) {
                auto it = bytes.find(address + static_cast<std::uint32_t>(i));
                if (it == bytes.end())
                    return false;
                out[i] = it->second;
            }
            return true;
        }
    } memory;
    memory.put32(*stub + 2, 0x405000);
    memory.put32(0x405000, 0x7C801234);
    std::vector<std::string> messages;
    ASSERT_TRUE(d.resolve_imports(memory, [&](const std::string& m) { messages.push_back(m); }));
    EXPECT_EQ(d.imports[0].stub, *stub);
    EXPECT_EQ(d.imports[0].target, 0x7C801234u);
    EXPECT_EQ(d.import_of_target(0x7C801234)->function, "ExitProcess");
    EXPECT_EQ(d.name_of_address(*stub), "ExitProcess");

    // Reads that fail leave what they would have resolved unresolved: without
    // the slot the target, without the stub's operand both.
    Loaded again;
    load(again, s.image);
    memory.bytes.erase(0x405000);
    ASSERT_TRUE(again.info.resolve_imports(memory, [](const std::string&) {}));
    EXPECT_EQ(again.info.imports[0].stub, *stub);
    EXPECT_EQ(again.info.imports[0].target, 0u);
    Loaded none;
    load(none, s.image);
    memory.bytes.clear();
    ASSERT_TRUE(none.info.resolve_imports(memory, [](const std::string&) {}));
    EXPECT_EQ(none.info.imports[0].stub, 0u);
    EXPECT_EQ(none.info.imports[0].target, 0u);
    EXPECT_EQ(none.info.name_of_address(*stub), "");
    // Code without CodeView: the COFF symbol at or before it.
    auto startup = d.coff_function(kImageBase + 0x1000 + 2);
    ASSERT_TRUE(startup.has_value());
    EXPECT_EQ(startup->name, "_mainCRTStartup");
    EXPECT_GT(startup->end, startup->start);
}

/* Outside a procedure, records the reader does not take are passed over when
   at most 500 bytes long; a longer one ends the walk of its subsection, except
   a frame-relative record, which is passed over at any length. */
TEST(Reader, LongUnknownRecordsEndTheWalkButLongFrameRecordsDoNot)
{
    auto padded = [](std::uint16_t kind, std::size_t body) {
        return record(kind, std::vector<std::uint8_t>(body, 0));
    };
    Scenario s;
    build(s, {}, [&](cv4::SymbolRecords& r, std::uint32_t counter) {
        r.raw(padded(0x1234, 400));                     // unknown, short: passed over
        r.raw(padded(cv4::kFrameRelative, 600));        // frame-relative outside a procedure: passed over
        r.data(cv4::kGlobalData, "reached", counter, cv4::kInt);
        r.raw(padded(0x1234, 600));                     // unknown, long: the walk ends
        r.data(cv4::kGlobalData, "lost", counter, cv4::kInt);
    });
    Loaded l;
    load(l, s.image);
    ASSERT_TRUE(l.ok) << (l.messages.empty() ? "" : l.messages[0]);
    EXPECT_NE(l.info.find_symbol("counter", 0), nullptr);
    EXPECT_NE(l.info.find_symbol("reached", 0), nullptr);
    EXPECT_EQ(l.info.find_symbol("lost", 0), nullptr);
}

// ---- header checks and damaged images -------------------------------------

std::uint32_t u32_at(const std::vector<std::uint8_t>& b, std::size_t at)
{
    std::uint32_t v = 0;
    vyn::read_u32_at(b, at, v);
    return v;
}

void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.at(at + static_cast<std::size_t>(i)) = static_cast<std::uint8_t>(v >> (8 * i));
}

TEST(ReaderMessages, EachHeaderCheckTellsItsMessage)
{
    Scenario s;
    build(s);
    {
        std::vector<std::uint8_t> image = s.image;
        image[0] = 'X';
        Loaded l;
        load(l, image);
        EXPECT_FALSE(l.ok);
        EXPECT_EQ(l.messages, std::vector<std::string>{"Unrecognized file format"});
    }
    {
        // No COFF symbol table: its count cleared in the file header.
        std::vector<std::uint8_t> image = s.image;
        std::size_t header = u32_at(image, 0x3C) + 4;
        put32(image, header + vyn::coff::file_header::kSymbolCount, 0);
        Loaded l;
        load(l, image);
        EXPECT_FALSE(l.ok);
        EXPECT_EQ(l.messages, std::vector<std::string>{"No debugging information in a.exe"});
        Loaded attach;
        load(attach, image, true);
        EXPECT_EQ(attach.messages, std::vector<std::string>{"Impossible to attach\nNo debug information in executable"});
    }
    for (std::uint16_t index : {0, 0xFFFF}) {
        // The first source-module subsection naming module 0, or -1.
        std::vector<std::uint8_t> image = s.image;
        std::size_t at = s.cv.position + s.cv.directory_offset + s.cv.directory_header_size;
        for (std::size_t k = 0; k < s.cv.directory.size(); ++k)
            if (s.cv.directory[k].type == nb09::kSourceModule) {
                image[at + k * 12 + 2] = static_cast<std::uint8_t>(index);
                image[at + k * 12 + 3] = static_cast<std::uint8_t>(index >> 8);
                break;
            }
        Loaded l;
        load(l, image);
        std::string expected = "Incorrect module index " + std::to_string(static_cast<std::int16_t>(index));
        EXPECT_NE(std::find(l.messages.begin(), l.messages.end(), expected), l.messages.end()) << expected;
    }
    {
        Loaded l;
        load(l, s.image);
        std::vector<std::uint8_t> image = s.image;
        put32(image, l.info.string_table_pos, 0x7FFFFFFF);
        Loaded damaged;
        load(damaged, image);
        struct NoMemory : MemoryReader {
            bool read(std::uint32_t, std::span<std::uint8_t>) override { return false; }
        } none;
        std::vector<std::string> messages;
        EXPECT_FALSE(damaged.info.resolve_imports(none, [&](const std::string& m) { messages.push_back(m); }));
        EXPECT_EQ(messages, std::vector<std::string>{"Incorrect length of string table"});
    }
}

TEST(ReaderMessages, NoEntryFunctionIsReported)
{
    Scenario s;
    build(s);
    Loaded l;
    load(l, s.image);
    ASSERT_TRUE(l.ok);
    // Without main in the tables: the entry function cannot be found.
    DebugInfo empty;
    std::vector<std::string> messages;
    EXPECT_EQ(empty.find_entry_function([&](const std::string& m) { messages.push_back(m); }), 0);
    EXPECT_EQ(messages, std::vector<std::string>{"Impossible to find the entry point"});
    // With main found but no module holding it nor the entry point.
    for (ModuleEntry& m : l.info.modules)
        m.code_end = m.code_start;
    messages.clear();
    EXPECT_EQ(l.info.find_entry_function([&](const std::string& m) { messages.push_back(m); }), 0);
    EXPECT_EQ(messages, std::vector<std::string>{"Impossible to find the entry point (_mainCRTStartup)"});
}

/* Every cut of the image, and lies in each table's counts and offsets: the
   load never reads outside the bytes (the sanitizer build checks that), and
   an image whose CodeView block is cut or lies is refused with a message. */
TEST(ReaderMessages, TruncatedAndLyingImagesAreRefusedCleanly)
{
    Scenario s;
    build(s);
    const std::uint32_t block_end = s.cv.position + s.cv.size;
    for (std::size_t cut = 0; cut < s.image.size(); cut += (cut < s.cv.position ? 61 : 7)) {
        std::vector<std::uint8_t> image(s.image.begin(), s.image.begin() + static_cast<std::ptrdiff_t>(cut));
        Loaded l;
        load(l, image);
        if (cut < block_end - 8) {  // the trailer is not read
            EXPECT_FALSE(l.ok) << "cut at " << cut;
        }
        if (!l.ok) {
            EXPECT_FALSE(l.messages.empty()) << "cut at " << cut;
        }
    }
    // Each directory entry's offset and size made to lie.
    std::size_t dir = s.cv.position + s.cv.directory_offset + s.cv.directory_header_size;
    for (std::size_t k = 0; k < s.cv.directory.size(); ++k)
        for (std::size_t field : {4u, 8u}) {
            std::vector<std::uint8_t> image = s.image;
            put32(image, dir + k * 12 + field, 0xFFFFFF00);
            Loaded l;
            load(l, image);
            EXPECT_FALSE(l.ok) << "entry " << k << " field " << field;
            ASSERT_FALSE(l.messages.empty());
            EXPECT_EQ(l.messages[0].rfind("Damaged debug information in a.exe", 0), 0u) << l.messages[0];
        }
    // Counts inside subsections: the line pairs, the type count, the directory count.
    auto patch_and_load = [&](std::size_t at, std::uint32_t value, bool sixteen) {
        std::vector<std::uint8_t> image = s.image;
        if (sixteen) {
            image.at(at) = static_cast<std::uint8_t>(value);
            image.at(at + 1) = static_cast<std::uint8_t>(value >> 8);
        } else {
            put32(image, at, value);
        }
        Loaded l;
        load(l, image);
        return l;
    };
    for (const nb09::DirectoryEntry& e : s.cv.directory) {
        std::size_t sub = s.cv.position + e.offset;
        if (e.type == nb09::kSourceModule) {
            std::uint32_t block = s.cv.source_modules.at(e.module).files.at(0).line_block_offsets.at(0);
            Loaded l = patch_and_load(sub + block + 2, 0xFFFF, true);
            EXPECT_FALSE(l.ok);
            Loaded far = patch_and_load(sub + 4, 0xFFFFFFF0, false);  // the file entry's offset
            EXPECT_TRUE(far.info.modules[e.module].source_file.empty());
        }
        if (e.type == nb09::kGlobalTypes) {
            Loaded l = patch_and_load(sub + 4, 0x40000000, false);
            EXPECT_FALSE(l.ok);
            // An offset past the records names nothing.
            Loaded bad = patch_and_load(sub + 8, 0xFFFFFF00, false);
            EXPECT_TRUE(bad.info.type_record(0x1000).empty());
        }
        if (e.type == nb09::kGlobalSymbols) {
            Loaded l = patch_and_load(sub + 4, 0xFFFFFF00, false);
            EXPECT_FALSE(l.ok);
        }
    }
    Loaded count = patch_and_load(s.cv.position + s.cv.directory_offset + 4, 0x10000000, false);
    EXPECT_FALSE(count.ok);
    // The debug directory pointing far outside the file.
    Loaded probe;
    load(probe, s.image);
    std::size_t opt = u32_at(s.image, 0x3C) + 4 + vyn::coff::kFileHeaderSize;
    std::size_t debug_dir = opt + vyn::coff::optional_header32::kDirectories + 6 * 8;
    Loaded size = patch_and_load(debug_dir + 4, 0xFFFFFFF0, false);
    EXPECT_FALSE(size.ok);
}

}  // namespace
