#include "app/app_window.hpp"

#include <algorithm>

#include "app/controls.hpp"
#include "platform/units.hpp"

namespace pr {

namespace {
constexpr std::uint32_t kButtonFace = 0xF0F0F0;
}  // namespace

AppWindow::AppWindow(Platform& platform, const design::Window& design)
    : platform_(platform),
      hwnd_(platform.create_window(design::in_pixels(design, platform.twips_per_pixel()))) {
  PixelSize frame = platform.frame_size(hwnd_);
  width_ = design.client_width + to_twips(frame.width, tpp());
  height_ = design.client_height + to_twips(frame.height, tpp());
  fit_own_image();
}

AppWindow::~AppWindow() {
  platform_.destroy_window(hwnd_);
}

void AppWindow::set_width(float twips) {
  move(left_, top_, twips, height_);
}
void AppWindow::set_height(float twips) {
  move(left_, top_, width_, twips);
}

void AppWindow::move(float left, float top, float width, float height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  platform_.move_window(hwnd_, to_pixels(left, tpp()), to_pixels(top, tpp()),
                        to_pixels(width, tpp()), to_pixels(height, tpp()));
}

void AppWindow::show() {
  visible_ = true;
  platform_.show_window(hwnd_);
}

void AppWindow::show_modal(AppWindow& owner) {
  visible_ = true;
  Platform& platform = platform_;
  WindowId window = hwnd_;
  platform.show_modal(window, owner.id());
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

void AppWindow::copy_screen_part(float left, float top, float width, float height) {
  image_ = platform_.copy_screen_region(to_pixels(left, tpp()), to_pixels(top, tpp()),
                                        to_pixels(width, tpp()), to_pixels(height, tpp()));
}

void AppWindow::fit_own_image() {
  // The client area: the outer size less the frame the system adds.
  PixelSize frame = platform_.frame_size(hwnd_);
  int w = std::max(to_pixels(width_, tpp()) - frame.width, 0);
  int h = std::max(to_pixels(height_, tpp()) - frame.height, 0);
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

void AppWindow::draw_picture(ImageView picture, float dx, float dy, float dw, float dh, float sx,
                             float sy, float sw, float sh) {
  // Drawing goes to the window's own image, sized to its client area now.
  fit_own_image();
  const float tpp = this->tpp();
  paint_picture(own_, picture, to_pixels(dx, tpp), to_pixels(dy, tpp), to_pixels(dw, tpp),
                to_pixels(dh, tpp), to_pixels(sx, tpp), to_pixels(sy, tpp), to_pixels(sw, tpp),
                to_pixels(sh, tpp));
  image_ = own_.view();
}

}  // namespace pr
