// Archives, export lists and import libraries, through their byte formats.
#include <gtest/gtest.h>

#include "common/byte_reader.h"
#include "common/coff_format.h"
#include "kit/coffar/archive.h"
#include "kit/coffar/exp_file.h"
#include "kit/coffar/import_library.h"
#include "kit/coffar/object_symbols.h"
#include "kit/coffar/object_writer.h"
#include "linker/tests/link_harness.h"
#include "platform/files.h"
#include "platform/tests/test_dirs.h"

namespace vyn::coffar {
namespace {

std::vector<std::uint8_t> object_defining(const std::vector<std::string>& names)
{
    ObjectWriter o;
    int text = o.add_section(".text", {0xC3}, 0x60000020);
    for (const std::string& n : names)
        o.define(n, text);
    o.reference("_undefined_here");
    return o.build();
}

std::uint32_t big_endian(std::span<const std::uint8_t> b, std::size_t pos)
{
    return (std::uint32_t(b[pos]) << 24) | (std::uint32_t(b[pos + 1]) << 16) | (std::uint32_t(b[pos + 2]) << 8) | b[pos + 3];
}

TEST(Archive, LinkerMembersIndexEverySymbolAndLongNamesRoundTrip)
{
    std::vector<ArchiveMember> members = {
        {"a_module_with_a_long_name.obj", object_defining({"_zeta", "_alpha"}), {"_zeta", "_alpha"}},
        {"b.obj", object_defining({"_mid"}), {"_mid"}}};
    std::vector<std::uint8_t> bytes = write_archive(members);

    ByteReader r(bytes);
    r.skip(8);
    auto first = coff::read_member_header(r);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->name, "/");
    auto body = r.take(first->size);
    auto index = coff::read_first_linker_member(body);
    ASSERT_TRUE(index);
    ASSERT_EQ(index->size(), 3u);
    EXPECT_EQ((*index)[0].name, "_zeta");
    EXPECT_EQ((*index)[2].name, "_mid");
    EXPECT_NE((*index)[0].member_offset, (*index)[2].member_offset);
    // Each offset points at a member header.
    for (const auto& e : *index) {
        ByteReader at(bytes);
        at.seek(e.member_offset);
        EXPECT_TRUE(coff::read_member_header(at));
    }
    r.skip(first->size & 1);
    auto second = coff::read_member_header(r);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->name, "/");
    auto s = r.take(second->size);
    ByteReader sr(s);
    EXPECT_EQ(sr.u32(), 2u);
    sr.skip(8);
    EXPECT_EQ(sr.u32(), 3u);
    EXPECT_EQ(sr.u16(), 1);  // "_alpha", sorted first, lives in member 1
    EXPECT_EQ(sr.u16(), 2);  // "_mid"
    EXPECT_EQ(sr.u16(), 1);  // "_zeta"
    EXPECT_EQ(sr.c_string(), "_alpha");
    r.skip(second->size & 1);
    auto longnames = coff::read_member_header(r);
    ASSERT_TRUE(longnames);
    EXPECT_EQ(longnames->name, "//");

    std::string error;
    auto back = read_archive(bytes, error);
    ASSERT_TRUE(back) << error;
    ASSERT_EQ(back->size(), 2u);
    EXPECT_EQ((*back)[0].name, "a_module_with_a_long_name.obj");
    EXPECT_EQ((*back)[0].bytes, members[0].bytes);
    EXPECT_EQ((*back)[1].name, "b.obj");
    EXPECT_EQ(big_endian(body, 0), 3u);
}

TEST(Archive, DamagedArchivesAreRefused)
{
    std::vector<std::uint8_t> bytes = write_archive({{"x.obj", object_defining({"_x"}), {"_x"}}});
    std::string error;
    auto cut = std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 10);
    EXPECT_FALSE(read_archive(cut, error));
    EXPECT_NE(error.find("runs past the end"), std::string::npos);
    auto lying = bytes;
    lying[8 + 58] = 'x';  // the first header's end marker
    EXPECT_FALSE(read_archive(lying, error));
    EXPECT_FALSE(read_archive(std::vector<std::uint8_t>{'n', 'o'}, error));
}

TEST(PublicSymbols, DefinitionsCommonsAndImportObjects)
{
    ObjectWriter o;
    int data = o.add_section(".data", {1, 2, 3, 4}, 0xC0000040);
    o.define("_defined", data);
    o.reference("_needed");
    std::vector<std::uint8_t> bytes = o.build();
    std::string error;
    auto names = public_symbols(bytes, error);
    ASSERT_TRUE(names) << error;
    EXPECT_EQ(*names, std::vector<std::string>{"_defined"});

    // A short import object for code names both the thunk and the "__imp_" pointer.
    std::vector<std::uint8_t> import = {0, 0, 0xFF, 0xFF, 0, 0, 0x4C, 0x01, 0, 0, 0, 0, 11, 0, 0, 0, 0, 0, 4, 0};
    for (char c : std::string("_f@4\0a.dll\0", 11))
        import.push_back(static_cast<std::uint8_t>(c));
    names = public_symbols(import, error);
    ASSERT_TRUE(names) << error;
    EXPECT_EQ(*names, (std::vector<std::string>{"__imp__f@4", "_f@4"}));

    bytes[0] = 0x64;  // another machine
    EXPECT_FALSE(public_symbols(bytes, error));
    EXPECT_EQ(error, "not an i386 COFF object");
}

