#include "platform/x11/screen_grabber.hpp"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

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
  if (shm_image_) {
    XShmDetach(display_, &segment_);
    XSync(display_, False);
    shmdt(segment_.shmaddr);
    shm_image_->data = nullptr;
    XDestroyImage(shm_image_);
  }
  if (plain_image_) XDestroyImage(plain_image_);
}

ImageView ScreenGrabber::view_of(XImage* image) {
  PixelFormat format{image->bits_per_pixel, image->byte_order == MSBFirst,
                     static_cast<std::uint32_t>(image->red_mask),
                     static_cast<std::uint32_t>(image->green_mask),
                     static_cast<std::uint32_t>(image->blue_mask)};
  const auto* data = reinterpret_cast<const std::uint8_t*>(image->data);
  if (is_bgrx(format)) return {data, image->width, image->height, image->bytes_per_line};
  if (format.bits_per_pixel % 8 != 0 || format.bits_per_pixel > 32) {
    throw Error(ErrorKind::Platform, "screen pixels of " + std::to_string(format.bits_per_pixel) +
                                         " bits are not supported");
  }
  convert_to_bgrx(data, image->bytes_per_line, image->width, image->height, format, converted_);
  return converted_.view();
}

ImageView ScreenGrabber::grab() {
  if (shm_image_) {
    ErrorTrap trap(display_);
    XShmGetImage(display_, root_, shm_image_, 0, 0, AllPlanes);
    if (int code = trap.sync()) {
      throw Error(ErrorKind::Platform, "screen copy: " + error_text(display_, code));
    }
    return view_of(shm_image_);
  }
  if (plain_image_) XDestroyImage(plain_image_);
  ErrorTrap trap(display_);
  plain_image_ = XGetImage(display_, root_, 0, 0, width_, height_, AllPlanes, ZPixmap);
  int code = trap.sync();
  if (!plain_image_) {
    throw Error(ErrorKind::Platform,
                "screen copy: " + (code ? error_text(display_, code) : std::string("refused")));
  }
  return view_of(plain_image_);
}

}  // namespace pr::x11
