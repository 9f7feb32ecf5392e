// The Wayland backend on two outputs in the private headless sway of
// with-sway, the second right of the first, at scale 1 and then 2: the
// screen is the output the pointer pressed on, the grabbing window covers
// it, a drag there speaks its real pixels, and the frozen screen and a region
// copy are grim's pictures of the same pixels. PAGEROOK_WL_PROBE names the
// probe that drives a virtual pointer.
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/wayland/wl_platform.hpp"

namespace pr::wayland {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSecondX = 1280;               // the second output's logical place
constexpr int kWidth = 1024, kHeight = 768;  // its mode: real pixels

struct Press {
  WindowId window = kNoWindow;
  int x = 0, y = 0;
};

struct Recorder : EventSink {
  void mouse_down(WindowId w, int, int, int x, int y) override { down = {w, x, y}; }
  void mouse_move(WindowId w, int, int, int, int) override { moved = w; }
  void mouse_up(WindowId w, int, int, int x, int y) override { up = {w, x, y}; }
  void key_press(WindowId, int) override {}
  void button_click(WindowId, int) override {}
  void timer_tick(TimerId) override {}
  void close_request(WindowId) override {}
  Press down, up;
  WindowId moved = kNoWindow;
};

bool run(const std::string& command) {
  return std::system(("{ " + command + "; } >/dev/null").c_str()) == 0;
}

bool wait(WaylandPlatform& p, const std::function<bool()>& done, int ms = 5000) {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (!done() && Clock::now() < end) p.pump(std::chrono::milliseconds(5));
  return done();
}

// The logical x of the output GDK has the window on; -1 on none.
int monitor_x(WaylandPlatform& p, WindowId w) {
  GdkWindow* window = gtk_widget_get_window(p.native_window(w));
  GdkMonitor* monitor =
      window ? gdk_display_get_monitor_at_window(gdk_display_get_default(), window) : nullptr;
  GdkRectangle area{-1, -1, 0, 0};
  if (monitor) gdk_monitor_get_geometry(monitor, &area);
  return area.x;
}

// Grim's picture of the second output, in its real pixels.
Image grim_second() {
  Image shot;
  const std::string file = std::string(std::getenv("HOME")) + "/second.png";
  GdkPixbuf* png =
      run("grim -o HEADLESS-2 " + file) ? gdk_pixbuf_new_from_file(file.c_str(), nullptr) : nullptr;
  if (!png) return shot;
  shot.resize(gdk_pixbuf_get_width(png), gdk_pixbuf_get_height(png));
  const int channels = gdk_pixbuf_get_n_channels(png), stride = gdk_pixbuf_get_rowstride(png);
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) {
      const guchar* c = gdk_pixbuf_read_pixels(png) + y * stride + x * channels;
      shot.set_pixel(x, y, std::uint32_t{c[0]} << 16 | std::uint32_t{c[1]} << 8 | c[2]);
    }
  }
  g_object_unref(png);
  return shot;
}

bool same_pixels(ImageView a, ImageView b) {
  if (a.width != b.width || a.height != b.height) return false;
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      if (a.pixel(x, y) != b.pixel(x, y)) return false;
    }
  }
  return true;
}