// More relocations than the header's 16-bit count holds: the overflow form,
// read back by llvm-readobj, which lists them all.
TEST(ObjectWriter, ManyRelocationsTakeTheOverflowCount)
{
    constexpr std::uint32_t kCount = 70000;
    ObjectWriter o;
    int data = o.add_section(".data", std::vector<std::uint8_t>(4 * kCount), 0xC0000040);
    std::uint32_t target = o.reference("_target");
    for (std::uint32_t i = 0; i < kCount; ++i)
        o.relocate(data, 4 * i, target, coff::reloc_i386::kDir32);
    std::string path = vyn::testing::fresh_test_dir() + "/many.obj";
    ASSERT_TRUE(platform::write_file_atomically(path, o.build()));

    std::string s = lnk::test::readobj(path, "--sections --relocations");
    EXPECT_EQ(lnk::test::field(s, "RelocationCount"), "65535");
    EXPECT_NE(s.find("IMAGE_SCN_LNK_NRELOC_OVFL"), std::string::npos);
    std::size_t listed = 0;
    for (std::size_t at = s.find("IMAGE_REL_I386_DIR32 _target"); at != std::string::npos;
         at = s.find("IMAGE_REL_I386_DIR32 _target", at + 1))
        ++listed;
    EXPECT_EQ(listed, kCount);
    EXPECT_NE(s.find("0x445BC IMAGE_REL_I386_DIR32 _target"), std::string::npos) << "the last one, at 4 * 69999";
}

TEST(ExportList, ReadsCodeAndDataAndRefusesNonsense)
{
    std::string error;
    auto list = read_exp("mylib.dll\n_twice@4\t\ttwice\n\n_counter\t\tcounter\tdata\r\n", error);
    ASSERT_TRUE(list) << error;
    EXPECT_EQ(list->dll, "mylib.dll");
    ASSERT_EQ(list->exports.size(), 2u);
    EXPECT_EQ(list->exports[0].link_name, "_twice@4");
    EXPECT_EQ(list->exports[0].name, "twice");
    EXPECT_FALSE(list->exports[0].data);
    EXPECT_TRUE(list->exports[1].data);
    EXPECT_EQ(write_exp(*list), "mylib.dll\n_twice@4\t\ttwice\n_counter\t\tcounter\tdata\n");

    EXPECT_FALSE(read_exp("", error));
    EXPECT_FALSE(read_exp("x.dll\n_a\t\ta\tcode\n", error));
    EXPECT_EQ(error, "line 2: expected a link name, an export name and optionally \"data\"");
    EXPECT_FALSE(read_exp("x.dll\n_lonely\n", error));
    EXPECT_EQ(error, "line 2: expected a link name, an export name and optionally \"data\"");
    EXPECT_FALSE(read_exp(std::string("x.dll\n_a\0b\t\ta\n", 12), error));
    EXPECT_FALSE(read_exp("x.dll\n_a\t\ta\n_a\t\tb\n", error));
    EXPECT_EQ(error, "line 3: _a is exported twice");
}

TEST(ImportLibrary, MembersRoundTripAndIndexTheirSymbols)
{
    ExportList list{"MyLib.dll", {{"_twice@4", "twice", false}, {"_counter", "counter", true}}};
    std::vector<ArchiveMember> members = import_members(list);
    ASSERT_EQ(members.size(), 5u);
    EXPECT_EQ(members[0].name, "mylib_dll_h.obj");
    EXPECT_EQ(members[1].symbols, (std::vector<std::string>{"_twice@4", "__imp__twice@4"}));
    EXPECT_EQ(members[2].symbols, std::vector<std::string>{"__imp__counter"});
    EXPECT_EQ(members[3].name, "mylib_dll_t.obj");
    // Head, entries and tail sort in that order by member name.
    EXPECT_LT(members[0].name, members[1].name);
    EXPECT_LT(members[2].name, members[3].name);
    for (const ArchiveMember& m : members) {
        std::string error;
        auto names = public_symbols(m.bytes, error);
        ASSERT_TRUE(names) << m.name << ": " << error;
        EXPECT_EQ(*names, m.symbols) << m.name;
    }
    std::string error;
    auto back = exports_of_import_library(write_archive(members), error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(write_exp(*back), write_exp(list));
}

}  // namespace
}  // namespace vyn::coffar
