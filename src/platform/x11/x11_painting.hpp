#pragma once

#include <X11/Xlib.h>
#include <cairo.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gtk/canvas.hpp"
#include "platform/image.hpp"

namespace pr::x11 {

using gtk::Canvas;
using gtk::outline_strips;
using gtk::Rect;
using gtk::SurfacePtr;

class ScreenGrabber;

// A copy of `picture` on the X server (a pixmap of the window's depth, freed
// with the surface), so that the program keeps no copy of its own and a
// repaint is a copy within the server. Pixels that lie in the grabber's
// shared memory go from there.
SurfacePtr upload_picture(Display* display, Drawable like, Visual* visual, int depth,
                          const ScreenGrabber& grabber, ImageView picture);

}  // namespace pr::x11
