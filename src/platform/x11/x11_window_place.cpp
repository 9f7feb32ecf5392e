#include "platform/x11/x11_window_place.hpp"

#include "platform/x11/x11_connection.hpp"

namespace pr::x11 {

namespace {

bool viewable(Display* display, Window w, XWindowAttributes& attrs) {
  return XGetWindowAttributes(display, w, &attrs) && attrs.map_state == IsViewable;
}

}  // namespace

WindowPlace::WindowPlace(Display* display) : display_(display) {
  // GDK hands events of windows it does not know to filters of no window.
  gdk_window_add_filter(nullptr, &WindowPlace::filter, this);
}

WindowPlace::~WindowPlace() {
  gdk_window_remove_filter(nullptr, &WindowPlace::filter, this);
  ErrorTrap trap;
  unfollow();
}

GdkFilterReturn WindowPlace::filter(GdkXEvent* xevent, GdkEvent*, gpointer self) {
  static_cast<WindowPlace*>(self)->forget_on(*static_cast<XEvent*>(xevent));
  return GDK_FILTER_CONTINUE;
}

bool WindowPlace::forget_on(const XEvent& event) {
  const Window about = event.xany.window;
  if (about == None || (about != window_ && about != frame_)) return false;
  switch (event.type) {
    case ConfigureNotify:
    case GravityNotify:
    case MapNotify:
    case UnmapNotify:
      known_ = false;
      return true;
    case ReparentNotify:
    case DestroyNotify:
      // The frame is looked up again.
      known_ = false;
      frame_ = None;
      return true;
    default:
      return false;
  }
}

void WindowPlace::follow(Window w) {
  XSelectInput(display_, w, StructureNotifyMask);
}

void WindowPlace::unfollow() {
  if (window_ != None) XSelectInput(display_, window_, NoEventMask);
  if (frame_ != None && frame_ != window_) XSelectInput(display_, frame_, NoEventMask);
}

PixelRect WindowPlace::of(Window window) {
  ErrorTrap trap;
  if (window != window_) {
    unfollow();
    window_ = window;
    frame_ = None;
    known_ = false;
  }
  // Events already on the connection that GDK has not handed out yet.
  XEvent event;
  while (XCheckWindowEvent(display_, window_, StructureNotifyMask, &event)) forget_on(event);
  while (frame_ != None && XCheckWindowEvent(display_, frame_, StructureNotifyMask, &event)) {
    forget_on(event);
  }
  if (known_) return area_;
  // Followed before it is asked about, so no change after the answer goes
  // unnoticed.
  follow(window_);
  XWindowAttributes attrs{};
  if (!viewable(display_, window_, attrs)) return {};
  if (frame_ == None || !viewable(display_, frame_, attrs)) {
    frame_ = frame_of(display_, window_);
    if (frame_ == None) return {};
    if (frame_ != window_) follow(frame_);
    if (!viewable(display_, frame_, attrs)) return {};
  }
  area_ = {attrs.x, attrs.y, attrs.width + 2 * attrs.border_width,
           attrs.height + 2 * attrs.border_width};
  known_ = true;
  return area_;
}

}  // namespace pr::x11
