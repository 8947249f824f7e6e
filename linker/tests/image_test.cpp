// The images vynlnk writes, checked with llvm-readobj and llvm-objdump:
// layout, relocation types, base relocations, exports, resources, "-s".
#include "linker/tests/link_harness.h"

#include "testing/coff/coff_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vyn::lnk::test {

namespace {

using vyn::testing::CoffBuilder;
namespace coff = vyn::testing::coff;

const char* kAllOracles = "--file-headers --sections --coff-imports --coff-exports --coff-basereloc";

std::string section_of(const std::string& sections, const std::string& name)
{
    std::size_t at = sections.find("Name: " + name + " ");
    if (at == std::string::npos)
        return {};
    return sections.substr(at, sections.find("}", at) - at);
}

// The bytes of a section as llvm-objdump -s shows them, as one hex string.
std::string section_hex(const std::string& image, const std::string& name)
{
    std::string dump = objdump(image, "-s -j " + name);
    std::string hex;
    std::size_t at = dump.find("Contents of section");
    std::istringstream lines(dump.substr(at == std::string::npos ? 0 : at));
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string address, word;
        words >> address;
        for (int i = 0; i < 4 && words >> word; ++i) {
            if (word.size() > 8 || word.find_first_not_of("0123456789abcdef") != std::string::npos)
                break;
            hex += word;
        }
    }
    return hex;
}

