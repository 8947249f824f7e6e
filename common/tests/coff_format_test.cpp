#include "common/coff_format.h"

#include "common/byte_writer.h"

#include <gtest/gtest.h>

namespace {

using namespace vyn;

TEST(CoffLineNumbers, FunctionStartAndRelativeLinesDecode)
{
    ByteWriter w;
    w.zeros(3);  // the table need not start at an aligned position
    w.u32(7);    // function start: symbol index 7
    w.u16(0);
    w.u32(0x12);  // code at 0x12, two lines below the ".bf" line
    w.u16(2);
    w.u32(0xFFFFFFF0);
    w.u16(0xFFFF);
    bool complete = false;
    auto lines = coff::read_line_numbers(w.bytes(), 3, 3, &complete);
    ASSERT_TRUE(complete);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[0].starts_function());
    EXPECT_EQ(lines[0].address_or_symbol, 7u);
    EXPECT_FALSE(lines[1].starts_function());
    EXPECT_EQ(lines[1].address_or_symbol, 0x12u);
    EXPECT_EQ(lines[1].line, 2);
    EXPECT_EQ(lines[2].address_or_symbol, 0xFFFFFFF0u);
    EXPECT_EQ(lines[2].line, 0xFFFF);
}

TEST(CoffLineNumbers, ATableCutShortGivesTheWholeRecordsOnly)
{
    ByteWriter w;
    w.u32(0x10);
    w.u16(1);
    w.u32(0x20);  // the line field of the second record is missing
    bool complete = true;
    auto lines = coff::read_line_numbers(w.bytes(), 0, 2, &complete);
    EXPECT_FALSE(complete);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].line, 1);

    // A position beyond the file, and a count that would overflow the file.
    EXPECT_TRUE(coff::read_line_numbers(w.bytes(), 100, 1, &complete).empty());
    EXPECT_FALSE(complete);
    EXPECT_EQ(coff::read_line_numbers(w.bytes(), 0, std::size_t(-1) / 2, &complete).size(), 1u);
    EXPECT_FALSE(complete);
}

TEST(CoffHeaders, FileAndSectionHeadersReadFieldByField)
{
    ByteWriter w;
    w.u16(coff::machine::kI386);
    w.u16(1);
    w.u32(0x5F000000);
    w.u32(0x200);
    w.u32(9);
    w.u16(0);
    w.u16(coff::file_flags::kMachine32Bit);
    w.fixed_string(".text$mn", 8);
    for (std::uint32_t v : {0u, 0u, 0x40u, 0x3Cu, 0x7Cu, 0x90u})
        w.u32(v);
    w.u16(3);
    w.u16(4);
    w.u32(coff::section_flags::kCode | coff::section_flags::kExecute | coff::section_flags::kRead |
          coff::alignment_flags(16));
    ASSERT_EQ(w.size(), coff::kFileHeaderSize + coff::kSectionHeaderSize);

    ByteReader r(w.bytes());
    coff::FileHeader h = coff::read_file_header(r);
    coff::SectionHeader s = coff::read_section_header(r);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(h.machine, coff::machine::kI386);
    EXPECT_EQ(h.symbol_table_pos, 0x200u);
    EXPECT_EQ(h.symbol_count, 9u);
    EXPECT_EQ(s.name, ".text$mn");
    EXPECT_EQ(s.raw_size, 0x40u);
    EXPECT_EQ(s.line_pos, 0x90u);
    EXPECT_EQ(s.reloc_count, 3);
    EXPECT_EQ(s.line_count, 4);
    EXPECT_EQ(coff::section_alignment(s.characteristics), 16u);

    ByteReader short_reader(std::span(w.bytes()).first(30));
    coff::read_file_header(short_reader);
    coff::read_section_header(short_reader);
    EXPECT_FALSE(short_reader.ok());
}

TEST(CoffHeaders, AlignmentCodesRoundTrip)
{
    for (std::uint32_t a = 1; a <= 8192; a *= 2)
        EXPECT_EQ(coff::section_alignment(coff::alignment_flags(a)), a) << a;
    EXPECT_EQ(coff::section_alignment(0), 1u);
    EXPECT_EQ(coff::section_alignment(0x00F00000), 1u);  // code 15 is not an alignment
    EXPECT_EQ(coff::long_name_offset("/123"), 123u);
    EXPECT_FALSE(coff::long_name_offset(".text"));
    EXPECT_FALSE(coff::long_name_offset("/"));
}

