#include "platform/numbers.hpp"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>

#include "platform/errors.hpp"

namespace pr {

namespace {

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

double round_half_even(double value) {
  // nearbyint uses the current rounding mode, which is round-to-nearest-even
  // unless someone changed it; std::remainder-free and exact for doubles.
  return std::nearbyint(value);
}

[[noreturn]] void overflow() {
  throw Error("Overflow", std::make_error_code(std::errc::result_out_of_range));
}

}  // namespace

double leading_number(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  std::string number;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];
  bool digits = false;
  bool point = false;
  while (i < text.size()) {
    char c = text[i];
    if (is_digit(c)) {
      digits = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
    number += c;
    ++i;
  }
  if (!digits) return 0.0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    std::string exponent = "e";
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) exponent += text[j++];
    bool exponent_digits = false;
    while (j < text.size() && is_digit(text[j])) {
      exponent += text[j++];
      exponent_digits = true;
    }
    if (exponent_digits) number += exponent;
  }
  double value = std::strtod(number.c_str(), nullptr);
  if (!std::isfinite(value)) overflow();
  return value;
}

std::int32_t to_int32(double value) {
  double r = round_half_even(value);
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) overflow();
  return static_cast<std::int32_t>(r);
}

std::uint8_t to_byte(std::int32_t value) {
  if (value < 0 || value > 255) overflow();
  return static_cast<std::uint8_t>(value);
}

}  // namespace pr
