#include "platform/x11/x11_painting.hpp"

#include <cairo-xlib.h>

#include <cstring>
#include <memory>

#include "platform/errors.hpp"
#include "platform/x11/x11_connection.hpp"
#include "platform/x11/x11_screen_grabber.hpp"

namespace pr::x11 {

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

}  // namespace pr::x11
