// Images built byte by byte to attack the loader: tables that multiply,
// sizes declared far beyond the file, huge counts and damaged directories.
// Each is refused with a message or run at the cost of its file, never of
// the sizes it declares.
#include "testing/i386/machine.h"
#include "testing/i386/tests/guest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace vyn::i386 {
namespace {

using lnk::test::quote;
using lnk::test::run_command;
using namespace test;

constexpr std::uint32_t kFileAlignment = 0x200;
constexpr std::uint32_t kCode = 0x60000020;  // code, execute, read
constexpr std::uint32_t kData = 0xC0000040;  // initialised data, read, write

struct SectionSpec {
    std::string name;
    std::uint32_t rva;
    std::uint32_t virtual_size;
    std::vector<std::uint8_t> data;
    std::uint32_t characteristics;
};

void put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v)
{
    if (b.size() < at + 2)
        b.resize(at + 2);
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v)
{
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

// A PE32 image: headers, then each section's data at the next file-aligned
// offset. The directories are given as (rva, size) by index.
struct ImageSpec {
    std::uint32_t image_base = 0x400000;
    std::uint32_t size_of_image = 0x10000;
    std::uint32_t entry_rva = 0x1000;
    std::uint32_t section_count_override = 0;  // claims this many sections when non-zero
    std::vector<SectionSpec> sections;
    std::pair<std::uint32_t, std::uint32_t> directories[16] = {};

    std::vector<std::uint8_t> bytes() const
    {
        std::vector<std::uint8_t> b(0x40, 0);
        put16(b, 0, 0x5A4D);
        put32(b, 0x3C, 0x40);
        put32(b, 0x40, 0x4550);
        put16(b, 0x44, 0x14C);
        put16(b, 0x46, section_count_override ? section_count_override : std::uint32_t(sections.size()));
        put16(b, 0x54, 224);
        put16(b, 0x56, 0x0102);  // executable, 32-bit
        const std::size_t o = 0x58;
        put16(b, o, 0x10B);
        put32(b, o + 16, entry_rva);
        put32(b, o + 28, image_base);
        put32(b, o + 32, 0x1000);
        put32(b, o + 36, kFileAlignment);
        put16(b, o + 40, 4);
        put16(b, o + 48, 4);
        put32(b, o + 56, size_of_image);
        put32(b, o + 60, kFileAlignment);
        put16(b, o + 68, 3);  // console
        put32(b, o + 72, 0x100000);
        put32(b, o + 76, 0x1000);
        put32(b, o + 92, 16);
        for (int i = 0; i < 16; ++i) {
            put32(b, o + 96 + 8 * i, directories[i].first);
            put32(b, o + 100 + 8 * i, directories[i].second);
        }
        std::size_t table = o + 224;
        std::size_t raw = kFileAlignment;
        for (std::size_t i = 0; i < sections.size(); ++i) {
            const SectionSpec& s = sections[i];
            std::size_t h = table + 40 * i;
            b.resize(std::max(b.size(), h + 40));
            std::copy(s.name.begin(), s.name.begin() + std::min<std::size_t>(8, s.name.size()), b.begin() + h);
            put32(b, h + 8, s.virtual_size);
            put32(b, h + 12, s.rva);
            std::uint32_t raw_size = (s.data.size() + kFileAlignment - 1) / kFileAlignment * kFileAlignment;
            put32(b, h + 16, raw_size);
            put32(b, h + 20, s.data.empty() ? 0 : std::uint32_t(raw));
            put32(b, h + 36, s.characteristics);
            raw += raw_size;
        }
        b.resize(std::max<std::size_t>(b.size(), kFileAlignment), 0);
        for (const SectionSpec& s : sections) {
            std::size_t at = b.size();
            b.insert(b.end(), s.data.begin(), s.data.end());
            b.resize(at + (s.data.size() + kFileAlignment - 1) / kFileAlignment * kFileAlignment, 0);
        }
        return b;
    }
};

// mov eax, 7; ret: the entry point returns 7.
const std::vector<std::uint8_t> kReturnSeven = {0xB8, 0x07, 0, 0, 0, 0xC3};

std::string load_error(const std::vector<std::uint8_t>& file)
{
    BufferConsole console;
    Machine machine(console);
    if (machine.load(file, "hostile.exe"))
        return "loaded";
    return machine.error();
}

// An import section at 0x2000: a hint/name entry, one lookup table of
// entries names long, shared by descriptors descriptors, then the DLL name.
ImageSpec shared_lookup_tables(std::uint32_t entries, std::uint32_t descriptors, std::size_t name_length)
{
    ImageSpec layout;
    std::vector<std::uint8_t> idata(2 + name_length + 1, 'f');
    idata[0] = idata[1] = 0;
    idata.back() = 0;
    idata.resize((idata.size() + 3) & ~std::size_t(3));
    const std::uint32_t lookup = 0x2000 + std::uint32_t(idata.size());
    for (std::uint32_t i = 0; i < entries; ++i)
        put32(idata, idata.size(), 0x2000);
    put32(idata, idata.size(), 0);
    const std::uint32_t dll = 0x2000 + std::uint32_t(idata.size());
    for (char c : std::string("hostile.dll"))
        idata.push_back(static_cast<std::uint8_t>(c));
    idata.resize(idata.size() + 4 - idata.size() % 4, 0);
    const std::uint32_t directory = 0x2000 + std::uint32_t(idata.size());
    for (std::uint32_t i = 0; i < descriptors; ++i) {
        std::size_t at = idata.size();
        put32(idata, at, lookup);
        put32(idata, at + 12, dll);
        put32(idata, at + 16, lookup);  // the IAT is the lookup table itself
    }
    put32(idata, idata.size() + 16, 0);  // the terminating descriptor
    std::uint32_t idata_size = std::uint32_t(idata.size());
    layout.size_of_image = 0x2000 + ((idata_size + 0xFFF) & ~0xFFFu);
    layout.sections = {{".text", 0x1000, 0x1000, kReturnSeven, kCode}, {".idata", 0x2000, idata_size, idata, kData}};
    layout.directories[1] = {directory, 20 * (descriptors + 1)};
    return layout;
}

TEST(I386HostileImage, ImportsMultipliedBySharedTablesAreCountedWhileRead)
{
    // 4000 entries by 5000 descriptors: twenty million imports from 120 KB.
    EXPECT_EQ(load_error(shared_lookup_tables(4000, 5000, 1).bytes()), "more than 16384 imported functions");
    // 300 imports of one 4000-character name: more name than the file holds.
    EXPECT_EQ(load_error(shared_lookup_tables(100, 3, 4000).bytes()),
              "import names of hostile.dll add up to more than the file holds");
    EXPECT_EQ(load_error(shared_lookup_tables(1, 1, 5000).bytes()),
              "import name of hostile.dll lies outside the image or is longer than 4096 characters");
    // The same shape within the limits loads.
    EXPECT_EQ(load_error(shared_lookup_tables(100, 1, 10).bytes()), "loaded");
}

// An export section at 0x2000: the directory, then the address table, the
// name pointers, the ordinal table and one name (when names is not 0), each
// field given.
ImageSpec exports(std::uint32_t functions, std::uint32_t names, std::uint32_t address, std::uint16_t ordinal_index,
                  std::uint32_t name_rva = 0x2100)
{
    std::vector<std::uint8_t> edata(0x200, 0);
    put32(edata, 16, 1);  // ordinal base
    put32(edata, 20, functions);
    put32(edata, 24, names);
    put32(edata, 28, 0x2040);
    put32(edata, 32, 0x2080);
    put32(edata, 36, 0x20C0);
    put32(edata, 0x40, address);
    if (names != 0) {
        put32(edata, 0x80, name_rva);
        put16(edata, 0xC0, ordinal_index);
        const std::string name = "exported";
        std::copy(name.begin(), name.end(), edata.begin() + 0x100);
    }
    ImageSpec layout;
    layout.size_of_image = 0x3000;
    layout.sections = {{".text", 0x1000, 0x1000, kReturnSeven, kCode}, {".edata", 0x2000, 0x200, edata, kData}};
    layout.directories[0] = {0x2000, 0x200};
    return layout;
}

TEST(I386HostileImage, DamagedExportTablesAreRefused)
{
    EXPECT_EQ(load_error(exports(1, 1, 0x1000, 0).bytes()), "loaded");
    EXPECT_EQ(load_error(exports(0x20000, 1, 0x1000, 0).bytes()), "more than 65536 exports");
    EXPECT_EQ(load_error(exports(1, 1, 0x1000, 1).bytes()), "export name 0 refers to the unused ordinal 2");
    EXPECT_EQ(load_error(exports(1, 1, 0x5000, 0).bytes()), "export #1 lies outside the image");
    EXPECT_EQ(load_error(exports(1, 1, 0x1000, 0, 0x7000).bytes()),
              "export name at 0x7000 lies outside the image or is longer than 4096 characters");
    // An address inside the directory is a forwarder, read as text; it is
    // followed only when something imports it.
    EXPECT_EQ(load_error(exports(1, 1, 0x2100, 0).bytes()), "loaded");
    // An address table longer than the image.
    EXPECT_EQ(load_error(exports(0x4000, 0, 0x1000, 0).bytes()), "export address table runs off the image");
}

TEST(I386HostileImage, DeclaredSizesCostNoMemory)
{
    ImageSpec layout;
    layout.size_of_image = 0x0FF00000;
    layout.sections = {{".text", 0x1000, 0x1000, kReturnSeven, kCode},
                     {".bss", 0x2000, 0x0FE00000, {}, kData}};
    std::vector<std::uint8_t> file = layout.bytes();
    ASSERT_LT(file.size(), 10000u);
    LinkDir d;
    d.write_text("large.exe", std::string(file.begin(), file.end()));
    RunResult r = run_command("/usr/bin/time -f %M -o rss.txt " + quote(VYNI386_PATH) + " large.exe", d.path());
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exit_code, 7);
    // GNU time's last line holds the peak resident size in KB.
    std::vector<std::uint8_t> bytes = read_bytes(d.file("rss.txt"));
    std::string report(bytes.begin(), bytes.end());
    ASSERT_FALSE(report.empty());
    std::size_t line = report.find_last_of('\n', report.size() - 2);
    long kilobytes = std::atol(report.c_str() + (line == std::string::npos ? 0 : line + 1));
    EXPECT_LT(kilobytes, 64 * 1024) << "peak resident size in KB";
}

