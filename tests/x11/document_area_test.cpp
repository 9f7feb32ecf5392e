// Where another program's window lies, as the X11 backend tells a run at
// every tick, on a real X server with a window manager (with-xvfb).
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>

#include "app/designs.hpp"
#include "platform/x11/x11_platform.hpp"

namespace pr::x11 {
namespace {

using namespace std::chrono_literals;

// Where the window manager's frame around `window` lies, as the server has it now.
PixelRect frame_area(Display* other, Window window) {
  Window w = window, parent = None, r = None;
  Window* children = nullptr;
  unsigned n = 0;
  while (XQueryTree(other, w, &r, &parent, &children, &n) && parent != r) {
    if (children) XFree(children);
    children = nullptr;
    w = parent;
  }
  if (children) XFree(children);
  XWindowAttributes a{};
  if (!XGetWindowAttributes(other, w, &a) || a.map_state != IsViewable) return PixelRect{};
  return PixelRect{a.x, a.y, a.width + 2 * a.border_width, a.height + 2 * a.border_width};
}

bool same(const PixelRect& a, const PixelRect& b) {
  return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

// Polls until `done`, letting the program handle its events meanwhile.
bool wait_for(X11Platform& platform, Display* other, const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    XSync(other, False);
    platform.pump(5ms);
  }
  return true;
}

TEST(DocumentArea, FollowsItsWindowThroughMovesResizesUnmapsAndItsEnd) {
  X11Platform platform;
  Display* other = XOpenDisplay(nullptr);
  ASSERT_NE(other, nullptr);
  const Window root = DefaultRootWindow(other);
  Window doc = XCreateSimpleWindow(other, root, 100, 100, 300, 200, 0, 0, 0xFFFFFF);
  XMapWindow(other, doc);
  XSync(other, False);
  auto frame_area = [&] { return x11::frame_area(other, doc); };
  auto text = [](const PixelRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.width) +
           "x" + std::to_string(r.height);
  };
  auto wait_for = [&](const std::function<bool()>& done) {
    return x11::wait_for(platform, other, done);
  };
  ASSERT_TRUE(wait_for([&] { return frame_area().width > 0; }));
  ASSERT_TRUE(wait_for([&] { return same(platform.window_area(doc), frame_area()); }));
  const struct {
    const char* what;
    std::function<void()> change;
  } changes[] = {
      {"moved", [&] { XMoveWindow(other, doc, 400, 300); }},
      {"resized", [&] { XResizeWindow(other, doc, 500, 150); }},
      {"unmapped", [&] { XUnmapWindow(other, doc); }},
      {"mapped again", [&] { XMapWindow(other, doc); }},
      {"moved and resized", [&] { XMoveResizeWindow(other, doc, 50, 60, 200, 220); }},
  };
  for (const auto& c : changes) {
    SCOPED_TRACE(c.what);
    const PixelRect before = frame_area();
    c.change();
    // Once the server has it (the window manager may take its time), the
    // answer follows.
    ASSERT_TRUE(wait_for([&] { return !same(frame_area(), before); }));
    EXPECT_TRUE(wait_for([&] { return same(platform.window_area(doc), frame_area()); }))
        << "told " << text(platform.window_area(doc)) << ", the server has " << text(frame_area());
  }
  XDestroyWindow(other, doc);
  XSync(other, False);
  // A window that is gone lies nowhere, at once.
  EXPECT_TRUE(same(platform.window_area(doc), PixelRect{}));
  XCloseDisplay(other);
}

TEST(DocumentArea, OurOwnWindowsDrawingIsNoChangeWhereverTheyStand) {
  X11Platform platform;
  Display* other = XOpenDisplay(nullptr);
  ASSERT_NE(other, nullptr);
  const WindowDesign design = design::in_pixels(design::main_window(), platform.twips_per_pixel());
  const WindowId main = platform.create_window(design);
  platform.show_window(main);
  Window ours = None;
  GList* all = gtk_window_list_toplevels();
  for (GList* w = all; w; w = w->next) {
    if (gtk_widget_get_visible(GTK_WIDGET(w->data))) {
      ours = gdk_x11_window_get_xid(gtk_widget_get_window(GTK_WIDGET(w->data)));
    }
  }
  g_list_free(all);
  ASSERT_NE(ours, None);
  GC gc = XCreateGC(other, DefaultRootWindow(other), 0, nullptr);
  XSetSubwindowMode(other, gc, IncludeInferiors);
  const PixelSize size{design.client_width + platform.frame_size(main).width,
                       design.client_height + platform.frame_size(main).height};
  // Moved by the program, then by the window manager as a user's drag does.
  const struct {
    int left, top;
    bool by_user;
  } places[] = {{40, 60, false}, {900, 500, false}, {300, 700, true}, {1200, 100, true}};
  for (const auto& [left, top, by_user] : places) {
    SCOPED_TRACE(std::to_string(left) + "," + std::to_string(top));
    if (by_user) {
      XEvent move{};
      move.xclient.type = ClientMessage;
      move.xclient.window = ours;
      move.xclient.message_type = XInternAtom(other, "_NET_MOVERESIZE_WINDOW", False);
      move.xclient.format = 32;
      // North-west gravity, x and y given, from a pager or a user.
      move.xclient.data.l[0] = NorthWestGravity | 1 << 8 | 1 << 9 | 2 << 12;
      move.xclient.data.l[1] = left;
      move.xclient.data.l[2] = top;
      XSendEvent(other, DefaultRootWindow(other), False,
                 SubstructureRedirectMask | SubstructureNotifyMask, &move);
    } else {
      platform.move_window(main, left, top, size.width, size.height);
    }
    PixelRect frame;
    ASSERT_TRUE(wait_for(platform, other, [&] {
      frame = frame_area(other, ours);
      return frame.left == left && frame.top == top;
    }));
    platform.take_screen_changes();
    // Drawn on the screen inside our window, then far from it: once the
    // second is reported, the first would have been.
    const PixelRect inside{frame.left + 10, frame.top + 10, 30, 20};
    const PixelRect outside{left < 500 ? 1500 : 100, 950, 30, 20};
    for (const PixelRect& r : {inside, outside}) {
      XFillRectangle(other, DefaultRootWindow(other), gc, r.left, r.top, r.width, r.height);
      // Each reported apart, not in one box around both.
      XSync(other, False);
    }
    std::vector<PixelRect> reported;
    EXPECT_TRUE(wait_for(platform, other, [&] {
      for (const PixelRect& area : platform.take_screen_changes().areas) reported.push_back(area);
      return std::any_of(reported.begin(), reported.end(),
                         [&](const PixelRect& a) { return same(a, outside); });
    }));
    EXPECT_FALSE(std::any_of(reported.begin(), reported.end(),
                             [&](const PixelRect& a) { return same(a, inside); }))
        << "our own window's area at " << left << "," << top << " was reported as a change";
  }
  XFreeGC(other, gc);
  platform.destroy_window(main);
  XCloseDisplay(other);
}

}  // namespace
}  // namespace pr::x11
