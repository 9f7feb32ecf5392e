#include "platform/units.hpp"

#include <cmath>

namespace pr {

int to_pixels(float twips, float twips_per_pixel) {
  return static_cast<int>(std::lround(static_cast<double>(twips) / twips_per_pixel));
}

PixelRect to_pixel_rect(float left, float top, float width, float height, float twips_per_pixel) {
  const int x0 = to_pixels(left, twips_per_pixel);
  const int y0 = to_pixels(top, twips_per_pixel);
  return {x0, y0, to_pixels(left + width, twips_per_pixel) - x0,
          to_pixels(top + height, twips_per_pixel) - y0};
}

bool overlaps(const PixelRect& a, const PixelRect& b) {
  return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
         b.top < a.top + a.height;
}

}  // namespace pr
