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

// A picture box: its outer size in twips and the persistent image its drawing
// goes to, one pixel per `twips_per_pixel` twips. It has no border, so the
// image covers all of it.
class PictureBox {
 public:
  PictureBox(float width, float height, float twips_per_pixel);

  float width() const { return width_; }
  float height() const { return height_; }
  void set_width(float twips);
  void set_height(float twips);
  void clear();
  // All eight coordinates in twips; the source is a picture in pixels.
  void draw_picture(ImageView picture, float dx, float dy, float dw, float dh, float sx, float sy,
                    float sw, float sh);
  ImageView picture() const { return image_.view(); }
  // Draws `picture` 1:1 at the box's corner.
  void copy_from(ImageView picture);

 private:
  void fit_image();
  float width_;
  float height_;
  float tpp_;
  pr::Image image_;
};

// The rubber band: a rectangle outline drawn by the platform over a window.
class Outline {
 public:
  // Starts at this rectangle, twips, drawn in `rgb` (0xRRGGBB).
  Outline(Platform& platform, WindowId window, std::uint32_t rgb, float left, float top,
          float width, float height);
  float left() const { return left_; }
  float top() const { return top_; }
  float width() const { return width_; }
  float height() const { return height_; }
  void set_left(float v);
  void set_top(float v);
  void set_width(float v);
  void set_height(float v);

 private:
  void update();
  Platform& platform_;
  WindowId window_;
  std::uint32_t rgb_;
  float left_, top_, width_, height_;
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
