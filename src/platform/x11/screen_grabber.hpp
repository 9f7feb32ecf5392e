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
  bool uses_shm() const { return shm_image_ != nullptr; }
  // The shared-memory XImage whose pixels the views point into, if any.
  XImage* shm_image() const { return shm_image_; }
  const XShmSegmentInfo& shm_segment() const { return segment_; }

 private:
  ImageView view_of(XImage* image);
  void attach_shm();

  Display* display_;
  Window root_;
  Visual* visual_;
  int depth_;
  int width_, height_;
  XShmSegmentInfo segment_{};
  XImage* shm_image_ = nullptr;
  XImage* plain_image_ = nullptr;  // the last XGetImage without MIT-SHM
  Image converted_;
};

}  // namespace pr::x11
