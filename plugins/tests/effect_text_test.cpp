// The effect base class's text conversions, which only displays reach.
#include "plugins/sdk/effect_interface.h"
#include "plugins/sdk/effect_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace vyn::fx {
namespace {

TEST(EffectText, FloatFillsEightCharactersWithDecimals)
{
    struct Case {
        float value;
        const char* text;
    };
    const Case cases[] = {
        {100.0f, "100.0000"},     {-2.5f, "-2.50000"},      {0.0f, "0.000000"},   {0.5f, "0.500000"},
        {12345678.0f, "12345678"}, {-9999999.0f, "-9999999"}, {9.9999999f, "10.00000"},
        {9.999999f, "9.999999"},  {1234.5678f, "1234.568"},  {-0.125f, "-0.12500"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(float_text(c.value), c.text) << c.value;
}

TEST(EffectText, FloatOutsideTheDisplayIsHuge)
{
    for (float value : {1e8f, 1e30f, -1e7f, -5e20f, std::numeric_limits<float>::infinity(),
                        std::numeric_limits<float>::quiet_NaN()})
        EXPECT_EQ(float_text(value), " Huge!  ") << value;
}

TEST(EffectText, DecibelsMillisecondsHertzAndIntegers)
{
    EXPECT_EQ(db_text(1.0f), "0.000000");
    EXPECT_EQ(db_text(0.5f), "-6.02060");
    EXPECT_EQ(db_text(10.0f), "20.00000");
    EXPECT_EQ(db_text(0.0f), "   -\xB0   ");
    EXPECT_EQ(db_text(-1.0f), "   -\xB0   ");
    EXPECT_EQ(ms_text(441.0f, 44100.0f), "10.00000");
    EXPECT_EQ(ms_text(1.0f, 0.0f), " Huge!  ");
    EXPECT_EQ(hz_text(100.0f, 44100.0f), "441.0000");
    EXPECT_EQ(hz_text(0.0f, 44100.0f), "   -\xB0   ");
    EXPECT_EQ(integer_text(123), "123");
    EXPECT_EQ(integer_text(-1234567), "-1234567");
    EXPECT_EQ(integer_text(123456789), " Huge!  ");
}

TEST(EffectText, CopiesAreCutToTheBuffer)
{
    char buffer[64];
    std::memset(buffer, 'x', sizeof buffer);
    copy_text(buffer, std::string(100, 'a'));
    EXPECT_EQ(std::strlen(buffer), kTextBufferSize - 1);
    EXPECT_EQ(buffer[kTextBufferSize], 'x');  // nothing written beyond the buffer
    copy_text(nullptr, "ignored");
}

}  // namespace
}  // namespace vyn::fx
