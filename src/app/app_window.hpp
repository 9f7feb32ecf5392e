#pragma once

#include "app/designs.hpp"
#include "platform/image.hpp"
#include "platform/platform.hpp"

namespace pr {

// What every window of the program has: its platform window, its outer
// position and size in pixels, and its persistent image.
class AppWindow {
 public:
  AppWindow(Platform& platform, const design::Window& design);
  virtual ~AppWindow();
  AppWindow(const AppWindow&) = delete;
  AppWindow& operator=(const AppWindow&) = delete;

  WindowId id() const { return hwnd_; }
  int left() const { return left_; }
  int top() const { return top_; }
  int width() const { return width_; }
  int height() const { return height_; }
  bool visible() const { return visible_; }
  void set_width(int width);
  void set_height(int height);
  void move(int left, int top, int width, int height);
  void show();
  void hide();
  void set_caption(std::string_view caption);

  bool auto_redraw() const { return auto_redraw_; }
  // Turning it off makes the persistent image the window's background.
  void set_auto_redraw(bool on);
  // Copies the whole screen into the window's drawing surface at (0, 0).
  void copy_screen();
  void clear();
  // Draws the source rectangle of `picture` onto the destination rectangle
  // of the client area (see paint_picture).
  void draw_picture(ImageView picture, int dx, int dy, int dw, int dh, int sx, int sy, int sw,
                    int sh);
  ImageView picture() const { return image_; }

 protected:
  Platform& platform_;

 private:
  AppWindow(Platform& platform, const WindowDesign& design);
  void fit_own_image();

  WindowId hwnd_;
  int left_ = 0, top_ = 0, width_, height_;
  bool visible_ = false;
  bool auto_redraw_ = false;
  pr::Image own_;    // the persistent image when the window draws its own
  ImageView image_;  // what the persistent image is now: `own_`, or a screen copy
};

}  // namespace pr
