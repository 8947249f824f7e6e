// The standard text conversions of effect displays. Each result fits a
// display of eight characters; values that cannot be shown read " Huge!  ".
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace vyn::fx {

// Up to eight characters: sign, integer digits, a decimal point and as many
// decimals as fit (rounded). Above 99999999 or below -9999999, and for values
// that are not numbers: " Huge!  ".
std::string float_text(float value);
// 20 × log10(gain) through float_text; "   -\xB0   " when gain ≤ 0.
std::string db_text(float gain);
// A length in samples as milliseconds at sample_rate, through float_text.
std::string ms_text(float samples, float sample_rate);
// The frequency whose period is samples long at sample_rate, through
// float_text; "   -\xB0   " for a period of 0 (or less).
std::string hz_text(float samples, float sample_rate);
// Decimal digits with a sign, " Huge!  " beyond eight characters.
std::string integer_text(long value);

// Copies text into a host's buffer of kTextBufferSize bytes, cut to fit and
// NUL-terminated. A null buffer is left alone.
void copy_text(char* buffer, std::string_view text);

}  // namespace vyn::fx
