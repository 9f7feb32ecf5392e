#include <gtest/gtest.h>

#include "platform/errors.hpp"
#include "platform/keys.hpp"
#include "platform/numbers.hpp"

namespace pr {
namespace {

TEST(LeadingNumber, TakesTheLeadingNumericPart) {
  EXPECT_EQ(leading_number("80"), 80);
  EXPECT_EQ(leading_number("75abc"), 75);
  EXPECT_EQ(leading_number(""), 0);
  EXPECT_EQ(leading_number("abc"), 0);
  EXPECT_EQ(leading_number("  -2.5x"), -2.5);
  EXPECT_EQ(leading_number("+3"), 3);
  EXPECT_EQ(leading_number("1.2.3"), 1.2);
  EXPECT_EQ(leading_number("1e3"), 1000);
  EXPECT_EQ(leading_number("2E-1"), 0.2);
  EXPECT_EQ(leading_number("5e"), 5);  // an exponent without digits is not one
  EXPECT_EQ(leading_number(".5"), 0.5);
  EXPECT_EQ(leading_number("-"), 0);
  EXPECT_EQ(leading_number("1 2"), 1);
}

TEST(LeadingNumber, AnInfiniteNumberOverflows) {
  EXPECT_THROW(leading_number("1e999"), Error);
}

TEST(Conversions, RoundToNearestWithHalvesToEven) {
  EXPECT_EQ(to_int16(100.5), 100);
  EXPECT_EQ(to_int16(101.5), 102);
  EXPECT_EQ(to_int16(-2.5), -2);
  EXPECT_EQ(to_int16(0.4999), 0);
  EXPECT_EQ(to_int16(32767.4), 32767);
  EXPECT_EQ(to_int16(-32768.5), -32768);
  EXPECT_EQ(to_int32(250.0), 250);
  EXPECT_EQ(to_int32(2.5 * 100), 250);
  EXPECT_EQ(to_int32(32767.5), 32768);  // past 16 bits
}

TEST(Conversions, OutOfRangeIsAnOverflowError) {
  try {
    to_int16(32767.5);
    FAIL() << "no overflow";
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::Overflow);
  }
  EXPECT_THROW(to_int16(40000), Error);
  EXPECT_THROW(to_int16(-32769), Error);
  EXPECT_THROW(to_int32(2147483647.5), Error);
  EXPECT_THROW(to_int32(1e300), Error);
  EXPECT_EQ(to_byte(0), 0);
  EXPECT_EQ(to_byte(255), 255);
  EXPECT_THROW(to_byte(256), Error);
  EXPECT_THROW(to_byte(-1), Error);
}

TEST(KeyNotation, TheProgramsOwnKeys) {
  EXPECT_EQ(parse_keys("^{HOME}"), (std::vector<KeyChord>{{kCtrl, Key::Home, 0}}));
  EXPECT_EQ(parse_keys("{PgDn}"), (std::vector<KeyChord>{{0, Key::PageDown, 0}}));
  EXPECT_EQ(parse_keys("{Enter}"), (std::vector<KeyChord>{{0, Key::Enter, 0}}));
  EXPECT_EQ(describe(parse_keys("^{HOME}")), "Ctrl+Home");
}

TEST(KeyNotation, GeneralForm) {
  auto keys = parse_keys("+a^%{F4}~{LEFT 3}{+}+(xy)图");
  ASSERT_EQ(keys.size(), 10u);
  EXPECT_EQ(keys[0], (KeyChord{kShift, Key::Character, U'a'}));
  EXPECT_EQ(keys[1], (KeyChord{kCtrl | kAlt, Key::F4, 0}));
  EXPECT_EQ(keys[2].key, Key::Enter);
  EXPECT_EQ(keys[3].key, Key::Left);
  EXPECT_EQ(keys[5].key, Key::Left);
  EXPECT_EQ(keys[6], (KeyChord{0, Key::Character, U'+'}));
  EXPECT_EQ(keys[7], (KeyChord{kShift, Key::Character, U'x'}));
  EXPECT_EQ(keys[8], (KeyChord{kShift, Key::Character, U'y'}));
  EXPECT_EQ(keys[9], (KeyChord{0, Key::Character, U'图'}));
  EXPECT_EQ(describe(keys[9]), "图");
}

TEST(KeyNotation, BadNotationIsRefused) {
  for (const char* bad : {"{NOSUCHKEY}", "{HOME", "^", "a}", "(ab", "{LEFT x}"}) {
    EXPECT_THROW(parse_keys(bad), Error) << bad;
  }
}

}  // namespace
}  // namespace pr