TEST(Outputs, DragOnTheSecondOutputIsInItsRealPixels) {
  const char* probe = std::getenv("PAGEROOK_WL_PROBE");
  ASSERT_TRUE(probe) << "PAGEROOK_WL_PROBE names the probe";
  if (!run("command -v grim")) GTEST_SKIP() << "grim is not installed";
  FILE* pointer = popen((std::string(probe) + " pointer").c_str(), "w");
  const auto point = [pointer](int x, int y, const char* then = "") {
    std::fprintf(pointer, "move %d %d\n%s", kSecondX + x, y, then);
    std::fflush(pointer);
  };
  WaylandPlatform p;
  Recorder events;
  p.set_event_sink(&events);
  // The frozen screen's window, made while the first output was the only one.
  WindowDesign design;
  design.style.decorated = false;
  const WindowId document = p.create_window(design);
  design.style.grabs_input = true;
  const WindowId overlay = p.create_window(design);
  Image noise(300, 200);
  for (int y = 0; y < noise.height(); ++y) {
    for (int x = 0; x < noise.width(); ++x) noise.set_pixel(x, y, x * 2654435761u ^ y * 40503u);
  }
  // The second output comes, then changes its scale, while the platform runs.
  ASSERT_TRUE(run("swaymsg create_output"));
  for (const int scale : {1, 2}) {
    SCOPED_TRACE("scale " + std::to_string(scale));
    events = {};
    ASSERT_TRUE(run("swaymsg output HEADLESS-2 mode " + std::to_string(kWidth) + "x" +
                    std::to_string(kHeight) + " pos " + std::to_string(kSecondX) + " 0 scale " +
                    std::to_string(scale) + " && swaymsg focus output HEADLESS-2"));
    ASSERT_TRUE(wait(p, [&] {
      return p.outputs().size() == 2 && p.outputs()[1].x == kSecondX &&
             p.outputs()[1].width == kWidth && p.outputs()[1].scale == scale;
    }));
    // A window of noise on the second output, where the pointer presses. A
    // new pointer reaches GDK a moment after the probe makes it: it moves
    // until the window sees it.
    p.move_window(document, 0, 0, noise.width(), noise.height());
    p.set_window_picture(document, noise.view());
    p.show_window(document);
    ASSERT_TRUE(wait(p, [&] { return monitor_x(p, document) == kSecondX; }));
    const auto seen = Clock::now() + std::chrono::seconds(5);
    for (int x = 5; events.moved != document && Clock::now() < seen; x = 11 - x) {
      point(x, 5);
      wait(
          p, [&] { return events.moved == document; }, 100);
    }
    point(5, 5, "down\nup\n");
    ASSERT_TRUE(wait(p, [&] { return events.up.window == document; }));
    // The keyboard's output is not the pointer's.
    ASSERT_TRUE(run("swaymsg focus output HEADLESS-1"));

    EXPECT_EQ(p.screen_size().width, kWidth);
    EXPECT_EQ(p.screen_size().height, kHeight);
    Image frozen(kWidth, kHeight);
    const ImageView copy = p.copy_screen();
    ASSERT_EQ(copy.width, kWidth);
    ASSERT_EQ(copy.height, kHeight);
    paint_picture(frozen, copy, 0, 0, kWidth, kHeight, 0, 0, kWidth, kHeight);
    p.move_window(overlay, 0, 0, kWidth, kHeight);
    p.set_window_picture(overlay, frozen.view());
    p.show_window(overlay);
    ASSERT_TRUE(wait(p, [&] { return monitor_x(p, overlay) == kSecondX; }));
    point(20, 30, "down\n");
    point(170, 131, "up\n");
    ASSERT_TRUE(wait(p, [&] { return events.up.window == overlay; }));
    EXPECT_EQ(events.down.x, 20 * scale);
    EXPECT_EQ(events.down.y, 30 * scale);
    EXPECT_EQ(events.up.x, 170 * scale);
    EXPECT_EQ(events.up.y, 131 * scale);
    // A drag on into the first output ends at this one's left edge.
    events.up = {};
    point(170, 131, "down\n");
    point(-100, 50, "up\n");
    ASSERT_TRUE(wait(p, [&] { return events.up.window == overlay; }));
    EXPECT_EQ(events.up.x, 0);
    EXPECT_EQ(events.up.y, 50 * scale);
    p.hide_window(overlay);
    point(-1000, 5);  // off this output: grim's picture would have its shadow

    const PixelRect r{20 * scale, 30 * scale, 150 * scale, 101 * scale};
    bool same = false;
    const auto end = Clock::now() + std::chrono::seconds(5);
    while (!same && Clock::now() < end) {
      p.pump(std::chrono::milliseconds(5));
      const Image grim = grim_second();
      const ImageView part = grim.view().crop(r.left, r.top, r.width, r.height);
      same = same_pixels(frozen.view().crop(r.left, r.top, r.width, r.height), part) &&
             same_pixels(p.copy_screen_region(r.left, r.top, r.width, r.height), part);
    }
    EXPECT_TRUE(same) << "the frozen screen and the region are grim's pixels";
    p.hide_window(document);
  }
  pclose(pointer);
}

}  // namespace
}  // namespace pr::wayland
