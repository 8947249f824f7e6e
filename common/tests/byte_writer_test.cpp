#include "common/byte_writer.h"

#include <gtest/gtest.h>

#include "common/byte_reader.h"

namespace {

TEST(ByteWriter, WritesWhatTheReaderReadsBack)
{
    vyn::ByteWriter w;
    w.u8(0xAB);
    w.u16(0xBEEF);
    w.u32(0xDEADBEEF);
    w.u64(0x0102030405060708ull);
    w.c_string("name");
    w.fixed_string("toolongname", 8);
    w.fixed_string("ab", 4);

    vyn::ByteReader r(w.bytes());
    EXPECT_EQ(r.u8(), 0xAB);
    EXPECT_EQ(r.u16(), 0xBEEF);
    EXPECT_EQ(r.u32(), 0xDEADBEEFu);
    EXPECT_EQ(r.u64(), 0x0102030405060708ull);
    EXPECT_EQ(r.c_string(), "name");
    EXPECT_EQ(r.fixed_string(8), "toolongn");
    EXPECT_EQ(r.fixed_string(4), "ab");
    EXPECT_TRUE(r.ok());
    EXPECT_TRUE(r.at_end());
}

TEST(ByteWriter, AlignPadsWithTheFillByte)
{
    vyn::ByteWriter w;
    w.u8(1);
    w.align(4, 0x90);
    EXPECT_EQ(w.bytes(), (std::vector<std::uint8_t>{1, 0x90, 0x90, 0x90}));
    w.align(4);
    EXPECT_EQ(w.size(), 4u);
}

TEST(ByteWriter, PatchingRefusesFieldsBeyondTheEnd)
{
    vyn::ByteWriter w;
    w.zeros(6);
    EXPECT_TRUE(w.patch_u32(2, 0x11223344));
    EXPECT_FALSE(w.patch_u32(3, 1));
    EXPECT_FALSE(w.patch_u16(5, 1));
    EXPECT_EQ(w.bytes(), (std::vector<std::uint8_t>{0, 0, 0x44, 0x33, 0x22, 0x11}));

    std::vector<std::uint8_t> image(4, 0);
    EXPECT_TRUE(vyn::put_u16_at(image, 2, 0x0102));
    EXPECT_FALSE(vyn::put_u32_at(image, 1, 5));
    EXPECT_FALSE(vyn::put_u8_at(image, 4, 5));
    EXPECT_FALSE(vyn::put_u32_at(image, SIZE_MAX, 5));
    EXPECT_EQ(image, (std::vector<std::uint8_t>{0, 0, 2, 1}));
}

}  // namespace
