#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <memory>

#include "platform/image.hpp"
#include "platform/x11/pixel_format.hpp"

namespace pr::x11 {

// Copies the root window into one image kept for the grabber's life: a
// shared-memory XImage where MIT-SHM works, XGetImage otherwise. Formats
// other than 32-bit BGRX are converted into a buffer of our own.
class ScreenGrabber {
 public:
  ScreenGrabber(Display* display, int screen);
  ~ScreenGrabber();
  ScreenGrabber(const ScreenGrabber&) = delete;
  ScreenGrabber& operator=(const ScreenGrabber&) = delete;

  // The whole screen now; valid until the next grab. Throws a platform
  // error when the server refuses the copy.
  ImageView grab();
  // Only this rectangle of the screen (pixels, clipped to it), into the same
  // shared memory; the view's `left` and `top` say where it lies.
  ImageView grab(int x, int y, int width, int height);
  bool uses_shm() const { return shm_image_ != nullptr; }
  // The shared-memory XImage behind the last view, if the view is its pixels
  // as they are; a window's picture is sent from it without a copy.
  XImage* last_shm_image() const { return last_shm_; }

 private:
  ImageView view_of(XImage* image, int left, int top);
  void attach_shm();

  Display* display_;
  Window root_;
  Visual* visual_;
  int depth_;
  int width_, height_;
  XShmSegmentInfo segment_{};
  XImage* shm_image_ = nullptr;
  XImage* region_image_ = nullptr;  // a header over the same segment
  XImage* last_shm_ = nullptr;
  XImage* plain_image_ = nullptr;  // the last XGetImage without MIT-SHM
  Image converted_;
};

}  // namespace pr::x11
