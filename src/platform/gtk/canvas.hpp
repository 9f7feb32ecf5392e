#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/image.hpp"

namespace pr::gtk {

// A rectangle of pixels in a window's client area.
struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  bool empty() const { return width <= 0 || height <= 0; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// The one-pixel strips an outline of `r` covers: top, bottom, left, right.
std::vector<Rect> outline_strips(const Rect& r);

struct SurfaceFree {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceFree>;

// A copy of the picture in memory, for a display that is not an X server.
// Throws a platform error when there is no memory for it.
SurfacePtr image_surface(ImageView picture);

// What a window shows in its client area: its picture from the top-left
// corner, and a 1-px outline above it.
class Canvas {
 public:
  // A surface of the picture's own (nullptr: none).
  void set_picture(SurfacePtr picture, int width, int height);
  bool has_picture() const { return picture_ != nullptr; }
  const Rect& outline() const { return outline_; }
  // The new outline; returns what to repaint (old and new strips).
  std::vector<Rect> set_outline(const Rect& outline, std::uint32_t rgb);
  void draw(cairo_t* cr) const;

 private:
  SurfacePtr picture_;
  int width_ = 0, height_ = 0;
  Rect outline_;
  std::uint32_t outline_rgb_ = 0;
};

}  // namespace pr::gtk
