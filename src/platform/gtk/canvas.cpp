#include "platform/gtk/canvas.hpp"

#include <cstring>
#include <utility>

#include "platform/errors.hpp"

namespace pr::gtk {

std::vector<Rect> outline_strips(const Rect& r) {
  if (r.empty()) return {};
  return {{r.x, r.y, r.width, 1},
          {r.x, r.y + r.height - 1, r.width, 1},
          {r.x, r.y, 1, r.height},
          {r.x + r.width - 1, r.y, 1, r.height}};
}

SurfacePtr image_surface(ImageView picture) {
  if (picture.empty()) return nullptr;
  // Cairo's RGB24 is the picture's own layout: B, G, R, X in memory.
  SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, picture.width, picture.height));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
    throw Error("no memory for the window's picture");
  }
  cairo_surface_flush(surface.get());
  std::uint8_t* data = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  for (int y = 0; y < picture.height; ++y) {
    std::memcpy(data + static_cast<std::ptrdiff_t>(y) * stride, picture.row(y),
                static_cast<std::size_t>(picture.width) * 4);
  }
  cairo_surface_mark_dirty(surface.get());
  return surface;
}

void Canvas::set_picture(SurfacePtr picture, int width, int height) {
  picture_ = std::move(picture);
  width_ = picture_ ? width : 0;
  height_ = picture_ ? height : 0;
}

std::vector<Rect> Canvas::set_outline(const Rect& outline, std::uint32_t rgb) {
  const Rect next = outline.empty() ? Rect{} : outline;
  if (next == outline_ && rgb == outline_rgb_) return {};
  outline_rgb_ = rgb;
  std::vector<Rect> dirty = outline_strips(outline_);
  outline_ = next;
  for (const Rect& r : outline_strips(outline_)) dirty.push_back(r);
  return dirty;
}

void Canvas::draw(cairo_t* cr) const {
  cairo_save(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  if (picture_) {
    cairo_set_source_surface(cr, picture_.get(), 0, 0);
    // Pixel for pixel: no filtering even if the device is scaled.
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr, 0, 0, width_, height_);
    cairo_fill(cr);
  }
  if (!outline_.empty()) {
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_source_rgb(cr, (outline_rgb_ >> 16 & 0xFF) / 255.0,
                         (outline_rgb_ >> 8 & 0xFF) / 255.0, (outline_rgb_ & 0xFF) / 255.0);
    for (const Rect& r : outline_strips(outline_)) cairo_rectangle(cr, r.x, r.y, r.width, r.height);
    cairo_fill(cr);
  }
  cairo_restore(cr);
}

}  // namespace pr::gtk
