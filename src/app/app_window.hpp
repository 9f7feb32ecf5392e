#pragma once

#include "app/designs.hpp"
#include "platform/image.hpp"
#include "platform/platform.hpp"

namespace pr {

// What every window of the program has: its platform window, its outer
// position and size in twips, and its persistent image. The window's twips
// become the platform's pixels here.
class AppWindow {
 public:
  AppWindow(Platform& platform, const design::Window& design);
  virtual ~AppWindow();
  AppWindow(const AppWindow&) = delete;
  AppWindow& operator=(const AppWindow&) = delete;

  WindowId id() const { return hwnd_; }
  float left() const { return left_; }
  float top() const { return top_; }
  float width() const { return width_; }
  float height() const { return height_; }
  bool visible() const { return visible_; }
  void set_width(float twips);
  void set_height(float twips);
  void move(float left, float top, float width, float height);
  void show();
  // Returns when the window is hidden or unloaded; this object may be gone
  // by then, so nothing of it is touched after the wait.
  void show_modal(AppWindow& owner);
  void hide();
  void set_caption(std::string_view caption);

  bool auto_redraw() const { return auto_redraw_; }
  // Turning it off makes the persistent image the window's background.
  void set_auto_redraw(bool on);
  // Copies the whole screen into the window's drawing surface at (0, 0).
  void copy_screen();
  // The same where only this rectangle (twips) of the copy will be read.
  void copy_screen_part(float left, float top, float width, float height);
  void clear();
  // Twips in the window's client area; the source picture is in pixels.
  void draw_picture(ImageView picture, float dx, float dy, float dw, float dh, float sx, float sy,
                    float sw, float sh);
  ImageView picture() const { return image_; }

 protected:
  Platform& platform_;

 private:
  void fit_own_image();
  float tpp() const { return platform_.twips_per_pixel(); }

  WindowId hwnd_;
  float left_ = 0, top_ = 0, width_, height_;
  bool visible_ = false;
  bool auto_redraw_ = false;
  pr::Image own_;    // the persistent image when the window draws its own
  ImageView image_;  // what the persistent image is now: `own_`, or a screen copy
};

}  // namespace pr
