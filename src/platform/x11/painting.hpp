#pragma once

#include <cairo.h>

#include <memory>
#include <vector>

#include "platform/image.hpp"

namespace pr::x11 {

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

// What a window shows in its client area: its picture, a copy of the pixels
// it was given, from the top-left corner, and a 1-px outline above it.
class Canvas {
 public:
  // Copies the pixels: a view into a screen copy does not outlive the next.
  void set_picture(ImageView picture);
  bool has_picture() const { return picture_ != nullptr; }
  const Rect& outline() const { return outline_; }
  // The new outline; returns what to repaint (old and new strips).
  std::vector<Rect> set_outline(const Rect& outline);
  void draw(cairo_t* cr) const;

 private:
  SurfacePtr picture_;
  Rect outline_;
};

}  // namespace pr::x11
