// The disassembly window's listing over hand-made tables: the current
// function or the bytes around EIP, breakpoint bytes put back, the names of
// frame variables, called functions and imports, jump targets, source lines
// and code bytes, and the line of EIP selected.
#include "ide/debugger/listing.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using namespace vyn::dbg;

struct Memory : MemoryReader {
    std::map<std::uint32_t, std::uint8_t> bytes;
    void put(std::uint32_t at, std::initializer_list<std::uint8_t> code)
    {
        for (std::uint8_t b : code)
            bytes[at++] = b;
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
};

/* Module 1 holds "work" (0x401000 to 0x40101C, local n at -4, lines 10, 12
   and 13) and "helper" at 0x401020; the import ExitProcess has its stub at
   0x401030. Memory holds work's code, with a breakpoint on its pushl, and
   nops from 0x401040. */
struct Fixture {
    DebugInfo info;
    Memory memory;
    Fixture()
    {
        info.modules.resize(2);
        ModuleEntry& m = info.modules[1];
        m.present = true;
        m.index = 1;
        m.code_start = 0x401000;
        m.code_end = 0x401100;
        m.line_addresses = {0x401000, 0x401003, 0x401011};
        m.line_numbers = {10, 12, 13};
        FunctionRecord work;
        work.name = "work";
        work.start = 0x401000;
        work.end = 0x40101C;
        work.locals.push_back({"n", -4, 0x74, 0});
        work.locals.push_back({"r", -8, 0x74, kRegisterLocal});  // a register: no frame name
        m.functions.push_back(work);
        FunctionRecord helper;
        helper.name = "helper";
        helper.start = 0x401020;
        helper.end = 0x401030;
        m.functions.push_back(helper);
        info.imports.push_back({"ExitProcess", "KERNEL32.dll", 0x7C801000, 0x401030});

        memory.put(0x401000, {0x55,                            // pushl %ebp
                              0x89, 0xE5,                      // movl %esp,%ebp
                              0x8B, 0x45, 0xFC,                // movl -4(%ebp),%eax
                              0xCC,                            // a breakpoint on pushl %eax (0x50)
                              0xE8, 0x14, 0x00, 0x00, 0x00,    // call helper
                              0xE8, 0x1F, 0x00, 0x00, 0x00,    // call ExitProcess's stub
                              0xE8, 0xEA, 0x0F, 0x00, 0x00,    // call 0x402000, which nothing names
                              0xEB, 0xEB,                      // jmp 0x401003
                              0x8B, 0x45, 0xF8,                // movl -8(%ebp),%eax
                              0xC3});                          // ret
        for (std::uint32_t a = 0x401040; a < 0x401040 + kBytesAroundEip; ++a)
            memory.bytes[a] = 0x90;
    }
};

std::vector<std::string> texts(const Listing& l)
{
    std::vector<std::string> out;
    for (const ListingLine& line : l.lines)
        out.push_back(line.text);
    return out;
}

TEST(Listing, TheFunctionOfEipWithNamesTargetsAndTheBreakpointsOwnByte)
{
    Fixture f;
    ListingOptions o;
    o.breakpoint_bytes[0x401006] = 0x50;
    Listing l = BuildListing(f.info, f.memory, 0x401006, o);
    ASSERT_EQ(l.function, &f.info.modules[1].functions[0]);
    EXPECT_EQ(l.start, 0x401000u);
    EXPECT_EQ(l.end, 0x40101Cu);
    std::vector<std::string> expected = {
        "401000   pushl  %ebp",
        "401001   movl   %esp,%ebp",
        "401003   movl   -4(%ebp),%eax (n)",
        "401006   pushl  %eax",
        "401007   call   0x401020 (helper)",
        "40100c   call   0x401030 (ExitProcess)",
        "401011   call   0x402000(0x402000)",
        "401016   jmp    401003",
        "401018   movl   -8(%ebp),%eax",
        "40101b   retl   ",
    };
    EXPECT_EQ(texts(l), expected);
    EXPECT_EQ(l.selected, 3u);
    EXPECT_EQ(l.lines[3].address, 0x401006u);
}

TEST(Listing, SourceLinesBeforeTheirCodeAndCodeBytesInColumnFifty)
{
    Fixture f;
    ListingOptions o;
    o.source_annotation = true;
    o.code_bytes = true;
    o.breakpoint_bytes[0x401006] = 0x50;
    o.source_line = [](int module, std::uint16_t n) {
        return "text of " + std::to_string(module) + ":" + std::to_string(n);
    };
    Listing l = BuildFunctionListing(f.info, f.memory, 1, f.info.modules[1].functions[0], o);
    std::vector<std::string> t = texts(l);
    ASSERT_GE(t.size(), 8u);
    // Line 10's entry brings the lines up to the next entry's (11); line 13 is the last entry.
    EXPECT_EQ(t[0], "[  10] text of 1:10");
    EXPECT_EQ(t[1], "[  11] text of 1:11");
    EXPECT_EQ(t[2], std::string("401000   pushl  %ebp").append(30, ' ') + "55");
    EXPECT_EQ(t[4], "[  12] text of 1:12");
    EXPECT_EQ(t[5], "401003   movl   -4(%ebp),%eax (n)                 8b45fc");
    EXPECT_EQ(t[6], "401006   pushl  %eax                              50");
    EXPECT_TRUE(l.lines[0].is_source);
    EXPECT_EQ(l.lines[0].address, 0x401000u);
    std::size_t thirteen = 0;
    for (std::size_t i = 0; i < t.size(); ++i)
        if (t[i].rfind("[  13] ", 0) == 0)
            thirteen = i;
    ASSERT_NE(thirteen, 0u);
    EXPECT_EQ(t[thirteen + 1].substr(0, 9), "401011   ");
    EXPECT_EQ(t[thirteen + 2].substr(0, 9), "401016   ");  // no line 14 follows the last entry
}

TEST(Listing, BytesFromEipOutsideEveryFunctionOrNothingWhenUnreadable)
{
    Fixture f;
    Listing l = BuildListing(f.info, f.memory, 0x401040, {});
    EXPECT_EQ(l.function, nullptr);
    EXPECT_EQ(l.start, 0x401040u);
    EXPECT_EQ(l.end, 0x401040u + 150);
    ASSERT_EQ(l.lines.size(), 150u);
    EXPECT_EQ(l.lines.back().text, "4010d5   nop    ");
    EXPECT_EQ(l.selected, 0u);

    f.memory.bytes.erase(0x401040 + 149);  // one byte of the range unreadable
    EXPECT_TRUE(BuildListing(f.info, f.memory, 0x401040, {}).lines.empty());
}

}  // namespace