TEST(I386HostileImage, SectionCountsBeyondTheLoadersAreRefused)
{
    ImageSpec layout;
    layout.sections = {{".text", 0x1000, 0x1000, kReturnSeven, kCode}};
    layout.section_count_override = 65535;
    std::vector<std::uint8_t> file = layout.bytes();
    file.resize(0x138 + 65535 * 40 + 0x1000, 0);
    EXPECT_EQ(load_error(file), "65535 sections; the loader maps at most 96");
}

// Each damage of a small good image and the loader's complaint.
TEST(I386HostileImage, DamagedDirectoriesAreRefusedWithAMessage)
{
    struct Case {
        const char* what;
        std::function<void(ImageSpec&)> damage;
        const char* message;
    };
    auto with_data = [](ImageSpec& s, std::vector<std::uint8_t> data) {
        s.sections.push_back({".data", 0x3000, 0x1000, std::move(data), kData});
    };
    const Case cases[] = {
        {"relocation block of size 0",
         [&](ImageSpec& s) { with_data(s, std::vector<std::uint8_t>(16, 0)); s.directories[5] = {0x3000, 16}; },
         "relocation block for page 0x0 has a bad size 0x0"},
        {"relocation block longer than its directory",
         [&](ImageSpec& s) {
             std::vector<std::uint8_t> b;
             put32(b, 0, 0x1000);
             put32(b, 4, 0x100);
             with_data(s, b);
             s.directories[5] = {0x3000, 8};
         },
         "relocation block for page 0x1000 has a bad size 0x100"},
        {"relocation outside the image",
         [&](ImageSpec& s) {
             std::vector<std::uint8_t> b;
             put32(b, 0, 0xFFF000);
             put32(b, 4, 10);
             put16(b, 8, 0x3000);
             with_data(s, b);
             s.directories[5] = {0x3000, 10};
         },
         "relocation at 0xfff000 lies outside the image"},
        {"relocation of a foreign type",
         [&](ImageSpec& s) {
             std::vector<std::uint8_t> b;
             put32(b, 0, 0x1000);
             put32(b, 4, 10);
             put16(b, 8, 0xA000);
             with_data(s, b);
             s.directories[5] = {0x3000, 10};
         },
         "relocation type 10 at 0x1000 is not an i386 relocation"},
        {"TLS directory outside", [](ImageSpec& s) { s.directories[9] = {0xFFF0, 24}; }, "TLS directory runs off"},
        {"TLS index outside",
         [&](ImageSpec& s) {
             std::vector<std::uint8_t> b;
             put32(b, 8, 0x7000000);
             with_data(s, b);
             s.directories[9] = {0x3000, 24};
         },
         "TLS index lies outside the image"},
        {"TLS callbacks in a gap",
         [&](ImageSpec& s) {
             std::vector<std::uint8_t> b;
             put32(b, 8, 0x403100);
             put32(b, 12, 0x408000);
             with_data(s, b);
             s.directories[9] = {0x3000, 24};
         },
         "TLS callback list runs off the image"},
        {"sections out of order",
         [&](ImageSpec& s) { s.sections.push_back({".early", 0x800, 0x100, {}, kData}); },
         "section .early overlaps the headers or the section before it"},
    };
    for (const Case& c : cases) {
        ImageSpec layout;
        layout.sections = {{".text", 0x1000, 0x1000, kReturnSeven, kCode}};
        c.damage(layout);
        std::string error = load_error(layout.bytes());
        EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
    }
    ImageSpec good;
    good.sections = {{".text", 0x1000, 0x1000, kReturnSeven, kCode}};
    EXPECT_EQ(load_error(good.bytes()), "loaded");
}

}  // namespace
}  // namespace vyn::i386
