#include "common/byte_reader.h"

#include <gtest/gtest.h>

#include <vector>

using vyn::ByteReader;

namespace {

const std::vector<std::uint8_t> kFields = {0x01, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12,
                                           0xF0, 0xDE, 0xBC, 0x9A, 0x78, 0x56, 0x34, 0x12};

TEST(ByteReader, ReadsLittleEndianFieldsInOrder)
{
    ByteReader r(kFields);
    EXPECT_EQ(r.u8(), 0x01);
    EXPECT_EQ(r.u16(), 0x1234);
    EXPECT_EQ(r.u32(), 0x12345678u);
    EXPECT_EQ(r.u64(), 0x123456789ABCDEF0ull);
    EXPECT_TRUE(r.ok());
    EXPECT_TRUE(r.at_end());
}

TEST(ByteReader, ShortReadFailsWithoutMovingAndStaysFailed)
{
    std::vector<std::uint8_t> bytes = {1, 2, 3};
    ByteReader r(bytes);
    EXPECT_EQ(r.u16(), 0x0201);
    EXPECT_EQ(r.u32(), 0u);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.position(), 2u);
    EXPECT_EQ(r.error(), "need 4 bytes at offset 2, 1 left");
    // Later successful reads do not clear the failure.
    EXPECT_EQ(r.u8(), 3);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.error(), "need 4 bytes at offset 2, 1 left");
}

TEST(ByteReader, SignedReadsSignExtend)
{
    std::vector<std::uint8_t> bytes = {0xFF, 0xFE, 0xFF, 0xFC, 0xFF, 0xFF, 0xFF};
    ByteReader r(bytes);
    EXPECT_EQ(r.i8(), -1);
    EXPECT_EQ(r.i16(), -2);
    EXPECT_EQ(r.i32(), -4);
}

TEST(ByteReader, SeekSkipAndAlignStayInsideTheSpan)
{
    std::vector<std::uint8_t> bytes(10, 0);
    ByteReader r(bytes);
    EXPECT_TRUE(r.skip(3));
    EXPECT_TRUE(r.align(4));
    EXPECT_EQ(r.position(), 4u);
    EXPECT_TRUE(r.seek(10));
    EXPECT_TRUE(r.at_end());
    EXPECT_FALSE(r.seek(11));
    EXPECT_EQ(r.position(), 10u);
    ByteReader s(bytes);
    s.skip(9);
    EXPECT_FALSE(s.align(4));  // 12 lies beyond 10
}

TEST(ByteReader, StringsNeedTheirTerminatorOrWidth)
{
    std::string data("abc\0de", 6);
    ByteReader r(vyn::as_bytes(data));
    EXPECT_EQ(r.c_string(), "abc");
    EXPECT_EQ(r.c_string(), "");
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.position(), 4u);

    std::string padded(".text\0\0\0", 8);
    ByteReader f(vyn::as_bytes(padded));
    EXPECT_EQ(f.fixed_string(8), ".text");
    EXPECT_TRUE(f.at_end());

    std::string prefixed("\x05hello\x09short");
    ByteReader p(vyn::as_bytes(prefixed));
    EXPECT_EQ(p.length_prefixed_string(), "hello");
    EXPECT_EQ(p.length_prefixed_string(), "");
    EXPECT_FALSE(p.ok());
    EXPECT_EQ(p.position(), 6u);
}

TEST(ByteReader, SubReaderIsConfinedToItsRange)
{
    ByteReader r(kFields);
    ByteReader inner = r.sub(3, 4);
    EXPECT_EQ(inner.u32(), 0x12345678u);
    EXPECT_EQ(inner.u8(), 0);
    EXPECT_FALSE(inner.ok());
    EXPECT_TRUE(r.ok());

    ByteReader beyond = r.sub(10, 6);
    EXPECT_FALSE(beyond.ok());
    EXPECT_EQ(beyond.size(), 0u);
    EXPECT_FALSE(r.ok());
    // An offset whose sum with the length wraps around is still refused.
    ByteReader wrap(kFields);
    EXPECT_FALSE(wrap.sub(2, SIZE_MAX).ok());
}

TEST(ByteReader, TakeReturnsTheBytesOrNothing)
{
    ByteReader r(kFields);
    auto part = r.take(3);
    ASSERT_EQ(part.size(), 3u);
    EXPECT_EQ(part[2], 0x12);
    EXPECT_TRUE(r.take(100).empty());
    EXPECT_FALSE(r.ok());
}

TEST(ByteReader, ReadAtOffsetRefusesFieldsCrossingTheEnd)
{
    std::uint32_t value = 7;
    EXPECT_TRUE(vyn::read_u32_at(kFields, 3, value));
    EXPECT_EQ(value, 0x12345678u);
    value = 7;
    EXPECT_FALSE(vyn::read_u32_at(kFields, 12, value));
    EXPECT_FALSE(vyn::read_u32_at(kFields, SIZE_MAX - 1, value));
    EXPECT_EQ(value, 7u);
    std::uint16_t half = 0;
    EXPECT_TRUE(vyn::read_u16_at(kFields, 13, half));
    EXPECT_EQ(half, 0x1234);
    EXPECT_FALSE(vyn::read_u16_at(kFields, 14, half));
}

}  // namespace
