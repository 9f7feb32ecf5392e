#include "platform/x11/painting.hpp"

#include <cstring>

#include "platform/errors.hpp"

namespace pr::x11 {

namespace {
constexpr double kOutlineRed = 192.0 / 255.0;  // RGB(192, 0, 0)
}

std::vector<Rect> outline_strips(const Rect& r) {
  if (r.empty()) return {};
  return {{r.x, r.y, r.width, 1},
          {r.x, r.y + r.height - 1, r.width, 1},
          {r.x, r.y, 1, r.height},
          {r.x + r.width - 1, r.y, 1, r.height}};
}

void Canvas::set_picture(ImageView picture) {
  if (picture.empty()) {
    picture_.reset();
    return;
  }
  // BGRX rows are cairo's RGB24 on a little-endian machine.
  if (!picture_ || cairo_image_surface_get_width(picture_.get()) != picture.width ||
      cairo_image_surface_get_height(picture_.get()) != picture.height) {
    picture_.reset(cairo_image_surface_create(CAIRO_FORMAT_RGB24, picture.width, picture.height));
    if (cairo_surface_status(picture_.get()) != CAIRO_STATUS_SUCCESS) {
      const char* why = cairo_status_to_string(cairo_surface_status(picture_.get()));
      picture_.reset();
      throw Error(ErrorKind::Platform, std::string("window picture: ") + why);
    }
  }
  cairo_surface_flush(picture_.get());
  unsigned char* dst = cairo_image_surface_get_data(picture_.get());
  const int stride = cairo_image_surface_get_stride(picture_.get());
  const std::size_t row_bytes = static_cast<std::size_t>(picture.width) * 4;
  for (int y = 0; y < picture.height; ++y) {
    std::memcpy(dst + static_cast<std::ptrdiff_t>(y) * stride, picture.row(y), row_bytes);
  }
  cairo_surface_mark_dirty(picture_.get());
}

std::vector<Rect> Canvas::set_outline(const Rect& outline) {
  const Rect next = outline.empty() ? Rect{} : outline;
  if (next == outline_) return {};
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
    cairo_rectangle(cr, 0, 0, cairo_image_surface_get_width(picture_.get()),
                    cairo_image_surface_get_height(picture_.get()));
    cairo_fill(cr);
  }
  if (!outline_.empty()) {
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_source_rgb(cr, kOutlineRed, 0, 0);
    for (const Rect& r : outline_strips(outline_)) cairo_rectangle(cr, r.x, r.y, r.width, r.height);
    cairo_fill(cr);
  }
  cairo_restore(cr);
}

}  // namespace pr::x11
