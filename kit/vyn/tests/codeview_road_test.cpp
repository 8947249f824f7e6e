// The road from C source to NB09: two modules compiled by vyn -g2 (one of
// them optimised, for register locals), linked by vynlnk, read back by the
// linker tests' independent NB09 reader. The oracles are llvm-readobj's
// reading of clang's own C13 object (frame offsets and registers of the
// locals) and llvm-objdump's line numbers of the same code compiled with
// DWARF line tables.
#include "kit/vyn/tests/vyn_test_support.h"

#include "linker/tests/nb09_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace {

using namespace vyn::cc::test;
namespace nb09 = vyn::lnk::test::nb09;
using vyn::lnk::test::LinkDir;
using vyn::lnk::test::RunResult;

constexpr std::uint16_t kRegister = 2, kFrameRelative = 0x200, kLocalData = 0x201, kGlobalData = 0x202,
                        kLocalProcedure = 0x204, kGlobalProcedure = 0x205, kEnd = 6;
constexpr std::uint16_t kPointer = 2, kArray = 3, kStructure = 5, kUnion = 6, kEnum = 7, kFieldList = 0x204,
                        kMember = 0x406, kEnumerate = 0x403;
constexpr std::uint16_t kShort = 0x11, kInt = 0x74;

// ---- an independent decoder of the CodeView 4 type records -------------

std::uint16_t u16(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return at + 2 <= b.size() ? static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8)) : 0;
}

// A numeric leaf's value and size.
std::pair<std::int64_t, std::size_t> numeric(const std::vector<std::uint8_t>& b, std::size_t at)
{
    std::uint16_t v = u16(b, at);
    if (v < 0x8000)
        return {v, 2};
    if (v == 0x8000)
        return {static_cast<std::int8_t>(b.at(at + 2)), 3};
    if (v == 0x8001 || v == 0x8002)
        return {v == 0x8001 ? static_cast<std::int16_t>(u16(b, at + 2)) : u16(b, at + 2), 4};
    std::uint32_t w = u16(b, at + 2) | (std::uint32_t(u16(b, at + 4)) << 16);
    return {v == 0x8003 ? std::int64_t(std::int32_t(w)) : std::int64_t(w), 6};
}

std::string pascal(const std::vector<std::uint8_t>& b, std::size_t at)
{
    if (at >= b.size() || at + 1 + b[at] > b.size())
        return "<bad name>";
    return std::string(b.begin() + std::ptrdiff_t(at) + 1, b.begin() + std::ptrdiff_t(at) + 1 + b[at]);
}

struct Field {
    std::string name;
    std::uint16_t type = 0;
    std::int64_t value = 0;  // offset of a member, value of an enumerate
};

std::vector<Field> fields(const nb09::CodeView& cv, std::uint16_t list)
{
    std::vector<Field> out;
    const nb09::TypeRecord* t = cv.type_record(list);
    if (!t || t->leaf() != kFieldList)
        return out;
    const auto& b = t->bytes;
    std::size_t pos = 4;
    while (pos + 2 <= b.size()) {
        if (b[pos] >= 0xF0) {
            pos += b[pos] & 0x0F;
            continue;
        }
        std::uint16_t leaf = u16(b, pos);
        Field f;
        if (leaf == kMember) {
            f.type = u16(b, pos + 2);
            auto [value, size] = numeric(b, pos + 6);
            f.value = value;
            f.name = pascal(b, pos + 6 + size);
            pos += 6 + size + 1 + f.name.size();
        } else if (leaf == kEnumerate) {
            auto [value, size] = numeric(b, pos + 4);
            f.value = value;
            f.name = pascal(b, pos + 4 + size);
            pos += 4 + size + 1 + f.name.size();
        } else {
            ADD_FAILURE() << "unexpected field leaf " << leaf;
            break;
        }
        out.push_back(f);
    }
    return out;
}