TEST(CoffSymbols, InlineAndStringTableNames)
{
    ByteWriter strings;
    strings.u32(0);
    strings.c_string("a_long_function_name");
    strings.patch_u32(0, static_cast<std::uint32_t>(strings.size()));

    ByteWriter w;
    w.fixed_string("_main", 8);
    w.u32(0x10);
    w.u16(1);
    w.u16(coff::symbol_type::kFunction);
    w.u8(coff::storage_class::kExternal);
    w.u8(1);
    w.u32(0);
    w.u32(4);
    w.u32(0);
    w.u16(static_cast<std::uint16_t>(coff::section_number::kAbsolute));
    w.u16(0);
    w.u8(coff::storage_class::kStatic);
    w.u8(0);

    ByteReader r(w.bytes());
    coff::Symbol a = coff::read_symbol(r);
    coff::Symbol b = coff::read_symbol(r);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(coff::symbol_name(a, strings.bytes()), "_main");
    EXPECT_EQ(a.aux_count, 1);
    EXPECT_EQ(a.section, 1);
    EXPECT_EQ(coff::symbol_name(b, strings.bytes()), "a_long_function_name");
    EXPECT_EQ(b.section, coff::section_number::kAbsolute);
    coff::Symbol far = b;
    far.name_offset = 1000;
    EXPECT_EQ(coff::symbol_name(far, strings.bytes()), "");
    far.name_offset = 2;  // inside the size field: never a name
    EXPECT_EQ(coff::symbol_name(far, strings.bytes()), "");
}

TEST(CoffArchives, MemberHeaderAndFirstLinkerMember)
{
    ByteWriter body;
    for (std::uint8_t b : {0, 0, 0, 2, 0, 0, 0, 0x44, 0, 0, 0x01, 0x02})
        body.u8(b);
    body.c_string("_f");
    body.c_string("_g");
    ByteWriter w;
    w.fixed_string("/               ", 16);
    w.fixed_string("0           ", 12);
    w.fixed_string("      ", 6);
    w.fixed_string("      ", 6);
    w.fixed_string("0       ", 8);
    w.fixed_string(std::to_string(body.size()) + "        ", 10);
    w.text("`\n");
    w.bytes(body.bytes());

    ByteReader r(w.bytes());
    auto h = coff::read_member_header(r);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->name, "/");
    EXPECT_EQ(h->size, body.size());
    auto entries = coff::read_first_linker_member(r.take(h->size));
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 2u);
    EXPECT_EQ((*entries)[0].member_offset, 0x44u);
    EXPECT_EQ((*entries)[1].member_offset, 0x102u);
    EXPECT_EQ((*entries)[1].name, "_g");

    // A count larger than the member can hold, and a bad end marker.
    std::vector<std::uint8_t> lying = {0x7F, 0, 0, 0};
    EXPECT_FALSE(coff::read_first_linker_member(lying));
    std::vector<std::uint8_t> header(w.bytes().begin(), w.bytes().begin() + 60);
    header[58] = 'x';
    ByteReader bad(header);
    EXPECT_FALSE(coff::read_member_header(bad));
}

TEST(CoffImportObjects, HeaderAndNames)
{
    ByteWriter w;
    w.u16(0);
    w.u16(coff::kImportSig2);
    w.u16(0);
    w.u16(coff::machine::kI386);
    w.u32(0);
    w.u32(24);
    w.u16(5);
    w.u16(coff::import_type::kData | (coff::import_name_type::kNameNoPrefix << 2));
    w.c_string("_environ");
    w.c_string("msvcrt.dll");
    w.zeros(5);
    auto o = coff::read_import_object(w.bytes());
    ASSERT_TRUE(o);
    EXPECT_EQ(o->symbol, "_environ");
    EXPECT_EQ(o->dll, "msvcrt.dll");
    EXPECT_EQ(o->type, coff::import_type::kData);
    EXPECT_EQ(o->name_type, coff::import_name_type::kNameNoPrefix);
    EXPECT_EQ(o->ordinal_or_hint, 5);

    std::vector<std::uint8_t> cut(w.bytes().begin(), w.bytes().begin() + 30);
    EXPECT_FALSE(coff::read_import_object(cut));
}

}  // namespace
