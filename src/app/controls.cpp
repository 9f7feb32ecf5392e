#include "app/controls.hpp"

#include <algorithm>

#include "platform/errors.hpp"
#include "platform/files.hpp"

namespace pr {

namespace {
// The system's button face colour, the default background of a picture box.
constexpr std::uint32_t kButtonFace = 0xF0F0F0;
}  // namespace

PictureBox::PictureBox(int width, int height) {
  resize(width, height);
}

void PictureBox::resize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width != image_.width() || height != image_.height()) {
    image_.resize(width, height);
    image_.fill(kButtonFace);
  }
}

void PictureBox::set_width(int width) {
  resize(width, image_.height());
}

void PictureBox::set_height(int height) {
  resize(image_.width(), height);
}

void PictureBox::clear() {
  image_.fill(kButtonFace);
}

void PictureBox::draw_picture(ImageView picture, int dx, int dy, int dw, int dh, int sx, int sy,
                              int sw, int sh) {
  paint_picture(image_, picture, dx, dy, dw, dh, sx, sy, sw, sh);
}

void PictureBox::copy_from(ImageView picture) {
  if (picture.pixels == image_.view().pixels) return;  // itself
  paint_picture(image_, picture, 0, 0, picture.width, picture.height, picture.left, picture.top,
                picture.width, picture.height);
}

Outline::Outline(Platform& platform, WindowId window, std::uint32_t rgb, PixelRect start)
    : platform_(platform), window_(window), rgb_(rgb), r_(start) {
  update();
}

void Outline::set_left(int v) {
  r_.left = v;
  update();
}
void Outline::set_top(int v) {
  r_.top = v;
  update();
}
void Outline::set_width(int v) {
  r_.width = v;
  update();
}
void Outline::set_height(int v) {
  r_.height = v;
  update();
}

void Outline::update() {
  platform_.set_outline(window_, r_.left, r_.top, r_.width, r_.height, rgb_);
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