// A readable description of a type, deep enough to compare shapes:
// "int", "struct point{x:int@0,y:int@4}", "ptr(struct shape)", "array(short,6)".
std::string describe(const nb09::CodeView& cv, std::uint16_t index, int depth = 2)
{
    if (index == kInt)
        return "int";
    if (index == kShort)
        return "short";
    if (index < 0x1000)
        return "prim" + std::to_string(index);
    const nb09::TypeRecord* t = cv.type_record(index);
    if (!t)
        return "<missing " + std::to_string(index) + ">";
    const auto& b = t->bytes;
    auto members = [&](std::uint16_t list) {
        std::string s = "{";
        for (const Field& f : fields(cv, list))
            s += f.name + ":" + (depth > 0 ? describe(cv, f.type, depth - 1) : "") + "@" + std::to_string(f.value) +
                 ",";
        return s + "}";
    };
    switch (t->leaf()) {
    case 1:  // modifier: attribute (bit 0 const), type
        return std::string(u16(b, 4) & 1 ? "const " : "") + describe(cv, u16(b, 6), depth);
    case kPointer:
        return "ptr(" + describe(cv, u16(b, 6), 0) + ")";
    case kArray:
        return "array(" + describe(cv, u16(b, 4), depth) + "," + std::to_string(numeric(b, 8).first) + ")";
    case kStructure: {
        std::string name = pascal(b, 14 + numeric(b, 14).second);
        return "struct " + name + (depth > 0 ? members(u16(b, 6)) : "");
    }
    case kUnion: {
        std::string name = pascal(b, 10 + numeric(b, 10).second);
        return "union " + name + (depth > 0 ? members(u16(b, 6)) : "");
    }
    case kEnum: {
        std::string s = "enum " + pascal(b, 12);
        if (depth > 0) {
            s += "{";
            for (const Field& f : fields(cv, u16(b, 8)))
                s += f.name + "=" + std::to_string(f.value) + ",";
            s += "}";
        }
        return s;
    }
    default:
        return "leaf" + std::to_string(t->leaf());
    }
}

// ---- the procedures and locals of a module -----------------------------

struct Local {
    std::uint16_t kind = 0;
    std::int32_t frame_offset = 0;
    std::uint16_t reg = 0;
    std::uint16_t type = 0;
};

struct Procedure {
    std::uint16_t kind = 0;
    std::uint16_t type = 0, segment = 0;
    std::uint32_t offset = 0, length = 0, debug_start = 0, debug_end = 0;
    std::map<std::string, Local> locals;
};

struct Module {
    std::uint16_t number = 0;
    std::map<std::string, Procedure> procedures;
    std::map<std::string, nb09::DataFields> data;
    std::map<std::string, std::uint16_t> data_kind;
};

std::string body_name(const std::vector<std::uint8_t>& body, std::size_t at)
{
    return pascal(body, at);
}

Module read_module(const nb09::CodeView& cv, const std::string& object)
{
    Module m;
    for (const auto& [number, module] : cv.modules)
        if (module.name.ends_with(object))
            m.number = number;
    EXPECT_NE(m.number, 0) << object;
    auto block = cv.symbols.find(m.number);
    if (block == cv.symbols.end())
        return m;
    Procedure* current = nullptr;
    for (const nb09::SymbolRecord& r : block->second.records) {
        if (r.kind == kLocalProcedure || r.kind == kGlobalProcedure) {
            auto p = nb09::procedure_fields(r);
            EXPECT_TRUE(p);
            if (!p)
                continue;
            current = &m.procedures[p->name];
            current->kind = r.kind;
            current->type = p->type;
            current->offset = p->offset;
            current->segment = p->segment;
            current->length = p->length;
            current->debug_start = p->debug_start;
            current->debug_end = p->debug_end;
            // The linker's end field names the first record behind the locals.
            EXPECT_NE(p->end, 0u) << p->name;
        } else if (r.kind == kEnd) {
            current = nullptr;
        } else if (r.kind == kFrameRelative && current) {
            Local l;
            l.kind = r.kind;
            l.frame_offset = static_cast<std::int32_t>(u16(r.body, 0) | (std::uint32_t(u16(r.body, 2)) << 16));
            l.type = u16(r.body, 4);
            current->locals[body_name(r.body, 6)] = l;
        } else if (r.kind == kRegister && current) {
            Local l;
            l.kind = r.kind;
            l.type = u16(r.body, 0);
            l.reg = u16(r.body, 2);
            current->locals[body_name(r.body, 4)] = l;
        } else if (r.kind == kGlobalData || r.kind == kLocalData) {
            auto d = nb09::data_fields(r);
            EXPECT_TRUE(d);
            if (d) {
                m.data[d->name] = *d;
                m.data_kind[d->name] = r.kind;
            }
        }
    }
    return m;
}

// ---- the oracles --------------------------------------------------------

// Frame offsets and registers of each "function/local" in clang's C13 object,
// as llvm-readobj reads them.
struct ClangLocal {
    std::optional<std::int32_t> frame_offset;
    std::optional<std::uint16_t> reg;
};

