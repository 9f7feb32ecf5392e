#include "platform/x11/screen_grabber.hpp"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>

#include "platform/errors.hpp"
#include "platform/x11/x11_error.hpp"

namespace pr::x11 {

ScreenGrabber::ScreenGrabber(Display* display, int screen)
    : display_(display),
      root_(RootWindow(display, screen)),
      visual_(DefaultVisual(display, screen)),
      depth_(DefaultDepth(display, screen)),
      width_(DisplayWidth(display, screen)),
      height_(DisplayHeight(display, screen)) {
  segment_.shmid = -1;
  segment_.shmaddr = reinterpret_cast<char*>(-1);
  if (XShmQueryExtension(display_)) attach_shm();
}

void ScreenGrabber::attach_shm() {
  XImage* image =
      XShmCreateImage(display_, visual_, depth_, ZPixmap, nullptr, &segment_, width_, height_);
  if (!image) return;
  const std::size_t bytes = static_cast<std::size_t>(image->bytes_per_line) * image->height;
  segment_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (segment_.shmid < 0) {
    std::cerr << "pagerook: shared memory for the screen copy: " << std::strerror(errno)
              << std::endl;
    XDestroyImage(image);
    return;
  }
  segment_.shmaddr = image->data = static_cast<char*>(shmat(segment_.shmid, nullptr, 0));
  // Marked for removal now, so the segment goes when both sides detach,
  // however the program ends.
  shmctl(segment_.shmid, IPC_RMID, nullptr);
  if (segment_.shmaddr == reinterpret_cast<char*>(-1)) {
    std::cerr << "pagerook: shared memory for the screen copy: " << std::strerror(errno)
              << std::endl;
    image->data = nullptr;
    XDestroyImage(image);
    return;
  }
  segment_.readOnly = False;
  ErrorTrap trap(display_);
  XShmAttach(display_, &segment_);
  if (int code = trap.sync()) {
    // A server on another machine cannot share our memory.
    std::cerr << "pagerook: MIT-SHM not usable, copying the screen with XGetImage: "
              << error_text(display_, code) << std::endl;
    shmdt(segment_.shmaddr);
    image->data = nullptr;
    XDestroyImage(image);
    return;
  }
  shm_image_ = image;
}

ScreenGrabber::~ScreenGrabber() {
  if (region_image_) {
    region_image_->data = nullptr;
    XDestroyImage(region_image_);
  }
  if (shm_image_) {
    XShmDetach(display_, &segment_);
    XSync(display_, False);
    shmdt(segment_.shmaddr);
    shm_image_->data = nullptr;
    XDestroyImage(shm_image_);
  }
  if (plain_image_) XDestroyImage(plain_image_);
}

ImageView ScreenGrabber::view_of(XImage* image, int left, int top) {
  PixelFormat format{image->bits_per_pixel, image->byte_order == MSBFirst,
                     static_cast<std::uint32_t>(image->red_mask),
                     static_cast<std::uint32_t>(image->green_mask),
                     static_cast<std::uint32_t>(image->blue_mask)};
  const auto* data = reinterpret_cast<const std::uint8_t*>(image->data);
  if (is_bgrx(format)) {
    last_shm_ = image == shm_image_ || image == region_image_ ? image : nullptr;
    return {data, image->width, image->height, image->bytes_per_line, left, top};
  }
  last_shm_ = nullptr;
  if (format.bits_per_pixel % 8 != 0 || format.bits_per_pixel > 32) {
    throw Error(ErrorKind::Platform, "screen pixels of " + std::to_string(format.bits_per_pixel) +
                                         " bits are not supported");
  }
  convert_to_bgrx(data, image->bytes_per_line, image->width, image->height, format, converted_);
  ImageView view = converted_.view();
  view.left = left;
  view.top = top;
  return view;
}

ImageView ScreenGrabber::grab() {
  return grab(0, 0, width_, height_);
}

ImageView ScreenGrabber::grab(int x, int y, int width, int height) {
  const int x0 = std::clamp(x, 0, width_), y0 = std::clamp(y, 0, height_);
  const int x1 = std::clamp(x + std::max(width, 0), 0, width_);
  const int y1 = std::clamp(y + std::max(height, 0), 0, height_);
  if (x1 <= x0 || y1 <= y0) return {nullptr, 0, 0, 0, x0, y0};
  const int w = x1 - x0, h = y1 - y0;
  if (shm_image_) {
    XImage* target = shm_image_;
    if (w != width_ || h != height_) {
      // A header of the region's size over the start of the same segment.
      if (!region_image_ || region_image_->width != w || region_image_->height != h) {
        if (region_image_) {
          region_image_->data = nullptr;
          XDestroyImage(region_image_);
        }
        region_image_ =
            XShmCreateImage(display_, visual_, depth_, ZPixmap, segment_.shmaddr, &segment_, w, h);
        if (!region_image_) throw Error(ErrorKind::Platform, "screen copy: no image header");
      }
      target = region_image_;
    }
    ErrorTrap trap(display_);
    XShmGetImage(display_, root_, target, x0, y0, AllPlanes);
    if (int code = trap.sync()) {
      throw Error(ErrorKind::Platform, "screen copy: " + error_text(display_, code));
    }
    return view_of(target, x0, y0);
  }
  if (plain_image_) XDestroyImage(plain_image_);
  ErrorTrap trap(display_);
  plain_image_ = XGetImage(display_, root_, x0, y0, w, h, AllPlanes, ZPixmap);
  int code = trap.sync();
  if (!plain_image_) {
    throw Error(ErrorKind::Platform,
                "screen copy: " + (code ? error_text(display_, code) : std::string("refused")));
  }
  return view_of(plain_image_, x0, y0);
}

}  // namespace pr::x11
