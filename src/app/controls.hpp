#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/image.hpp"
#include "platform/platform.hpp"
#include "platform/units.hpp"

namespace pr {

// A picture box: its size in pixels and the persistent image its drawing
// goes to. It has no border, so the image covers all of it.
class PictureBox {
 public:
  PictureBox(int width, int height);

  int width() const { return image_.width(); }
  int height() const { return image_.height(); }
  void set_width(int width);
  void set_height(int height);
  void clear();
  // Draws the source rectangle of `picture` onto the destination rectangle
  // of the box (see paint_picture).
  void draw_picture(ImageView picture, int dx, int dy, int dw, int dh, int sx, int sy, int sw,
                    int sh);
  ImageView picture() const { return image_.view(); }
  // Draws `picture` 1:1 at the box's corner.
  void copy_from(ImageView picture);

 private:
  void resize(int width, int height);
  pr::Image image_;
};

// The rubber band: a rectangle outline drawn by the platform over a window.
class Outline {
 public:
  // Starts at this rectangle, pixels, drawn in `rgb` (0xRRGGBB).
  Outline(Platform& platform, WindowId window, std::uint32_t rgb, PixelRect start);
  int left() const { return r_.left; }
  int top() const { return r_.top; }
  int width() const { return r_.width; }
  int height() const { return r_.height; }
  void set_left(int v);
  void set_top(int v);
  void set_width(int v);
  void set_height(int v);

 private:
  void update();
  Platform& platform_;
  WindowId window_;
  std::uint32_t rgb_;
  PixelRect r_;
};

// A periodic timer. Interval in milliseconds, 0 = no ticks; a negative
// interval is refused with an invalid-value error. Changing the interval, or
// enabling a disabled timer, starts a new period; anything else leaves the
// running period alone.
class Timer {
 public:
  // `on_enabled` hears every change of Enabled.
  explicit Timer(Platform& platform, std::function<void(bool)> on_enabled = {});
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;
  TimerId id() const { return id_; }
  std::int32_t interval() const { return interval_; }
  bool enabled() const { return enabled_; }
  void set_interval(std::int32_t ms);
  void set_enabled(bool enabled);

 private:
  // Tells the platform, when the change starts or stops a period.
  void apply(std::int32_t interval, bool enabled);
  Platform& platform_;
  TimerId id_;
  std::function<void(bool)> on_enabled_;
  std::int32_t interval_ = 0;
  bool enabled_ = false;
};

}  // namespace pr