std::map<std::string, ClangLocal> clang_locals(const std::string& object)
{
    std::map<std::string, ClangLocal> out;
    std::istringstream in(llvm_readobj(object, "--codeview"));
    std::string line, function, local, range;
    std::smatch m;
    static const std::regex display(R"(DisplayName: (\w+))"), var(R"(VarName: (\w+))"),
        frame_range(R"(DefRangeFramePointerRelSym)"), reg_range(R"(DefRangeRegisterSym)"),
        offset(R"(^\s+Offset: (-?\d+))"), reg(R"(Register: \w+ \((0x[0-9A-F]+)\))");
    while (std::getline(in, line)) {
        if (std::regex_search(line, m, display))
            function = m[1];
        else if (std::regex_search(line, m, var))
            local = m[1], range.clear();
        else if (std::regex_search(line, frame_range))
            range = "frame";
        else if (std::regex_search(line, reg_range))
            range = "register";
        else if (range == "frame" && std::regex_search(line, m, offset)) {
            auto& l = out[function + "/" + local];
            if (!l.frame_offset && !l.reg)
                l.frame_offset = std::stoi(m[1]);
            range.clear();
        } else if (range == "register" && std::regex_search(line, m, reg)) {
            auto& l = out[function + "/" + local];
            if (!l.frame_offset && !l.reg)
                l.reg = static_cast<std::uint16_t>(std::stoul(m[1], nullptr, 16));
            range.clear();
        }
    }
    return out;
}

// The source line of each instruction address of .text, as llvm-objdump
// shows it for the DWARF-described object, and the addresses where the
// line changes.
struct ObjdumpLines {
    std::map<std::uint32_t, std::uint32_t> line_of;
    std::vector<std::uint32_t> statements;
};

ObjdumpLines objdump_lines(const std::string& object, const std::string& source_base)
{
    ObjdumpLines out;
    std::istringstream in(llvm_objdump(object, "--line-numbers -d"));
    std::string line;
    std::uint32_t current = 0;
    bool fresh = false;
    static const std::regex marker(R"(^; .*[/\\]([^/\\:]+):(\d+))"), insn(R"(^\s+([0-9a-f]+):\s)");
    std::smatch m;
    while (std::getline(in, line)) {
        if (std::regex_search(line, m, marker)) {
            current = m[1] == source_base ? static_cast<std::uint32_t>(std::stoul(m[2])) : 0;
            fresh = true;
        } else if (std::regex_search(line, m, insn)) {
            auto address = static_cast<std::uint32_t>(std::stoul(m[1], nullptr, 16));
            out.line_of[address] = current;
            if (fresh && current != 0)
                out.statements.push_back(address);
            fresh = false;
        }
    }
    return out;
}

// ---- the scenario -------------------------------------------------------

struct Road {
    LinkDir dir;
    nb09::CodeView cv;
    Module a, b;
};

bool build_road(Road& road)
{
    const LinkDir& d = road.dir;
    for (const char* name : {"shapes.h", "shapes_a.c", "shapes_b.c", "support.c"})
        d.write_text(name, program_text(name));
    RunResult r = run_vyn({"-c", "-g2", "shapes_a.c"}, d.path());
    EXPECT_EQ(r.exit_code, 0) << r.err;
    r = run_vyn({"-c", "-g2", "-O", "shapes_b.c"}, d.path());
    EXPECT_EQ(r.exit_code, 0) << r.err;
    r = run_vyn({"-c", "support.c"}, d.path());
    EXPECT_EQ(r.exit_code, 0) << r.err;
    r = d.link({"-o", "shapes.exe", "shapes_a.obj", "shapes_b.obj", "support.obj",
                vyn::lnk::test::mingw_lib("kernel32")});
    EXPECT_EQ(r.exit_code, 0) << r.err << r.out;
    // The linker has nothing to say about vyn's objects (the harness's own
    // start-up object, made by clang directly, may draw a remark).
    for (const char* name : {"shapes_a", "shapes_b", "support", "Debug info", "Unkown", "Synch"})
        EXPECT_EQ(r.err.find(name), std::string::npos) << r.err;
    if (r.exit_code != 0)
        return false;
    road.cv = nb09::read_codeview(d.read("shapes.exe"));
    EXPECT_TRUE(road.cv.found);
    EXPECT_TRUE(road.cv.problems.empty()) << nb09::describe_problems(road.cv);
    road.a = read_module(road.cv, "shapes_a.obj");
    road.b = read_module(road.cv, "shapes_b.obj");
    return road.cv.found;
}

