#pragma once

namespace pr {

// The windows are designed in twips (1440 to the inch); everything else
// speaks whole pixels. The designs become pixels through these, once.

// Twips to whole pixels, to the nearest pixel.
int to_pixels(float twips, float twips_per_pixel);

// A rectangle in pixels whose edges are the twips rectangle's edges rounded,
// so that adjoining rectangles stay adjoining whatever the scale.
struct PixelRect {
  int left = 0, top = 0, width = 0, height = 0;
};
PixelRect to_pixel_rect(float left, float top, float width, float height, float twips_per_pixel);

// Whether the two rectangles share a pixel.
bool overlaps(const PixelRect& a, const PixelRect& b);

}  // namespace pr
