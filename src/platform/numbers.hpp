#pragma once

#include <cstdint>
#include <string_view>

namespace pr {

// The leading numeric part of a text: leading blanks, an optional sign, digits
// with at most one decimal point, an optional exponent. Anything else ends the
// number; a text without one gives 0.
double leading_number(std::string_view text);

// Nearest whole number, halves to the even neighbour; out of range throws an
// overflow error.
std::int32_t to_int32(double value);
// Narrowing of a whole number to 0..255; out of range throws an overflow error.
std::uint8_t to_byte(std::int32_t value);

}  // namespace pr
