#include "app/app_window.hpp"

#include <algorithm>

#include "app/controls.hpp"

namespace pr {

namespace {
constexpr std::uint32_t kButtonFace = 0xF0F0F0;
}  // namespace

AppWindow::AppWindow(Platform& platform, const design::Window& design)
    : AppWindow(platform, design::in_pixels(design, platform.twips_per_pixel())) {}

AppWindow::AppWindow(Platform& platform, const WindowDesign& design)
    : platform_(platform), hwnd_(platform.create_window(design)) {
  PixelSize frame = platform.frame_size(hwnd_);
  width_ = design.client_width + frame.width;
  height_ = design.client_height + frame.height;
  fit_own_image();
}

AppWindow::~AppWindow() {
  platform_.destroy_window(hwnd_);
}

void AppWindow::set_width(int width) {
  move(left_, top_, width, height_);
}
void AppWindow::set_height(int height) {
  move(left_, top_, width_, height);
}

void AppWindow::move(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  platform_.move_window(hwnd_, left, top, width, height);
}

void AppWindow::show() {
  visible_ = true;
  platform_.show_window(hwnd_);
}

void AppWindow::hide() {
  visible_ = false;
  platform_.hide_window(hwnd_);
}

void AppWindow::set_caption(std::string_view caption) {
  platform_.set_caption(hwnd_, caption);
}

void AppWindow::set_auto_redraw(bool on) {
  bool was = auto_redraw_;
  auto_redraw_ = on;
  if (was && !on) platform_.set_window_picture(hwnd_, image_);
}

void AppWindow::copy_screen() {
  image_ = platform_.copy_screen();
}

void AppWindow::fit_own_image() {
  // The client area: the outer size less the frame the system adds.
  PixelSize frame = platform_.frame_size(hwnd_);
  int w = std::max(width_ - frame.width, 0);
  int h = std::max(height_ - frame.height, 0);
  if (w != own_.width() || h != own_.height()) {
    own_.resize(w, h);
    own_.fill(kButtonFace);
  }
}

void AppWindow::clear() {
  fit_own_image();
  own_.fill(kButtonFace);
  image_ = own_.view();
}

void AppWindow::draw_picture(ImageView picture, int dx, int dy, int dw, int dh, int sx, int sy,
                             int sw, int sh) {
  // Drawing goes to the window's own image, sized to its client area now.
  fit_own_image();
  paint_picture(own_, picture, dx, dy, dw, dh, sx, sy, sw, sh);
  image_ = own_.view();
}

}  // namespace pr
