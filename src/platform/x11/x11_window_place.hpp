#pragma once

#include <X11/Xlib.h>
#include <gdk/gdk.h>

#include "platform/units.hpp"

namespace pr::x11 {

// Where another program's window lies on the screen, frame included. A run
// asks at every tick, so the answer is remembered and asked of the server
// again only after the window or its frame has been moved, resized, mapped,
// unmapped, reparented or destroyed: events selected on both say so.
class WindowPlace {
 public:
  explicit WindowPlace(Display* display);
  ~WindowPlace();
  WindowPlace(const WindowPlace&) = delete;
  WindowPlace& operator=(const WindowPlace&) = delete;

  // Empty when the window is gone or not viewable.
  PixelRect of(Window window);

 private:
  static GdkFilterReturn filter(GdkXEvent* xevent, GdkEvent*, gpointer self);
  // Whether `event` is about the window or its frame; it then forgets the place.
  bool forget_on(const XEvent& event);
  void follow(Window w);
  void unfollow();

  Display* display_;
  Window window_ = None, frame_ = None;
  bool known_ = false;
  PixelRect area_{};
};

}  // namespace pr::x11
