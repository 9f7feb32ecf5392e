#include "platform/x11/x11_painting.hpp"

#include <cairo-xlib.h>

#include <cstring>
#include <memory>

#include "platform/errors.hpp"
#include "platform/x11/x11_connection.hpp"
#include "platform/x11/x11_screen_grabber.hpp"

namespace pr::x11 {

namespace {}

std::vector<Rect> outline_strips(const Rect& r) {
  if (r.empty()) return {};
  return {{r.x, r.y, r.width, 1},
          {r.x, r.y + r.height - 1, r.width, 1},
          {r.x, r.y, 1, r.height},
          {r.x + r.width - 1, r.y, 1, r.height}};
}

SurfacePtr upload_picture(Display* display, Drawable like, Visual* visual, int depth,
                          const ScreenGrabber& grabber, ImageView picture) {
  if (picture.empty()) return nullptr;
  // A picture the server cannot hold (too large for its memory) is an error
  // of this call, not the end of the program.
  ErrorTrap trap;
  const Pixmap pixmap = XCreatePixmap(display, like, picture.width, picture.height, depth);
  GC gc = XCreateGC(display, pixmap, 0, nullptr);
  if (!grabber.put_from_shm(pixmap, gc, picture, 0, 0)) {
    // An XImage header over the view's own rows: no copy on our side.
    XImage* image =
        XCreateImage(display, visual, depth, ZPixmap, 0,
                     reinterpret_cast<char*>(const_cast<std::uint8_t*>(picture.pixels)),
                     picture.width, picture.height, 32, static_cast<int>(picture.pitch));
    if (!image) {
      XFreeGC(display, gc);
      XFreePixmap(display, pixmap);
      throw Error("cannot describe the window's picture to the X server");
    }
    image->byte_order = LSBFirst;
    XPutImage(display, pixmap, gc, image, 0, 0, 0, 0, picture.width, picture.height);
    XImageFree{true}(image);
  }
  XFreeGC(display, gc);
  if (const int code = trap.check()) {
    XFreePixmap(display, pixmap);
    throw Error("the window's picture: " + error_text(display, code));
  }
  SurfacePtr surface(
      cairo_xlib_surface_create(display, pixmap, visual, picture.width, picture.height));
  // The pixmap goes when cairo lets go of the surface.
  struct Owned {
    Display* display;
    Pixmap pixmap;
  };
  static const cairo_user_data_key_t key{};
  auto owned = std::make_unique<Owned>(Owned{display, pixmap});
  if (cairo_surface_set_user_data(surface.get(), &key, owned.get(), [](void* data) {
        std::unique_ptr<Owned> owned(static_cast<Owned*>(data));
        XFreePixmap(owned->display, owned->pixmap);
      }) == CAIRO_STATUS_SUCCESS) {
    owned.release();
  } else {
    surface.reset();
    XFreePixmap(display, pixmap);
    throw Error("no memory for the window's picture");
  }
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

}  // namespace pr::x11