const char* const kPoint = "struct point{x:int@0,y:int@4,}";
const char* const kValue = "union value{number:int@0,ratio:prim64@0,text:array(prim112,8)@0,}";

TEST(VynCodeView, EveryProcedureIsFoundWithItsLocalsAndTheirTypes)
{
    Road road;
    ASSERT_TRUE(build_road(road));
    const nb09::CodeView& cv = road.cv;

    ASSERT_EQ(road.a.procedures.size(), 3u);
    const Procedure& scale = road.a.procedures.at("scale");
    const Procedure& area = road.a.procedures.at("area");
    const Procedure& main = road.a.procedures.at("main");
    EXPECT_EQ(scale.kind, kLocalProcedure);  // static
    EXPECT_EQ(area.kind, kGlobalProcedure);
    EXPECT_EQ(main.kind, kGlobalProcedure);

    // Procedure types: int (int, int) and friends.
    const nb09::TypeRecord* scale_type = cv.type_record(scale.type);
    ASSERT_TRUE(scale_type);
    EXPECT_EQ(scale_type->leaf(), 8);
    EXPECT_EQ(u16(scale_type->bytes, 4), kInt);

    EXPECT_EQ(std::set<std::string>({"value", "factor", "result"}),
              [&] { std::set<std::string> s; for (auto& [n, l] : scale.locals) s.insert(n); return s; }());
    for (auto& [name, l] : scale.locals) {
        EXPECT_EQ(l.kind, kFrameRelative) << name;
        EXPECT_EQ(l.type, kInt) << name;
    }
    EXPECT_EQ(describe(cv, area.locals.at("r").type), "ptr(const struct rect)");
    EXPECT_EQ(describe(cv, area.locals.at("width").type), "int");

    EXPECT_EQ(main.locals.size(), 6u);
    EXPECT_EQ(describe(cv, main.locals.at("v").type), kValue);
    EXPECT_EQ(describe(cv, main.locals.at("k").type), "enum kind{KIND_NONE=0,KIND_RECT=4,KIND_LABEL=5,}");
    EXPECT_EQ(describe(cv, main.locals.at("total").type), "int");
    EXPECT_EQ(describe(cv, main.locals.at("first").type), "ptr(struct shape)");
    // The pointer leads to the complete structure, nested members and all.
    const nb09::TypeRecord* first = cv.type_record(main.locals.at("first").type);
    ASSERT_TRUE(first);
    EXPECT_EQ(describe(cv, u16(first->bytes, 6), 3),
              std::string("struct shape{kind:enum kind{KIND_NONE=0,KIND_RECT=4,KIND_LABEL=5,}@0,") +
                  "box:struct rect{origin:" + kPoint + "@0,corner:" + kPoint + "@8,}@4," + "value:" + kValue +
                  "@20," + "next:ptr(struct shape)@28," + "grid:array(array(short,6),12)@32,}");
    EXPECT_EQ(describe(cv, main.locals.at("shapes").type, 0), "array(struct shape,132)");

    // The optimised module: its procedure, a register local, its globals.
    ASSERT_EQ(road.b.procedures.size(), 1u);
    const Procedure& sum_areas = road.b.procedures.at("sum_areas");
    EXPECT_EQ(describe(cv, sum_areas.locals.at("shapes").type), "ptr(struct shape)");
    bool any_register = false;
    for (auto& [name, l] : sum_areas.locals)
        any_register = any_register || l.kind == kRegister;
    EXPECT_TRUE(any_register);
    EXPECT_EQ(road.b.data_kind.at("g_calls"), kGlobalData);
    EXPECT_EQ(describe(cv, road.b.data.at("g_calls").type), "int");
    EXPECT_EQ(road.b.data_kind.at("s_last"), kLocalData);
    EXPECT_EQ(describe(cv, road.b.data.at("s_last").type, 0), "struct shape");
    // Both modules' struct shape are one global type.
    EXPECT_EQ(road.b.data.at("s_last").type, u16(first->bytes, 6));

    // Each procedure's address (relocated through the symbol records) is
    // where its module's line table (made from the COFF line numbers)
    // starts the function.
    for (const Module* m : {&road.a, &road.b}) {
        const nb09::LineBlock& block = cv.source_modules.at(m->number).files.at(0).blocks.at(0);
        for (const auto& [name, p] : m->procedures) {
            EXPECT_EQ(p.segment, 1) << name;
            EXPECT_NE(std::find(block.offsets.begin(), block.offsets.end(), p.offset), block.offsets.end()) << name;
            EXPECT_GT(p.length, 0u) << name;
        }
    }
}

