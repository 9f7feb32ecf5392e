#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <memory>

#include "platform/image.hpp"
#include "platform/x11/x11_pixel_format.hpp"

namespace pr::x11 {

// Frees an XImage; one whose pixels belong to someone else (the shared
// segment) has its data pointer cleared first.
struct XImageFree {
  bool borrowed = false;
  void operator()(XImage* image) const;
};
using XImagePtr = std::unique_ptr<XImage, XImageFree>;

// A System V shared-memory segment attached here and on the server, for the
// server to write screen copies into. Detached from both when it goes.
class SharedSegment {
 public:
  // Throws a platform error with the system's or the server's words.
  SharedSegment(Display* display, std::size_t bytes);
  ~SharedSegment();
  SharedSegment(const SharedSegment&) = delete;
  SharedSegment& operator=(const SharedSegment&) = delete;
  XShmSegmentInfo* info() { return &info_; }
  char* data() const { return info_.shmaddr; }

 private:
  Display* display_;
  XShmSegmentInfo info_{};
  bool attached_ = false;
};

// Copies the root window into one image kept for the grabber's life: a
// shared-memory XImage where MIT-SHM works, XGetImage otherwise. Formats
// other than 32-bit BGRX are converted into a buffer of our own.
class ScreenGrabber {
 public:
  ScreenGrabber(Display* display, int screen);
  ScreenGrabber(const ScreenGrabber&) = delete;
  ScreenGrabber& operator=(const ScreenGrabber&) = delete;

  // The whole screen now, at its size now; valid until the next grab.
  // Throws a platform error when the server refuses the copy.
  ImageView grab();
  // Only this rectangle of the screen (pixels, clipped to it), into the same
  // shared memory; the view's `left` and `top` say where it lies.
  ImageView grab(int x, int y, int width, int height);
  bool uses_shm() const { return shm_image_ != nullptr; }
  // Sends `view` to `target` at (x, y) straight from the shared memory when
  // it lies in the last copy there; false when it does not.
  bool put_from_shm(Drawable target, GC gc, ImageView view, int x, int y) const;

 private:
  ImageView view_of(XImage* image, int left, int top);
  void attach_shm();
  // A screen resized since the last grab gets images of its new size.
  void follow_screen_size();
  ImageView grab_part(int x, int y, int width, int height);

  Display* display_;
  Window root_;
  Visual* visual_;
  int depth_;
  int width_, height_;
  std::unique_ptr<SharedSegment> segment_;
  XImagePtr shm_image_;     // the whole screen, over the segment
  XImagePtr region_image_;  // a header of a region's size over the same segment
  XImagePtr plain_image_;   // the last XGetImage without MIT-SHM
  Image converted_;
};

}  // namespace pr::x11
