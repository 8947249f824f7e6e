#include "plugins/sdk/effect_text.h"

#include "plugins/sdk/effect_interface.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace vyn::fx {

namespace {

constexpr const char* kHuge = " Huge!  ";
constexpr const char* kMinusInfinity = "   -\xB0   ";
constexpr std::size_t kDisplayWidth = 8;

// value printed with decimals digits after the point.
std::string fixed(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

}  // namespace

/* float_text: the sign and the integer digits come first; whatever room is
   left of the eight characters after a decimal point holds decimals. Rounding
   may carry into a new integer digit (9.9999999 -> "10.00000"), so the width
   is checked after printing and the decimals reduced until it fits. With no
   room for a decimal the integer is printed alone, rounded. */
std::string float_text(float value)
{
    double v = value;
    if (!std::isfinite(v) || v > 99999999.0 || v < -9999999.0)
        return kHuge;
    for (int decimals = static_cast<int>(kDisplayWidth); decimals > 0; --decimals) {
        std::string text = fixed(v, decimals);
        if (text.size() <= kDisplayWidth)
            return text;
    }
    std::string text = fixed(v, 0);
    return text.size() <= kDisplayWidth ? text : kHuge;
}

std::string db_text(float gain)
{
    if (!(gain > 0.0f))
        return kMinusInfinity;
    return float_text(static_cast<float>(20.0 * std::log10(static_cast<double>(gain))));
}

std::string ms_text(float samples, float sample_rate)
{
    if (!(sample_rate > 0.0f))
        return kHuge;
    return float_text(static_cast<float>(static_cast<double>(samples) * 1000.0 / sample_rate));
}

std::string hz_text(float samples, float sample_rate)
{
    if (!(samples > 0.0f))
        return kMinusInfinity;
    return float_text(static_cast<float>(static_cast<double>(sample_rate) / samples));
}

std::string integer_text(long value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%ld", value);
    return std::strlen(text) <= kDisplayWidth ? std::string(text) : std::string(kHuge);
}

void copy_text(char* buffer, std::string_view text)
{
    if (!buffer)
        return;
    std::size_t length = std::min(text.size(), kTextBufferSize - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

}  // namespace vyn::fx
