// Where another program's window lies, as the X11 backend tells a run at
// every tick, on a real X server with a window manager (with-xvfb).
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <chrono>
#include <functional>
#include <string>

#include "platform/x11/x11_platform.hpp"

namespace pr::x11 {
namespace {

using namespace std::chrono_literals;

TEST(DocumentArea, FollowsItsWindowThroughMovesResizesUnmapsAndItsEnd) {
  X11Platform platform;
  Display* other = XOpenDisplay(nullptr);
  ASSERT_NE(other, nullptr);
  const Window root = DefaultRootWindow(other);
  Window doc = XCreateSimpleWindow(other, root, 100, 100, 300, 200, 0, 0, 0xFFFFFF);
  XMapWindow(other, doc);
  XSync(other, False);
  // The frame the window manager put around it, as the server has it now.
  auto frame_area = [&] {
    Window w = doc, parent = None, r = None;
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
  };
  auto same = [](const PixelRect& a, const PixelRect& b) {
    return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
  };
  auto text = [](const PixelRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.width) +
           "x" + std::to_string(r.height);
  };
  // Polls until `done`, letting the program handle its events meanwhile.
  auto wait_for = [&](const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      XSync(other, False);
      platform.pump(5ms);
    }
    return true;
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

}  // namespace
}  // namespace pr::x11
