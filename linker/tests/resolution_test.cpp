// Symbol resolution through the command line, on objects built byte by byte
// and archives written by llvm-ar and GNU ar.
#include "linker/tests/link_harness.h"

#include "testing/coff/coff_builder.h"

#include <gtest/gtest.h>

#include <functional>

namespace vyn::lnk::test {

namespace {

using vyn::testing::CoffBuilder;
namespace coff = vyn::testing::coff;

std::vector<std::uint8_t> bytes(std::initializer_list<int> list)
{
    std::vector<std::uint8_t> v;
    for (int b : list)
        v.push_back(static_cast<std::uint8_t>(b));
    return v;
}

// An entry object: _mainCRTStartup calls each name in turn (REL32 calls).
CoffBuilder caller(const std::vector<std::string>& callees)
{
    CoffBuilder b;
    std::vector<std::uint8_t> code;
    for (std::size_t i = 0; i < callees.size(); ++i)
        code.insert(code.end(), {0xE8, 0, 0, 0, 0});
    code.push_back(0xC3);
    int text = b.add_section(".text", code, coff::kCode);
    b.define("_mainCRTStartup", text);
    for (std::size_t i = 0; i < callees.size(); ++i)
        b.add_relocation(text, static_cast<std::uint32_t>(1 + 5 * i), b.reference(callees[i]), coff::kRel32);
    return b;
}

// An object defining name as a function returning value.
CoffBuilder function(const std::string& name, int value, std::uint32_t extra = 0)
{
    CoffBuilder b;
    int text = b.add_section(".text", bytes({0xB8, value, 0, 0, 0, 0xC3}), coff::kCode | extra);
    b.define(name, text);
    return b;
}

std::string archive(const LinkDir& d, const std::string& tool, const std::string& name,
                    const std::vector<std::string>& members)
{
    std::string command = tool + " rcs " + quote(name);
    for (const std::string& m : members)
        command += " " + quote(m);
    RunResult r = run_command(command, d.path());
    EXPECT_EQ(r.exit_code, 0) << r.err;
    return d.file(name);
}

// The target of the REL32 call at the given address, from the disassembly.
std::string call_target(const std::string& disassembly, const std::string& address)
{
    std::size_t at = disassembly.find(address + ":");
    if (at == std::string::npos)
        return {};
    std::size_t call = disassembly.find("calll\t", at);
    return disassembly.substr(call + 6, disassembly.find_first_of(" \n", call + 6) - call - 6);
}

TEST(Resolution, MultipleDefinitionIsReportedAndTheFirstDefinitionIsUsed)
{
    LinkDir d;
    caller({"_f"}).write(d.file("main.obj"));
    function("_f", 1).write(d.file("a.obj"));
    function("_f", 2).write(d.file("b.obj"));
    RunResult r = d.link({"-nodef", "main.obj", "a.obj", "b.obj"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.err.find("b.obj: multiple definition of _f\nfirst definition is in file a.obj\n"), std::string::npos)
        << r.err;
    // main's 6 bytes, then a.obj's function at 0x401006.
    EXPECT_EQ(call_target(objdump(d.file("main.exe"), "-d"), "401000"), "0x401006");
}

TEST(Resolution, DuplicatesInLinkOnceSectionsAreNotReported)
{
    LinkDir d;
    caller({"_f"}).write(d.file("main.obj"));
    function("_f", 1, coff::kComdat).write(d.file("a.obj"));
    function("_f", 2, coff::kComdat).write(d.file("b.obj"));
    RunResult r = d.link({"-nodef", "main.obj", "a.obj", "b.obj"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err.find("multiple definition"), std::string::npos) << r.err;
}

struct CommonCase {
    std::uint32_t first, second;
    const char* message;
    std::uint32_t bss_size;
};

TEST(Resolution, CommonSymbolsMeetingKeepTheLargerSize)
{
    const CommonCase cases[] = {
        {4, 8, "in a.obj warning: '_buf' (defined  with size 4)\nis redefined in b.obj with size 8\n", 8},
        {8, 4, "in a.obj warning: '_buf' (defined  with size 8)\nis redefined in b.obj with size 4\n", 8},
        {8, 8, nullptr, 8},
    };
    for (const CommonCase& c : cases) {
        LinkDir d;
        caller({}).write(d.file("main.obj"));
        CoffBuilder a, b;
        a.common("_buf", c.first);
        b.common("_buf", c.second);
        a.write(d.file("a.obj"));
        b.write(d.file("b.obj"));
        RunResult r = d.link({"-nodef", "main.obj", "a.obj", "b.obj"});
        ASSERT_EQ(r.exit_code, 0) << r.err;
        if (c.message)
            EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        else
            EXPECT_EQ(r.err.find("warning"), std::string::npos) << r.err;
        std::string s = readobj(d.file("main.exe"), "--sections");
        std::size_t bss = s.find("Name: .bss");
        ASSERT_NE(bss, std::string::npos);
        EXPECT_EQ(field_number(s.substr(bss), "VirtualSize"), c.bss_size);
    }
}

TEST(Resolution, DefinitionAfterCommonWinsSilently)
{
    LinkDir d;
    CoffBuilder main;
    int text = main.add_section(".text", bytes({0xA1, 0, 0, 0, 0, 0xC3}), coff::kCode);
    main.define("_mainCRTStartup", text);
    main.add_relocation(text, 1, main.common("_v", 4), coff::kDir32);
    main.write(d.file("main.obj"));
    CoffBuilder def;
    int data = def.add_section(".data", bytes({0x2A, 0, 0, 0}), coff::kData);
    def.define("_v", data);
    def.write(d.file("def.obj"));
    RunResult r = d.link({"-nodef", "main.obj", "def.obj"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err.find("warning"), std::string::npos) << r.err;
    std::string s = readobj(d.file("main.exe"), "--sections");
    EXPECT_EQ(s.find("Name: .bss"), std::string::npos) << "no common allocation expected";
    // The load reads the defined variable in .data at 0x402000.
    EXPECT_NE(objdump(d.file("main.exe"), "-d").find("movl\t4202496, %eax"), std::string::npos);
}

TEST(Resolution, CommonSymbolsAreAlignedByTheirSize)
{
    LinkDir d;
    caller({}).write(d.file("main.obj"));
    CoffBuilder c;
    c.common("_one", 1);
    c.common("_six", 6);
    c.common("_hundred", 100);
    c.common("_sixteen", 16);
    c.write(d.file("c.obj"));
    RunResult r = d.link({"-nodef", "main.obj", "c.obj"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::string syms = readobj(d.file("main.exe"), "--symbols");
    struct Expect {
        const char* name;
        std::uint32_t alignment;
    } expects[] = {{"_six", 8}, {"_hundred", 16}, {"_sixteen", 16}};
    for (const Expect& e : expects) {
        std::size_t at = syms.find(std::string("Name: ") + e.name + "\n");
        ASSERT_NE(at, std::string::npos) << e.name;
        std::uint32_t value = field_number(syms.substr(at), "Value");
        EXPECT_EQ(value % e.alignment, 0u) << e.name << " at " << value;
        EXPECT_EQ(field(syms.substr(at), "Section"), ".bss (2)") << e.name;
    }
}

TEST(Resolution, ALibraryBeforeTheObjectThatNeedsItDoesNotResolveIt)
{
    LinkDir d;
    caller({"_g"}).write(d.file("main.obj"));
    function("_g", 7).write(d.file("g.obj"));
    std::string lib = archive(d, "llvm-ar", "g.lib", {"g.obj"});
    RunResult r = d.link({"-nodef", "g.lib", "main.obj", "-o", "bad.exe"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("main.obj .text: undefined reference to '_g'\n"), std::string::npos) << r.err;
    EXPECT_TRUE(d.exists("bad.exe")) << "the image is kept";
    r = d.link({"-nodef", "main.obj", "g.lib", "-o", "good.exe"});
    EXPECT_EQ(r.exit_code, 0) << r.err;
}

TEST(Resolution, AMemberNeededOnlyByAnotherMemberIsPulledInTheSameSearch)
{
    for (const char* tool : {"llvm-ar", "i686-w64-mingw32-ar"}) {
        LinkDir d;
        caller({"_g"}).write(d.file("main.obj"));
        // The first member defines _g and calls _h.
        CoffBuilder g2;
        int text = g2.add_section(".text", bytes({0xE8, 0, 0, 0, 0, 0xC3}), coff::kCode);
        g2.define("_g", text);
        g2.add_relocation(text, 1, g2.reference("_h"), coff::kRel32);
        g2.write(d.file("a_member_with_a_long_name_g.obj"));
        function("_h", 9).write(d.file("h.obj"));
        // h.obj comes first in the archive: it is only wanted after g is in.
        archive(d, tool, "gh.lib", {"h.obj", "a_member_with_a_long_name_g.obj"});
        RunResult r = d.link({"-nodef", "main.obj", "gh.lib", "-map", "gh.map"});
        ASSERT_EQ(r.exit_code, 0) << tool << r.err;
        std::string map(reinterpret_cast<const char*>(d.read("gh.map").data()), d.read("gh.map").size());
        EXPECT_NE(map.find("] a_member_with_a_long_name_g.obj"), std::string::npos) << tool << map;
        EXPECT_NE(map.find("] h.obj"), std::string::npos) << tool << map;
        std::string dis = objdump(d.file("main.exe"), "-d");
        // Member-name order places a_member... (0x401006) before h.obj (0x40100c).
        EXPECT_EQ(call_target(dis, "401000"), "0x401006") << tool;
        EXPECT_EQ(call_target(dis, "401006"), "0x40100c") << tool;
    }
}

TEST(Resolution, EveryUndefinedReferenceCountsButIsReportedOnce)
{
    LinkDir d;
    caller({"_missing", "_missing", "_missing"}).write(d.file("main.obj"));
    RunResult r = d.link({"-nodef", "main.obj"});
    EXPECT_EQ(r.exit_code, 3);
    std::string message = "main.obj .text: undefined reference to '_missing'\n";
    std::size_t first = r.err.find(message);
    ASSERT_NE(first, std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(message, first + 1), std::string::npos) << r.err;
    EXPECT_TRUE(d.exists("main.exe"));
}

TEST(Resolution, UndefinedReferenceNamesTheSourceLineWhenLineNumbersExist)
{
    LinkDir d;
    CoffBuilder b;
    b.file_symbol("prog.c");
    std::vector<std::uint8_t> code(16, 0x90);
    code[6] = 0xE8;
    int text = b.add_section(".text", code, coff::kCode);
    vyn::testing::AuxEntry fn{};
    std::uint32_t main_index = b.symbol_count();
    fn[0] = static_cast<std::uint8_t>(main_index + 2);  // the .bf symbol follows
    b.add_symbol("_mainCRTStartup", 0, static_cast<std::int16_t>(text), coff::kExternal, 0x20, {fn});
    vyn::testing::AuxEntry bf{};
    bf[4] = 10;  // the function starts on line 10
    b.add_symbol(".bf", 0, static_cast<std::int16_t>(text), coff::kFunction, 0, {bf});
    b.add_line(text, main_index, 0);
    b.add_line(text, 0, 1);
    b.add_line(text, 5, 3);
    b.add_line(text, 12, 4);
    b.add_relocation(text, 7, b.reference("_nowhere"), coff::kRel32);
    b.write(d.file("prog.obj"));
    RunResult r = d.link({"-nodef", "prog.obj"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("Error prog.c 13 undefined reference to _nowhere\n"), std::string::npos) << r.err;
}

TEST(Resolution, UnreadableOrUnknownInputsEndTheLinkWithoutOutput)
{
    LinkDir d;
    caller({}).write(d.file("main.obj"));
    d.write_text("junk.dat", "this is neither an object nor an archive");
    RunResult r = d.link({"-nodef", "main.obj", "junk.dat"});
    EXPECT_EQ(r.exit_code, 255);
    EXPECT_NE(r.err.find("junk.dat: unknown file type\n"), std::string::npos) << r.err;
    EXPECT_FALSE(d.exists("main.exe"));
    r = d.link({"-nodef", "main.obj", "absent.obj"});
    EXPECT_EQ(r.exit_code, 255);
    EXPECT_NE(r.err.find("cannot open absent.obj\n"), std::string::npos) << r.err;
    EXPECT_FALSE(d.exists("main.exe"));
}

TEST(Resolution, UnusedSymbolsReportListsWhatNoRelocationUsed)
{
    LinkDir d;
    caller({"_used"}).write(d.file("main.obj"));
    CoffBuilder b;
    int text = b.add_section(".text", bytes({0xC3, 0xC3}), coff::kCode);
    b.define("_used", text, 0);
    b.define("_idle", text, 1);
    b.write(d.file("lib.obj"));
    RunResult r = d.link({"-nodef", "-x", "main.obj", "lib.obj"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find("Unused symbols\n                               File   Section Name\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("                            lib.obj     .text _idle\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("_used"), std::string::npos);
    EXPECT_EQ(r.out.find("_mainCRTStartup"), std::string::npos);
}

TEST(Resolution, ExportDirectivesInObjectsBuildAnExportTable)
{
    LinkDir d;
    CoffBuilder b = caller({});
    int text = b.add_section(".text", bytes({0xC3}), coff::kCode);
    b.define("_exported", text);
    std::string directive = " -export:exported -other:thing";
    b.add_section(".drectve", std::vector<std::uint8_t>(directive.begin(), directive.end()), coff::kInfo);
    b.write(d.file("main.obj"));
    RunResult r = d.link({"-nodef", "main.obj"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::string e = readobj(d.file("main.exe"), "--coff-exports");
    EXPECT_EQ(field(e, "Name"), "_exported");
    EXPECT_EQ(field(e, "Ordinal"), "1");
}

TEST(Resolution, BadSectionIndexIsReportedAndTakenAsUndefined)
{
    LinkDir d;
    CoffBuilder b = caller({"_odd"});
    b.add_symbol("_odd", 0, -7);
    b.write(d.file("main.obj"));
    RunResult r = d.link({"-nodef", "main.obj"});
    EXPECT_NE(r.err.find("Bad section index -7 in file main.obj\n"), std::string::npos) << r.err;
    EXPECT_EQ(r.exit_code, 1);
}

TEST(Resolution, ManyUndefinedReferencesNeverExitWithZero)
{
    LinkDir d;
    caller(std::vector<std::string>(256, "_missing")).write(d.file("main.obj"));
    RunResult r = d.link({"-nodef", "main.obj"});
    // 256 references would read as 0: the code stays at 255.
    EXPECT_EQ(r.exit_code, 255);
    EXPECT_TRUE(d.exists("main.exe")) << "the image is kept";
}

TEST(Resolution, WeakExternalsNamingEachOtherAreReportedNotFollowedForever)
{
    LinkDir d;
    CoffBuilder b;
    int text = b.add_section(".text", bytes({0xA1, 0, 0, 0, 0, 0xC3}), coff::kCode);
    b.define("_mainCRTStartup", text);
    // Each weak external's default is the other one (search-alias kind).
    std::uint32_t first = b.symbol_count(), second = first + 2;
    auto weak_aux = [](std::uint32_t tag) {
        vyn::testing::AuxEntry aux{};
        aux[0] = static_cast<std::uint8_t>(tag);
        aux[4] = 3;
        return aux;
    };
    b.add_symbol("_ping", 0, 0, 105, 0, {weak_aux(second)});
    b.add_symbol("_pong", 0, 0, 105, 0, {weak_aux(first)});
    b.add_relocation(text, 1, first, coff::kDir32);
    b.write(d.file("weak.obj"));
    RunResult r = run_command("VYN_REGISTRY=" + quote(d.hive()) + " timeout 60 " + quote(VYNLNK_PATH) +
                                  " -nodef weak.obj",
                              d.path());
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("weak.obj: weak external _ping names itself through its defaults\n"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("Link failed. Removing weak.exe\n"), std::string::npos) << r.err;
    EXPECT_FALSE(d.exists("weak.exe"));
}

// A big-endian 32-bit number in bytes at pos.
std::uint32_t big_endian(const std::vector<std::uint8_t>& b, std::size_t pos)
{
    return (std::uint32_t(b[pos]) << 24) | (std::uint32_t(b[pos + 1]) << 16) | (std::uint32_t(b[pos + 2]) << 8) |
           b[pos + 3];
}

void put_big_endian(std::vector<std::uint8_t>& b, std::size_t pos, std::uint32_t v)
{
    for (int k = 0; k < 4; ++k)
        b[pos + k] = static_cast<std::uint8_t>(v >> (24 - 8 * k));
}

void put_size_field(std::vector<std::uint8_t>& b, std::size_t header, const std::string& size)
{
    std::string field = size + std::string(10 - size.size(), ' ');
    std::copy(field.begin(), field.end(), b.begin() + static_cast<std::ptrdiff_t>(header + 48));
}

TEST(Resolution, DamagedArchivesAreReportedWithWhatIsWrong)
{
    LinkDir d;
    caller({"_g"}).write(d.file("main.obj"));
    function("_g", 7).write(d.file("g.obj"));
    archive(d, "llvm-ar", "g.lib", {"g.obj"});
    std::vector<std::uint8_t> good = d.read("g.lib");
    // The first linker member's header is at 8; its count at 68, the first
    // member offset at 72.
    ASSERT_GT(good.size(), 76u);
    std::uint32_t member = big_endian(good, 72);
    ASSERT_LT(member + 60u, good.size());

    struct Case {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> damage;
        std::string message;
    };
    std::vector<Case> cases = {
        {"member size beyond the file", [&](auto& b) { put_size_field(b, member, "99999"); },
         "g.lib: damaged archive: index entry _g: member at offset " + std::to_string(member) +
             " runs past the end of the file\n"},
        {"index offset beyond the file", [&](auto& b) { put_big_endian(b, 72, 0x100000); },
         "g.lib: damaged archive: index entry _g: truncated member header at offset 1048576\n"},
        {"index offset off a header", [&](auto& b) { put_big_endian(b, 72, member + 2); },
         "g.lib: damaged archive: index entry _g: bad member header at offset " + std::to_string(member + 2) + "\n"},
        {"huge count", [&](auto& b) { put_big_endian(b, 68, 0x7FFFFFFF); },
         "g.lib: damaged archive: index count 2147483647 does not fit its member\n"},
        {"index size beyond the file", [&](auto& b) { put_size_field(b, 8, "4000000000"); },
         "g.lib: damaged archive: member at offset 8 runs past the end of the file\n"},
        {"truncated in the member", [&](auto& b) { b.resize(member + 80); },
         "g.lib: damaged archive: index entry _g: member at offset " + std::to_string(member) +
             " runs past the end of the file\n"},
        {"member size cut short", [&](auto& b) { put_size_field(b, member, "20"); },
         "g.lib: damaged archive: member g.obj at offset " + std::to_string(member) + " is no readable object\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> bad = good;
        c.damage(bad);
        vyn::testing::write_bytes(d.file("g.lib"), bad);
        RunResult r = d.link({"-nodef", "main.obj", "g.lib", "-o", "bad.exe"});
        EXPECT_EQ(r.exit_code, 255) << c.what << ": " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.what << ": " << r.err;
        EXPECT_EQ(r.err.find("undefined reference"), std::string::npos) << c.what << ": " << r.err;
        EXPECT_FALSE(d.exists("bad.exe")) << c.what;
    }
    // The sound archive still links.
    vyn::testing::write_bytes(d.file("g.lib"), good);
    RunResult r = d.link({"-nodef", "main.obj", "g.lib", "-o", "good.exe"});
    EXPECT_EQ(r.exit_code, 0) << r.err;
}

}  // namespace

}  // namespace vyn::lnk::test
