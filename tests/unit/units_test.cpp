#include <gtest/gtest.h>

#include "platform/units.hpp"

namespace pr {
namespace {

TEST(Units, TwipsToTheNearestPixel) {
  EXPECT_EQ(to_pixels(2175, 15), 145);
  EXPECT_EQ(to_pixels(7, 15), 0);
  EXPECT_EQ(to_pixels(8, 15), 1);
  EXPECT_EQ(to_pixels(2175, 12), 181);  // 120 dpi
  EXPECT_EQ(to_pixels(-8, 15), -1);
}

TEST(Units, RectanglesKeepTheirEdgesSoNeighboursStayNeighbours) {
  // At 120 dpi neither 100 nor 50 twips is a whole number of pixels.
  PixelRect a = to_pixel_rect(50, 50, 100, 100, 12);
  PixelRect b = to_pixel_rect(150, 150, 100, 100, 12);
  EXPECT_EQ(a.left + a.width, b.left);
  EXPECT_EQ(a.top + a.height, b.top);
  EXPECT_EQ(a.left, 4);
  EXPECT_EQ(a.width, 9);
  // Less than a pixel wide: no width at all, which hides an outline.
  PixelRect thin = to_pixel_rect(10, 0, 4, 300, 15);
  EXPECT_EQ(thin.width, 0);
  EXPECT_EQ(thin.height, 20);
}

}  // namespace
}  // namespace pr
