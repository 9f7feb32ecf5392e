#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <gdk/gdk.h>

#include <vector>

#include "platform/units.hpp"

namespace pr::x11 {

// What every program draws on the screen, from the DAMAGE extension on the
// root window, kept until it is taken. Without the extension nothing is
// known.
class ScreenDamage {
 public:
  explicit ScreenDamage(Display* display);
  ~ScreenDamage();
  ScreenDamage(const ScreenDamage&) = delete;
  ScreenDamage& operator=(const ScreenDamage&) = delete;

  bool available() const { return damage_ != None; }
  // The areas drawn since the last call, in screen pixels.
  std::vector<PixelRect> take();

 private:
  static GdkFilterReturn filter(GdkXEvent* xevent, GdkEvent*, gpointer self);

  Display* display_;
  int event_base_ = 0;
  Damage damage_ = None;
  std::vector<PixelRect> areas_;
};

}  // namespace pr::x11
