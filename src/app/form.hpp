#pragma once

#include "app/designs.hpp"
#include "platform/image.hpp"
#include "platform/platform.hpp"

namespace pr {

// What every window of the program has: its platform window, its outer
// position and size in twips, and its persistent image. The window's twips
// become the platform's pixels here.
class Form {
 public:
  Form(Platform& platform, const design::Window& design);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  WindowId hWnd() const { return hwnd_; }
  float Left() const { return left_; }
  float Top() const { return top_; }
  float Width() const { return width_; }
  float Height() const { return height_; }
  bool Visible() const { return visible_; }
  void set_Width(float twips);
  void set_Height(float twips);
  void Move(float left, float top, float width, float height);
  void Show();
  // Returns when the window is hidden or unloaded; this object may be gone
  // by then, so nothing of it is touched after the wait.
  void ShowModal(Form& owner);
  void Hide();
  void set_Caption(std::string_view caption);

  bool AutoRedraw() const { return auto_redraw_; }
  // Turning it off makes the persistent image the window's background.
  void set_AutoRedraw(bool on);
  // Copies the whole screen into the window's drawing surface at (0, 0).
  void copy_screen();
  // The same where only this rectangle (twips) of the copy will be read.
  void copy_screen_part(float left, float top, float width, float height);
  void Cls();
  // Twips in the window's client area; the source picture is in pixels.
  void PaintPicture(ImageView picture, float dx, float dy, float dw, float dh, float sx, float sy,
                    float sw, float sh);
  ImageView Image() const { return image_; }

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
