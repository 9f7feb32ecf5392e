#include <gtest/gtest.h>

#include "harness.hpp"
#include "platform/image.hpp"

namespace pr {
namespace {

TEST(Image, CropIsAViewIntoTheSamePixels) {
  Image image(40, 30);
  test::paint_markers(image);
  ImageView crop = image.view().crop(10, 5, 20, 10);
  EXPECT_EQ(crop.width, 20);
  EXPECT_EQ(crop.height, 10);
  EXPECT_EQ(crop.pitch, image.pitch());
  EXPECT_EQ(crop.pixels, image.view().row(5) + 10 * 4);
  EXPECT_EQ(crop.pixel(0, 0), test::marker(10, 5));
  // Clipped at the edges.
  ImageView edge = image.view().crop(30, 25, 20, 20);
  EXPECT_EQ(edge.width, 10);
  EXPECT_EQ(edge.height, 5);
  EXPECT_TRUE(image.view().crop(50, 0, 5, 5).empty());
}

TEST(Image, PaintPictureCopiesOneToOneAndClips) {
  Image src(50, 50);
  test::paint_markers(src);
  Image dst(20, 20);
  dst.fill(0x123456);
  paint_picture(dst, src.view(), 0, 0, 20, 20, 45, 10, 20, 20);
  EXPECT_EQ(dst.pixel(0, 0), test::marker(45, 10));
  EXPECT_EQ(dst.pixel(4, 19), test::marker(49, 29));
  EXPECT_EQ(dst.pixel(5, 0), 0x123456u);  // beyond the source: left alone
  paint_picture(dst, src.view(), -5, -5, 20, 20, 0, 0, 20, 20);
  EXPECT_EQ(dst.pixel(0, 0), test::marker(5, 5));
}

TEST(Image, PaintPictureReadsACropInItsPicturesCoordinates) {
  Image src(50, 50);
  test::paint_markers(src);
  ImageView part = src.view().crop(20, 30, 10, 10).crop(2, 3, 5, 5);
  EXPECT_EQ(part.left, 22);
  EXPECT_EQ(part.top, 33);
  Image dst(5, 5);
  dst.fill(0x123456);
  paint_picture(dst, part, 0, 0, 5, 5, 22, 33, 5, 5);
  EXPECT_EQ(dst.pixel(0, 0), test::marker(22, 33));
  EXPECT_EQ(dst.pixel(4, 4), test::marker(26, 37));
  // Outside the part, even though inside the picture: left alone.
  dst.fill(0x123456);
  paint_picture(dst, part, 0, 0, 5, 5, 20, 33, 5, 5);
  EXPECT_EQ(dst.pixel(0, 0), 0x123456u);
  EXPECT_EQ(dst.pixel(2, 0), test::marker(22, 33));
}

TEST(Image, PaintPictureStretchesWhenSizesDiffer) {
  Image src(2, 2);
  test::paint_markers(src);
  Image dst(4, 4);
  paint_picture(dst, src.view(), 0, 0, 4, 4, 0, 0, 2, 2);
  EXPECT_EQ(dst.pixel(1, 1), test::marker(0, 0));
  EXPECT_EQ(dst.pixel(2, 3), test::marker(1, 1));
}

}  // namespace
}  // namespace pr
