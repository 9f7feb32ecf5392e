// X11Platform's view of other programs' windows: which has the focus, where
// it lies, and what was drawn on the screen.
#include <X11/Xatom.h>

#include <string>

#include "platform/x11/x11_platform.hpp"

namespace pr::x11 {

Window frame_of(Display* display, Window w) {
  for (;;) {
    Window root = None, parent = None;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, w, &root, &parent, &children, &count)) return None;
    if (children) XFree(children);
    if (parent == root || parent == None) return w;
    w = parent;
  }
}

namespace {

bool inside(const PixelRect& a, const PixelRect& b) {
  return a.left >= b.left && a.top >= b.top && a.left + a.width <= b.left + b.width &&
         a.top + a.height <= b.top + b.height;
}

}  // namespace

void X11Platform::set_button(WindowId w, int button_id, std::string_view caption,
                             std::string_view tooltip) {
  if (Win* win = find(w)) gtk::set_button(win->built, button_id, caption, tooltip);
}

void X11Platform::set_label(WindowId w, int label_id, std::string_view text,
                            std::string_view tooltip) {
  if (Win* win = find(w)) gtk::set_label(win->built, label_id, text, tooltip);
}

ForeignWindow X11Platform::focused_window() const {
  // The window manager's active window, else the X input focus.
  Window active = None;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  {
    ErrorTrap trap;
    if (XGetWindowProperty(display(), connection_.root(), connection_.atom("_NET_ACTIVE_WINDOW"), 0,
                           1, False, XA_WINDOW, &type, &format, &count, &after, &data) == Success &&
        data && type == XA_WINDOW && format == 32 && count == 1) {
      active = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
    }
    if (data) XFree(data);
    if (active == None) {
      int revert = 0;
      XGetInputFocus(display(), &active, &revert);
      if (active == PointerRoot) active = None;
    }
    trap.check();
  }
  if (active == None) return kNoForeignWindow;
  // The active window may be gone already: no window then, and no X error.
  ErrorTrap trap;
  const Window active_frame = frame_of(display(), active);
  if (active_frame == None) return kNoForeignWindow;
  for (const auto& [id, win] : windows_) {
    const Window ours = xid_of(win->built.window.get());
    if (active == ours || (win->shown && active_frame == frame_of(display(), ours))) {
      return kNoForeignWindow;
    }
  }
  return active;
}

bool X11Platform::window_exists(ForeignWindow w) const {
  ErrorTrap trap;
  XWindowAttributes attrs{};
  return XGetWindowAttributes(display(), static_cast<Window>(w), &attrs) != 0;
}

PixelRect X11Platform::window_area(ForeignWindow w) const {
  return place_.of(static_cast<Window>(w));
}

bool X11Platform::keyboard_held_by_us() const {
  if (menu_ && gtk_widget_get_visible(menu_.get())) return true;
  for (const auto& [id, win] : windows_) {
    if (win->shown && win->style.grabs_input) return true;
  }
  return false;
}

ScreenChanges X11Platform::take_screen_changes() {
  ScreenChanges changes{damage_.available(), damage_.take()};
  // Our own windows' drawing is no other program's.
  std::vector<PixelRect> ours;
  for (const auto& [id, win] : windows_) {
    if (!win->shown) continue;
    // Asked of the server only after the window changed: two round trips
    // that would otherwise come with every tick of a run.
    if (!win->on_screen) {
      GdkRectangle r{};
      gdk_window_get_frame_extents(gtk_widget_get_window(win->built.window.get()), &r);
      win->on_screen = PixelRect{r.x, r.y, r.width, r.height};
    }
    ours.push_back(*win->on_screen);
  }
  std::erase_if(changes.areas, [&](const PixelRect& area) {
    for (const PixelRect& mine : ours) {
      if (inside(area, mine)) return true;
    }
    return false;
  });
  return changes;
}

}  // namespace pr::x11
