#include "app/controls.hpp"

#include <algorithm>

#include "platform/errors.hpp"
#include "platform/files.hpp"

namespace pr {

namespace {
// The system's button face colour, the default background of a picture box.
constexpr std::uint32_t kButtonFace = 0xF0F0F0;
}  // namespace

PictureBox::PictureBox(float width, float height, float twips_per_pixel)
    : width_(width), height_(height), tpp_(twips_per_pixel) {
  fit_image();
  image_.fill(kButtonFace);
}

void PictureBox::fit_image() {
  int w = std::max(to_pixels(width_, tpp_), 0);
  int h = std::max(to_pixels(height_, tpp_), 0);
  if (w != image_.width() || h != image_.height()) {
    image_.resize(w, h);
    image_.fill(kButtonFace);
  }
}

void PictureBox::set_width(float twips) {
  width_ = twips;
  fit_image();
}

void PictureBox::set_height(float twips) {
  height_ = twips;
  fit_image();
}

void PictureBox::clear() {
  image_.fill(kButtonFace);
}

void PictureBox::draw_picture(ImageView picture, float dx, float dy, float dw, float dh, float sx,
                              float sy, float sw, float sh) {
  paint_picture(image_, picture, to_pixels(dx, tpp_), to_pixels(dy, tpp_), to_pixels(dw, tpp_),
                to_pixels(dh, tpp_), to_pixels(sx, tpp_), to_pixels(sy, tpp_), to_pixels(sw, tpp_),
                to_pixels(sh, tpp_));
}

void PictureBox::copy_from(ImageView picture) {
  paint_picture(image_, picture, 0, 0, picture.width, picture.height, picture.left, picture.top,
                picture.width, picture.height);
}

Outline::Outline(Platform& platform, WindowId window, std::uint32_t rgb, float left, float top,
                 float width, float height)
    : platform_(platform),
      window_(window),
      rgb_(rgb),
      left_(left),
      top_(top),
      width_(width),
      height_(height) {
  update();
}

void Outline::set_left(float v) {
  left_ = v;
  update();
}
void Outline::set_top(float v) {
  top_ = v;
  update();
}
void Outline::set_width(float v) {
  width_ = v;
  update();
}
void Outline::set_height(float v) {
  height_ = v;
  update();
}

void Outline::update() {
  PixelRect r = to_pixel_rect(left_, top_, width_, height_, platform_.twips_per_pixel());
  platform_.set_outline(window_, r.left, r.top, r.width, r.height, rgb_);
}

Timer::Timer(Platform& platform, std::function<void(bool)> on_enabled)
    : platform_(platform), id_(platform.create_timer()), on_enabled_(std::move(on_enabled)) {}

Timer::~Timer() {
  if (enabled_ && interval_ > 0) platform_.set_timer(id_, 0);
  if (enabled_ && on_enabled_) on_enabled_(false);
}

void Timer::apply(std::int32_t interval, bool enabled) {
  const bool was_running = enabled_ && interval_ > 0;
  const bool restart = interval != interval_ || (enabled && !enabled_);
  interval_ = interval;
  enabled_ = enabled;
  const bool running = enabled_ && interval_ > 0;
  if (running && restart) {
    platform_.set_timer(id_, interval_);
  } else if (!running && was_running) {
    platform_.set_timer(id_, 0);
  }
}

void Timer::set_interval(std::int32_t ms) {
  if (ms < 0) throw Error("Invalid property value");
  apply(ms, enabled_);
}

void Timer::set_enabled(bool enabled) {
  bool changed = enabled != enabled_;
  apply(interval_, enabled);
  if (changed && on_enabled_) on_enabled_(enabled_);
}

}  // namespace pr
