#include "ide/shell/version_text.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/byte_writer.h"

namespace {

std::vector<std::uint8_t> image_with_stamp(std::uint32_t header_offset, std::uint32_t stamp)
{
    vyn::ByteWriter w;
    w.text("MZ");
    w.zeros(58);
    w.u32(header_offset);
    w.zeros(header_offset - 64);
    w.text(std::string("PE\0\0", 4));
    w.u16(0x14C);
    w.u16(3);
    w.u32(stamp);
    return w.release();
}

TEST(VersionText, ReadsTheLinkTimeAtTheUsualOffset)
{
    auto image = image_with_stamp(128, 1700000000);
    EXPECT_EQ(image[136], 0x00);  // the stamp starts at 136 for a header at 128
    EXPECT_EQ(vyn::shell::link_time_stamp(image), 1700000000u);
    EXPECT_EQ(vyn::shell::version_message("Win32 Version 2.4 ", 1700000000u),
              "Tavra Win32 Version 2.4 \nCompiled Tue Nov 14 22:13:20 2023");
}

TEST(VersionText, FollowsTheHeaderWhereverItIs)
{
    EXPECT_EQ(vyn::shell::link_time_stamp(image_with_stamp(0xE8, 42)), 42u);
}

TEST(VersionText, DamagedImagesAreNotKnown)
{
    auto image = image_with_stamp(128, 5);
    EXPECT_FALSE(vyn::shell::link_time_stamp(std::span(image).first(138)));
    image[129] = 'X';
    EXPECT_FALSE(vyn::shell::link_time_stamp(image));
    std::vector<std::uint8_t> lying = image_with_stamp(128, 5);
    lying[60] = 0xFF;
    lying[63] = 0xFF;
    EXPECT_FALSE(vyn::shell::link_time_stamp(lying));
    EXPECT_EQ(vyn::shell::version_message("V ", std::nullopt), "Tavra V \nCompiled <not known>");
}

}  // namespace