TEST(Image, TextOf0x1234BytesPushesTheNextSectionTwoPagesOn)
{
    LinkDir d;
    CoffBuilder b;
    int text = b.add_section(".text", std::vector<std::uint8_t>(0x1234, 0xC3), coff::kCode);
    b.define("_mainCRTStartup", text);
    int data = b.add_section(".data", {1, 2, 3, 4}, coff::kData);
    b.define("_d", data);
    b.write(d.file("big.obj"));
    RunResult r = d.link({"-nodef", "big.obj"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::string s = readobj(d.file("big.exe"), kAllOracles);
    std::string t = section_of(s, ".text"), dt = section_of(s, ".data");
    EXPECT_EQ(field_number(t, "VirtualAddress"), 0x1000u);
    EXPECT_EQ(field_number(t, "VirtualSize"), 0x1234u);
    EXPECT_EQ(field_number(t, "RawDataSize"), 0x1400u);
    EXPECT_EQ(field_number(dt, "VirtualAddress"), 0x3000u);
    EXPECT_EQ(field_number(dt, "PointerToRawData") % 512, 0u);
    EXPECT_EQ(field_number(s, "SizeOfImage"), 0x4000u);
    EXPECT_EQ(field_number(s, "AddressOfEntryPoint"), 0x1000u);
}

TEST(Image, BaseRelocationsFormOneBlockPerPagePaddedToEvenEntries)
{
    LinkDir d;
    CoffBuilder b;
    std::vector<std::uint8_t> code(0x1100, 0x90);
    int text = b.add_section(".text", code, coff::kCode);
    std::uint32_t entry = b.define("_mainCRTStartup", text);
    b.add_relocation(text, 0x4, entry, coff::kDir32);
    b.add_relocation(text, 0x1010, entry, coff::kDir32);
    b.add_relocation(text, 0x20, entry, coff::kRel32);  // relative: no base relocation
    b.write(d.file("r.obj"));
    RunResult r = d.link({"-nodef", "-reloc", "r.obj"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::string s = readobj(d.file("r.exe"), kAllOracles);
    EXPECT_NE(s.find("Address: 0x1004"), std::string::npos);
    EXPECT_NE(s.find("Address: 0x2010"), std::string::npos);
    EXPECT_EQ(s.find("Address: 0x1020"), std::string::npos);
    EXPECT_EQ(field_number(s, "BaseRelocationTableSize"), 24u);
    std::string hex = section_hex(d.file("r.exe"), ".reloc");
    // page 0x1000, size 12, HIGHLOW 0x004, padding; page 0x2000, size 12, HIGHLOW 0x010, padding
    EXPECT_EQ(hex.substr(0, 48), "001000000c0000000430000000200000" "0c00000010300000");
    EXPECT_EQ(s.find("IMAGE_FILE_RELOCS_STRIPPED"), std::string::npos);
}

TEST(Image, RelocationTypesPatchTheirFields)
{
    LinkDir d;
    CoffBuilder b;
    // Five 4-byte fields with addends 0x10, 0x20, 0, 0x8 (SECREL), 0.
    std::vector<std::uint8_t> code = {0x10, 0, 0, 0, 0x20, 0, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0xC3};
    int text = b.add_section(".text", code, coff::kCode);
    int data = b.add_section(".data", std::vector<std::uint8_t>(16, 0), coff::kData);
    b.define("_mainCRTStartup", text, 20);
    std::uint32_t target = b.define("_target", data, 4);
    b.add_relocation(text, 0, target, coff::kDir32);
    b.add_relocation(text, 4, target, coff::kDir32NB);
    b.add_relocation(text, 8, target, coff::kRel32);
    b.add_relocation(text, 12, target, coff::kSecRel);
    b.add_relocation(text, 16, target, coff::kSection);
    b.write(d.file("t.obj"));
    RunResult r = d.link({"-nodef", "t.obj"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    // .text at 0x401000, .data at 0x402000 (section 2), _target at 0x402004.
    EXPECT_EQ(section_hex(d.file("t.exe"), ".text").substr(0, 40),
              "14204000"   // DIR32: 0x402004 + 0x10
              "24200000"   // DIR32NB: RVA 0x2004 + 0x20
              "f80f0000"   // REL32: 0x402004 - 4 - 0x401008
              "0c000000"   // SECREL: 4 within .data, plus 8
              "02000000"); // SECTION: .data is section 2
}

TEST(Image, StrippedImagesHaveNoDebugDirectoryOrSymbols)
{
    LinkDir d;
    d.compile("main.obj", "int main(void) { return 0; }\n");
    RunResult r = d.link({"main.obj", mingw_lib("kernel32")});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::string full = readobj(d.file("main.exe"), std::string(kAllOracles) + " --coff-debug-directory --symbols");
    EXPECT_NE(field_number(full, "DebugRVA"), 0u);
    EXPECT_NE(full.find("Type: COFF (0x1)"), std::string::npos);
    EXPECT_NE(full.find("Type: Misc (0x4)"), std::string::npos);
    EXPECT_NE(full.find("Name: _main\n"), std::string::npos);
    EXPECT_EQ(full.find("IMAGE_FILE_LOCAL_SYMS_STRIPPED"), std::string::npos);

    r = d.link({"main.obj", mingw_lib("kernel32"), "-s", "-o", "stripped.exe"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::string s = readobj(d.file("stripped.exe"), std::string(kAllOracles) + " --coff-debug-directory");
    EXPECT_EQ(field_number(s, "DebugRVA"), 0u);
    EXPECT_EQ(field_number(s, "PointerToSymbolTable"), 0u);
    EXPECT_EQ(field_number(s, "SymbolCount"), 0u);
    EXPECT_NE(s.find("IMAGE_FILE_LOCAL_SYMS_STRIPPED (0x8)"), std::string::npos);
    EXPECT_EQ(s.find("DebugEntry"), std::string::npos);
}

TEST(Image, MissingEntryPointFailsWithoutOutput)
{
    LinkDir d;
    CoffBuilder b;
    b.define("_notTheEntry", b.add_section(".text", {0xC3}, coff::kCode));
    b.write(d.file("n.obj"));
    RunResult r = d.link({"-nodef", "n.obj"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("Program has no starting address!\n"), std::string::npos) << r.err;
    EXPECT_FALSE(d.exists("n.exe"));
}

TEST(Image, DllExportsTheStdcallSymbolByExportStyleMatching)
{
    LinkDir d;
    d.compile("f.obj", "int __stdcall LibMain(void*h,unsigned r,void*p){return 1;}\n"
                       "int __stdcall f(int x){return x+1;}\n"
                       "int counter = 3;\n");
    d.write_text("f.def", "LIBRARY fdll\nEXPORTS\n    f\n    count=counter\n");
    RunResult r = d.link({"f.obj", "f.def"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::string s = readobj(d.file("fdll.dll"), kAllOracles);
    EXPECT_NE(s.find("IMAGE_FILE_DLL"), std::string::npos);
    EXPECT_EQ(field_number(s, "ImageBase"), 0x10000000u);
    // Sorted by decorated name: _counter (alias "count") then _f@4.
    std::size_t count = s.find("Name: count\n"), f = s.find("Name: _f@4\n");
    ASSERT_NE(count, std::string::npos) << s;
    ASSERT_NE(f, std::string::npos) << s;
    EXPECT_LT(count, f);
    EXPECT_EQ(field(s.substr(f - 40), "Ordinal"), "2");
    // The export's RVA is the function's address.
    std::uint32_t rva = field_number(s.substr(f), "RVA");
    std::string dis = objdump(d.file("fdll.dll"), "-d");
    char address[32];
    std::snprintf(address, sizeof address, "%x:", 0x10000000u + rva);
    EXPECT_NE(dis.find(address), std::string::npos);
    // The DLL's base relocations cover the startup object's init pointer.
    EXPECT_NE(s.find("BaseReloc"), std::string::npos);
    std::ifstream exp(d.file("fdll.exp"));
    std::string text((std::istreambuf_iterator<char>(exp)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "fdll.dll\n_counter\t\tcount\tdata\n_f@4\t\t_f@4\n");
    EXPECT_NE(r.err.find("Impossible to find "), std::string::npos) << "no import-library builder here";
}

TEST(Image, SingleExportHasOrdinalOneAndOrdinalTableEntryZero)
{
    LinkDir d;
    d.compile("f.obj", "int __stdcall LibMain(void*h,unsigned r,void*p){return 1;}\n"
                       "int __stdcall f(int x){return x+1;}\n");
    d.write_text("f.def", "LIBRARY one\nEXPORTS\n f\n");
    RunResult r = d.link({"f.obj", "f.def"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::string s = readobj(d.file("one.dll"), kAllOracles);
    EXPECT_EQ(field(s, "Ordinal"), "1");
    std::string hex = section_hex(d.file("one.dll"), ".edata");
    // Directory: ordinal base 1, one function, one name.
    EXPECT_EQ(hex.substr(32, 24), "010000000100000001000000");
    std::uint32_t ordinals = field_number(s, "ExportTableRVA");
    (void)ordinals;
    // The ordinal table follows the address and name-pointer tables: after
    // the 40-byte directory and "one.dll\0" padded to 8 bytes.
    EXPECT_EQ(hex.substr(2 * (40 + 8 + 4 + 4), 4), "0000");
}

TEST(Image, DllWithoutExportsIsRefused)
{
    LinkDir d;
    d.compile("f.obj", "int __stdcall LibMain(void*h,unsigned r,void*p){return 1;}\n");
    RunResult r = d.link({"f.obj", "-dll"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("Missing exports. Aborting\n"), std::string::npos) << r.err;
    EXPECT_FALSE(d.exists("f.dll"));
}

TEST(Image, UndefinedExportIsReportedAndAbortsTheLink)
{
    LinkDir d;
    d.compile("f.obj", "int __stdcall LibMain(void*h,unsigned r,void*p){return 1;}\n");
    d.write_text("f.def", "LIBRARY g\nEXPORTS\n nothere\n");
    RunResult r = d.link({"f.obj", "f.def"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("Specified export _nothere is not defined\nMissing exports. Aborting\n"), std::string::npos)
        << r.err;
    EXPECT_FALSE(d.exists("g.dll"));
}

TEST(Image, DllEntryNotFoundAsksForTheEntryOption)
{
    LinkDir d;
    d.compile("f.obj", "int __stdcall Start(void*h,unsigned r,void*p){return 1;}\nint k(void){return 0;}\n");
    d.write_text("f.def", "LIBRARY h\nEXPORTS\n k\n");
    RunResult r = d.link({"f.obj", "f.def"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("Entry point _LibMain@12 not found\nUse the -entry command line option\n"),
              std::string::npos)
        << r.err;
    r = d.link({"f.obj", "f.def", "-entry", "_Start"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    // The startup object's pointer now holds Start's address (export-style match of _Start@12).
    std::string syms = objdump(d.file("h.dll"), "-t");
    std::size_t at = syms.find("_Start@12");
    ASSERT_NE(at, std::string::npos) << syms;
    std::string hex = section_hex(d.file("h.dll"), ".data");
    std::string line = syms.substr(syms.rfind('\n', at) + 1, at - syms.rfind('\n', at) - 1);
    std::size_t x = line.rfind("0x");
    ASSERT_NE(x, std::string::npos) << line;
    std::uint32_t value = static_cast<std::uint32_t>(std::stoul(line.substr(x + 2, 8), nullptr, 16));
    std::uint32_t address = 0x10000000u + value;
    char le[16];
    std::snprintf(le, sizeof le, "%02x%02x%02x%02x", address & 0xFF, (address >> 8) & 0xFF, (address >> 16) & 0xFF,
                  address >> 24);
    EXPECT_EQ(hex.substr(0, 8), le);
}

TEST(Image, ResourcesOfStringTypesAreDroppedAndTheRestConverted)
{
    LinkDir d;
    d.compile("main.obj", "int main(void) { return 0; }\n");
    d.write_text("app.rc", "1 RCDATA { 1, 2, 3 }\n"
                           "NAMED RCDATA { \"abc\" }\n"
                           "7 CUSTOMTYPE { \"dropped\" }\n");
    RunResult rc = run_command("i686-w64-mingw32-windres -O res -o app.res app.rc", d.path());
    ASSERT_EQ(rc.exit_code, 0) << rc.err;
    RunResult r = d.link({"app.res", "main.obj", mingw_lib("kernel32")});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    ASSERT_TRUE(d.exists("app.exe")) << "the output is named after the first input";
    std::string s = readobj(d.file("app.exe"), std::string(kAllOracles) + " --coff-resources");
    EXPECT_NE(field_number(s, "ResourceTableRVA"), 0u);
    EXPECT_NE(s.find("Type: RCDATA (ID 10)"), std::string::npos) << s;
    EXPECT_NE(s.find("Name: NAMED"), std::string::npos) << s;
    EXPECT_EQ(s.find("CUSTOMTYPE"), std::string::npos) << s;
    // The resource data is where the tree says: find "abc" in .rsrc.
    EXPECT_NE(section_hex(d.file("app.exe"), ".rsrc").find("61626300"), std::string::npos);
}

// A compiled resource file of count RCDATA and as many VERSION resources,
// numbered from 1; each holds its own number as its four bytes of data.
std::string resource_file(std::uint16_t count)
{
    std::string res("\0\0\0\0\x20\0\0\0\xff\xff\0\0\xff\xff\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 32);
    auto u16 = [&](std::uint32_t v) { res += char(v & 0xFF), res += char(v >> 8 & 0xFF); };
    auto u32 = [&](std::uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
    for (std::uint16_t type : {10, 16})
        for (std::uint32_t id = 1; id <= count; ++id) {
            u32(4);   // data size
            u32(32);  // header size
            u16(0xFFFF), u16(type), u16(0xFFFF), u16(id);
            u32(0), u16(0x30), u16(0x409), u32(0), u32(0);
            u32(type << 16 | id);
        }
    return res;
}

// Every data entry of the tree gets its address through a relocation: more
// of them than a 16-bit count holds take the overflow form.
TEST(Image, AResourceFileWithMoreThan65535ResourcesKeepsEveryDataAddress)
{
    constexpr std::uint16_t kPerType = 33000;
    LinkDir d;
    d.compile("main.obj", "int main(void) { return 0; }\n");
    d.write_text("many.res", resource_file(kPerType));
    RunResult r = d.link({"many.res", "main.obj", mingw_lib("kernel32")});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::string sections = readobj(d.file("many.exe"), "--sections");
    std::string rsrc = section_of(sections, ".rsrc");
    std::uint32_t start = field_number(rsrc, "VirtualAddress"), size = field_number(rsrc, "VirtualSize");
    std::string tree = readobj(d.file("many.exe"), "--coff-resources");
    std::vector<std::uint32_t> addresses;
    for (std::size_t at = tree.find("DataRVA: "); at != std::string::npos; at = tree.find("DataRVA: ", at + 1))
        addresses.push_back(static_cast<std::uint32_t>(std::stoul(tree.substr(at + 9, 12), nullptr, 16)));
    ASSERT_EQ(addresses.size(), 2u * kPerType);
    std::size_t outside = std::count_if(addresses.begin(), addresses.end(),
                                        [&](std::uint32_t a) { return a < start || a + 4 > start + size; });
    EXPECT_EQ(outside, 0u);
    // The last one's data is its own number.
    std::string hex = section_hex(d.file("many.exe"), ".rsrc");
    EXPECT_EQ(hex.substr(2 * (addresses.back() - start), 8), "e8801000") << "VERSION 33000";
}

TEST(Image, MalformedResourceFileFailsTheCommandLine)
{
    LinkDir d;
    d.compile("main.obj", "int main(void) { return 0; }\n");
    d.write_text("bad.res", std::string("\x20\0\0\0\x20\0\0\0\xff\xff\0\0", 12));
    RunResult r = d.link({"main.obj", "bad.res"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.out.find("Invalid ressource file bad.res\n"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("Impossible to read bad.res\n"), std::string::npos) << r.err;
}

TEST(Image, UnknownSectionsAreAssumedByTheirContentsOrIgnored)
{
    LinkDir d;
    CoffBuilder b;
    b.define("_mainCRTStartup", b.add_section(".text", {0xC3}, coff::kCode));
    b.add_section(".weird", {0x90, 0xC3}, coff::kCode);
    b.add_section(".rdata$zz", {'i', 'd'}, coff::kReadOnly);
    b.add_section(".note", {1}, 0x00000800);
    b.add_section(".a_long_data_name", {7, 7, 7, 7}, coff::kData);
    b.write(d.file("u.obj"));
    RunResult r = d.link({"-nodef", "u.obj"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.err.find("File u.obj contains unknown section .weird.\n.text section assumed\n"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("File u.obj contains unknown section .a_long_data_name.\n.data section assumed\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find(".rdata$zz"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("File u.obj contains unknown section .note.\n"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "Ignored\n");
    std::string s = readobj(d.file("u.exe"), kAllOracles);
    EXPECT_EQ(field_number(section_of(s, ".text"), "VirtualSize"), 3u);
    EXPECT_EQ(field_number(section_of(s, ".data"), "VirtualSize"), 6u);
}

TEST(Image, MapFileListsSectionsContributionsAndSizes)
{
    LinkDir d;
    CoffBuilder b;
    int text = b.add_section(".text", {0x90, 0xC3}, coff::kCode);
    b.define("_mainCRTStartup", text);
    b.write(d.file("m.obj"));
    RunResult r = d.link({"-nodef", "m.obj", "-map", "m.map"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::ifstream in(d.file("m.map"));
    std::string map((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(map, "output   input     virtual\n"
                   "section  section   address    tsize\n"
                   ".text               401000   200     2 \n"
                   "         .text      401000     2     2  m.obj\n"
                   "                    401000              _mainCRTStartup\n"
                   "\n"
                   "Section .text: 2\n"
                   "\tm.obj:  2\n"
                   "\n");
    r = d.link({"-nodef", "m.obj", "-map", "m.obj", "-o", "n.exe"});
    EXPECT_NE(r.err.find("'map': incorrect file name m.obj\n"), std::string::npos) << r.err;
}

TEST(Image, AFailedLinkLeavesAnExistingMapFileAsItWas)
{
    LinkDir d;
    CoffBuilder b;
    int text = b.add_section(".text", {0x90, 0xC3}, coff::kCode);
    b.define("_mainCRTStartup", text);
    b.write(d.file("m.obj"));
    {
        std::ofstream old(d.file("m.map"));
        old << "the map of the last good link\n";
    }
    std::ofstream(d.file("bad.obj")) << "not an object at all";
    RunResult r = d.link({"-nodef", "m.obj", "-map", "m.map", "bad.obj"});
    ASSERT_NE(r.exit_code, 0) << r.err;
    std::ifstream in(d.file("m.map"));
    std::string map((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(map, "the map of the last good link\n");
    // Nothing is left beside it either.
    std::size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(d.file(".")))
        files += e.path().filename().string().rfind("m.map", 0) == 0;
    EXPECT_EQ(files, 1u);
}

TEST(Image, CoffSymbolTableCarriesSymbolsWithOutputSectionsAndRvas)
{
    LinkDir d;
    CoffBuilder b;
    b.file_symbol("source_file_name.c");
    int text = b.add_section(".text", {0x90, 0xC3}, coff::kCode);
    b.define("_mainCRTStartup", text);
    b.define("_a_rather_long_function_name", text, 1);
    b.add_symbol("_$hidden", 0, static_cast<std::int16_t>(text));
    b.reference("_unused_import");
    b.write(d.file("c.obj"));
    RunResult r = d.link({"-nodef", "c.obj"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::string syms = readobj(d.file("c.exe"), "--symbols");
    std::size_t at = syms.find("Name: _a_rather_long_function_name\n");
    ASSERT_NE(at, std::string::npos) << syms;
    EXPECT_EQ(field_number(syms.substr(at), "Value"), 0x1001u);
    EXPECT_EQ(field(syms.substr(at), "Section"), ".text (1)");
    EXPECT_NE(syms.find("source_file_name.c"), std::string::npos);
    EXPECT_EQ(syms.find("_$hidden"), std::string::npos);
    EXPECT_EQ(syms.find("_unused_import"), std::string::npos);
}

TEST(Image, ASectionWithMoreThan65535RelocationsIsRelocatedWhole)
{
    LinkDir d;
    // clang marks the table's section with the relocation-overflow flag and
    // keeps the real count in the first relocation record.
    std::string source = "const int x = 5;\nconst int* t[70000] = {";
    for (int i = 0; i < 70000; ++i)
        source += "&x,";
    source += "};\nint main(void) { return *t[69999]; }\n";
    d.compile("many.obj", source);
    ASSERT_NE(objdump(d.file("many.obj"), "-h").find(".data"), std::string::npos);
    RunResult r = d.link({"many.obj", mingw_lib("kernel32"), "-reloc"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::string hex = section_hex(d.file("many.exe"), ".data");
    ASSERT_GE(hex.size(), 70000u * 8);
    // Every entry holds the address of x, the last ones too.
    std::string first = hex.substr(0, 8);
    EXPECT_NE(first, "00000000");
    std::size_t wrong = 0, first_wrong = 0;
    for (std::size_t i = 0; i < 70000; ++i)
        if (hex.compare(i * 8, 8, first) != 0 && wrong++ == 0)
            first_wrong = i;
    EXPECT_EQ(wrong, 0u) << "first wrong entry " << first_wrong;
    // Each of them also has its base relocation.
    std::string relocs = readobj(d.file("many.exe"), "--coff-basereloc");
    std::size_t count = 0;
    for (std::size_t at = relocs.find("Type: HIGHLOW"); at != std::string::npos; at = relocs.find("Type: HIGHLOW", at + 1))
        ++count;
    EXPECT_GE(count, 70000u);
}

TEST(Image, ExportNamesAreSortedForTheLoadersSearchWhenAliasesAreGiven)
{
    LinkDir d;
    d.compile("a.obj", "int __stdcall LibMain(void*h,unsigned r,void*p){return 1;}\n"
                       "int g(void){return 1;} int h(void){return 2;}\n");
    d.write_text("a.def", "LIBRARY al\nEXPORTS\n zz = g\n aa = h\n");
    RunResult r = d.link({"a.obj", "a.def"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::string hex = section_hex(d.file("al.dll"), ".edata");
    // After the directory (40 bytes) and "al.dll" (8): two addresses, two
    // name pointers, two ordinals, then the names.
    const std::size_t ordinals = 40 + 8 + 8 + 8, names = ordinals + 4;
    // Ordinals follow the decorated names (_g 1, _h 2); names are in byte
    // order, each with the ordinal of its own symbol: aa -> _h, zz -> _g.
    EXPECT_EQ(hex.substr(2 * ordinals, 8), "01000000");
    EXPECT_EQ(hex.substr(2 * names, 12), "6161007a7a00");
    std::string e = readobj(d.file("al.dll"), "--coff-exports");
    // The oracle reads each name back to the ordinal of its own symbol.
    EXPECT_NE(e.find("Ordinal: 1\n  Name: zz\n"), std::string::npos) << e;
    EXPECT_NE(e.find("Ordinal: 2\n  Name: aa\n"), std::string::npos) << e;
}

TEST(Image, SectionsThatDoNotFitA32BitProcessAreRefused)
{
    LinkDir d;
    CoffBuilder entry;
    int text = entry.add_section(".text", {0xC3}, coff::kCode);
    entry.define("_mainCRTStartup", text);
    entry.write(d.file("entry.obj"));
    // Two uninitialised sections whose sizes add up beyond 4 GB.
    for (const char* name : {"b1.obj", "b2.obj"}) {
        CoffBuilder b;
        b.add_bss(".bss", 0x90000000u);
        b.write(d.file(name));
    }
    RunResult r = d.link({"-nodef", "entry.obj", "b1.obj", "b2.obj", "-o", "wrap.exe"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("Section .bss does not fit: the image would end above 0x80000000\n"), std::string::npos)
        << r.err;
    EXPECT_FALSE(d.exists("wrap.exe"));

    // A .bss ending exactly at 2 GB pushes .rdata beyond what the process
    // can map.
    CoffBuilder big;
    big.add_bss(".bss", 0x80000000u - 0x402000u);
    int rdata = big.add_section(".rdata", {1, 2, 3, 4}, coff::kReadOnly);
    big.define("_constant", rdata);
    big.write(d.file("big.obj"));
    r = d.link({"-nodef", "entry.obj", "big.obj", "-o", "big.exe"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("Section .rdata does not fit: the image would end above 0x80000000\n"), std::string::npos)
        << r.err;
    EXPECT_FALSE(d.exists("big.exe"));

    // Just below the limit the image is written.
    CoffBuilder fits;
    fits.add_bss(".bss", 0x7F000000u);
    fits.write(d.file("fits.obj"));
    r = d.link({"-nodef", "-s", "entry.obj", "fits.obj", "-o", "fits.exe"});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(field_number(readobj(d.file("fits.exe"), "--file-headers"), "SizeOfImage"), 0x7F002000u);
}

}  // namespace

}  // namespace vyn::lnk::test