TEST(VynCodeView, EachBodyRunsFromTheLineAfterTheOpeningOneToTheLast)
{
    Road road;
    ASSERT_TRUE(build_road(road));
    for (const Module* m : {&road.a, &road.b}) {
        const nb09::LineBlock& block = road.cv.source_modules.at(m->number).files.at(0).blocks.at(0);
        for (const auto& [name, p] : m->procedures) {
            SCOPED_TRACE(name);
            std::vector<std::uint32_t> own;  // the procedure's line addresses, in order
            for (std::uint32_t at : block.offsets)
                if (at >= p.offset && at < p.offset + p.length)
                    own.push_back(at);
            std::sort(own.begin(), own.end());
            ASSERT_GE(own.size(), 3u);
            EXPECT_EQ(p.offset + p.debug_start, own[1]);
            EXPECT_EQ(p.offset + p.debug_end, own.back());
        }
    }
}

TEST(VynCodeView, LocalsSitWhereClangPutThem)
{
    Road road;
    ASSERT_TRUE(build_road(road));
    const LinkDir& d = road.dir;
    // clang's own objects of the same sources, with the same switches.
    clang_object(d, "shapes_a.c", "clang_a.o", {"-g2"}, false);
    clang_object(d, "shapes_b.c", "clang_b.o", {"-g2", "-O"}, false);
    std::size_t compared = 0;
    for (auto [module, object] : {std::pair{&road.a, "clang_a.o"}, std::pair{&road.b, "clang_b.o"}}) {
        auto expected = clang_locals(d.file(object));
        for (const auto& [pname, p] : module->procedures)
            for (const auto& [lname, l] : p.locals) {
                SCOPED_TRACE(pname + "/" + lname);
                auto e = expected.find(pname + "/" + lname);
                ASSERT_NE(e, expected.end());
                if (l.kind == kFrameRelative)
                    EXPECT_EQ(e->second.frame_offset, l.frame_offset);
                else
                    EXPECT_EQ(e->second.reg, l.reg);
                ++compared;
            }
        // Every local clang gave a place has one here.
        for (const auto& [key, e] : expected) {
            std::string pname = key.substr(0, key.find('/')), lname = key.substr(key.find('/') + 1);
            if (module->procedures.count(pname)) {
                EXPECT_TRUE(module->procedures.at(pname).locals.count(lname)) << key;
            }
        }
    }
    EXPECT_GE(compared, 14u);
}

TEST(VynCodeView, LineTableMapsEachStatementToClangsLine)
{
    Road road;
    ASSERT_TRUE(build_road(road));
    const LinkDir& d = road.dir;
    clang_object(d, "shapes_a.c", "dwarf_a.o", {"-g2"}, true);
    clang_object(d, "shapes_b.c", "dwarf_b.o", {"-g2", "-O"}, true);
    for (auto [module, object, source] : {std::tuple{&road.a, "dwarf_a.o", "shapes_a.c"},
                                          std::tuple{&road.b, "dwarf_b.o", "shapes_b.c"}}) {
        SCOPED_TRACE(source);
        ObjdumpLines expected = objdump_lines(d.file(object), source);
        ASSERT_FALSE(expected.statements.empty());
        const nb09::SourceModule& sm = road.cv.source_modules.at(module->number);
        ASSERT_EQ(sm.files.size(), 1u);
        EXPECT_TRUE(sm.files[0].name.ends_with(std::string("/") + source)) << sm.files[0].name;
        const nb09::LineBlock& block = sm.files[0].blocks.at(0);
        std::uint32_t text = road.cv.modules.at(module->number).segments.at(0).offset;
        // Each entry's address shows the entry's line in clang's object.
        std::map<std::uint32_t, std::uint16_t> table;
        for (std::size_t k = 0; k < block.offsets.size(); ++k) {
            std::uint32_t address = block.offsets[k] - text;
            table[address] = block.lines[k];
            auto shown = expected.line_of.find(address);
            ASSERT_NE(shown, expected.line_of.end()) << std::hex << address;
            EXPECT_EQ(shown->second, block.lines[k]) << std::hex << address;
        }
        // And every statement clang marks is found at its line by looking up
        // the last entry at or before its address.
        for (std::uint32_t address : expected.statements) {
            auto at = table.upper_bound(address);
            ASSERT_NE(at, table.begin()) << std::hex << address;
            EXPECT_EQ((--at)->second, expected.line_of.at(address)) << std::hex << address;
        }
    }
}

}  // namespace
