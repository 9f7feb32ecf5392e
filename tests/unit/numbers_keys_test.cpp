#include <gtest/gtest.h>

#include "core/constants.hpp"
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
  EXPECT_EQ(to_int32(100.5), 100);
  EXPECT_EQ(to_int32(101.5), 102);
  EXPECT_EQ(to_int32(-2.5), -2);
  EXPECT_EQ(to_int32(0.4999), 0);
  EXPECT_EQ(to_int32(250.0), 250);
  EXPECT_EQ(to_int32(2.5 * 100), 250);
  EXPECT_EQ(to_int32(32767.5), 32768);
}

TEST(Conversions, OutOfRangeIsAnOverflowError) {
  try {
    to_int32(2147483647.5);
    FAIL() << "no overflow";
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), std::errc::result_out_of_range);
  }
  EXPECT_THROW(to_int32(-2147483649.0), Error);
  EXPECT_THROW(to_int32(1e300), Error);
  EXPECT_EQ(to_byte(0), 0);
  EXPECT_EQ(to_byte(255), 255);
  EXPECT_THROW(to_byte(256), Error);
  EXPECT_THROW(to_byte(-1), Error);
}

TEST(Keys, TheProgramsOwnKeysDescribeThemselves) {
  struct Case {
    PageKey key;
    const char* text;
  };
  for (const Case& c : {Case{PageKey::PageDown, "PageDown"}, Case{PageKey::Right, "Right"},
                        Case{PageKey::Down, "Down"}, Case{PageKey::Space, " "}}) {
    EXPECT_EQ(describe(chord_of(c.key)), c.text);
  }
  EXPECT_EQ(chord_of(kDefaultPageKey), (KeyChord{0, Key::PageDown, 0}));
  EXPECT_EQ(describe({kDocumentStart, KeyChord{kShift | kAlt, Key::Character, U'图'}}),
            "Ctrl+Home Alt+Shift+图");
}

}  // namespace
}  // namespace pr
