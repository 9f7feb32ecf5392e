#include "platform/x11/x11_screen_grabber.hpp"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cerrno>

#include "platform/errors.hpp"
#include "platform/report.hpp"
#include "platform/x11/x11_connection.hpp"

namespace pr::x11 {

void XImageFree::operator()(XImage* image) const {
  if (borrowed) image->data = nullptr;
  XDestroyImage(image);
}

SharedSegment::SharedSegment(Display* display, std::size_t bytes) : display_(display) {
  info_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (info_.shmid < 0) {
    throw Error("shared memory for the screen copy: " + errno_text(errno));
  }
  info_.shmaddr = static_cast<char*>(shmat(info_.shmid, nullptr, 0));
  const int attach_error = errno;
  // Marked for removal now, so the segment goes when both sides detach,
  // however the program ends.
  shmctl(info_.shmid, IPC_RMID, nullptr);
  if (info_.shmaddr == reinterpret_cast<char*>(-1)) {
    throw Error("shared memory for the screen copy: " + errno_text(attach_error));
  }
  info_.readOnly = False;
  ErrorTrap trap;
  XShmAttach(display_, &info_);
  if (int code = trap.check()) {
    shmdt(info_.shmaddr);
    // A server on another machine cannot share our memory.
    throw Error("MIT-SHM: " + error_text(display_, code));
  }
  attached_ = true;
}

SharedSegment::~SharedSegment() {
  if (attached_) {
    ErrorTrap trap;
    XShmDetach(display_, &info_);
    XSync(display_, False);
  }
  shmdt(info_.shmaddr);
}

ScreenGrabber::ScreenGrabber(Display* display, int screen)
    : display_(display),
      root_(RootWindow(display, screen)),
      visual_(DefaultVisual(display, screen)),
      depth_(DefaultDepth(display, screen)),
      width_(DisplayWidth(display, screen)),
      height_(DisplayHeight(display, screen)) {
  if (XShmQueryExtension(display_)) attach_shm();
}

void ScreenGrabber::attach_shm() {
  XImagePtr image(
      XShmCreateImage(display_, visual_, depth_, ZPixmap, nullptr, nullptr, width_, height_),
      XImageFree{true});
  if (!image) return;
  try {
    segment_ = std::make_unique<SharedSegment>(
        display_, static_cast<std::size_t>(image->bytes_per_line) * image->height);
  } catch (const Error& error) {
    report_error(std::string(error.what()) + "; copying the screen with XGetImage");
    return;
  }
  image->data = segment_->data();
  image->obdata = reinterpret_cast<char*>(segment_->info());
  shm_image_ = std::move(image);
}

ImageView ScreenGrabber::view_of(XImage* image, int left, int top) {
  PixelFormat format{image->bits_per_pixel, image->byte_order == MSBFirst,
                     static_cast<std::uint32_t>(image->red_mask),
                     static_cast<std::uint32_t>(image->green_mask),
                     static_cast<std::uint32_t>(image->blue_mask)};
  const auto* data = reinterpret_cast<const std::uint8_t*>(image->data);
  if (is_bgrx(format)) return {data, image->width, image->height, image->bytes_per_line, left, top};
  if (format.bits_per_pixel % 8 != 0 || format.bits_per_pixel > 32) {
    throw Error("screen pixels of " + std::to_string(format.bits_per_pixel) +
                " bits are not supported");
  }
  convert_to_bgrx(data, image->bytes_per_line, image->width, image->height, format, converted_);
  ImageView view = converted_.view();
  view.left = left;
  view.top = top;
  return view;
}

bool ScreenGrabber::put_from_shm(Drawable target, GC gc, ImageView view, int x, int y) const {
  for (XImage* image : {region_image_.get(), shm_image_.get()}) {
    if (!image || view.pitch != image->bytes_per_line) continue;
    const auto* base = reinterpret_cast<const std::uint8_t*>(image->data);
    const std::ptrdiff_t offset = view.pixels - base;
    const std::ptrdiff_t rows = offset / image->bytes_per_line;
    const std::ptrdiff_t column = offset % image->bytes_per_line / 4;
    if (offset < 0 || rows + view.height > image->height || column + view.width > image->width) {
      continue;
    }
    XShmPutImage(display_, target, gc, image, static_cast<int>(column), static_cast<int>(rows), x,
                 y, view.width, view.height, False);
    return true;
  }
  return false;
}

void ScreenGrabber::follow_screen_size() {
  // Asked of the server, not of Xlib's copy: that changes only once GDK has
  // read the RandR event, maybe after this tick.
  Window root = None;
  int x = 0, y = 0;
  unsigned width = 0, height = 0, border = 0, depth = 0;
  if (!XGetGeometry(display_, root_, &root, &x, &y, &width, &height, &border, &depth)) return;
  if (static_cast<int>(width) == width_ && static_cast<int>(height) == height_) return;
  width_ = static_cast<int>(width);
  height_ = static_cast<int>(height);
  const bool shared = shm_image_ != nullptr;
  region_image_.reset();
  shm_image_.reset();
  segment_.reset();
  if (shared) attach_shm();
}

ImageView ScreenGrabber::grab() {
  follow_screen_size();
  return grab_part(0, 0, width_, height_);
}

ImageView ScreenGrabber::grab(int x, int y, int width, int height) {
  // A run copies its rectangle at every page: the size known is trusted
  // while the rectangle lies inside it, since a screen made smaller under
  // it refuses the copy, and is asked of the server only then.
  const bool inside =
      x >= 0 && y >= 0 && width > 0 && height > 0 && x + width <= width_ && y + height <= height_;
  if (inside) {
    try {
      return grab_part(x, y, width, height);
    } catch (const Error&) {
    }
  }
  follow_screen_size();
  return grab_part(x, y, width, height);
}

ImageView ScreenGrabber::grab_part(int x, int y, int width, int height) {
  const int x0 = std::clamp(x, 0, width_), y0 = std::clamp(y, 0, height_);
  const int x1 = std::clamp(x + std::max(width, 0), 0, width_);
  const int y1 = std::clamp(y + std::max(height, 0), 0, height_);
  if (x1 <= x0 || y1 <= y0) return {nullptr, 0, 0, 0, x0, y0};
  const int w = x1 - x0, h = y1 - y0;
  if (shm_image_) {
    XImage* target = shm_image_.get();
    if (w != width_ || h != height_) {
      if (!region_image_ || region_image_->width != w || region_image_->height != h) {
        region_image_.reset(XShmCreateImage(display_, visual_, depth_, ZPixmap, segment_->data(),
                                            segment_->info(), w, h));
        region_image_.get_deleter().borrowed = true;
        if (!region_image_) throw Error("screen copy: no image header");
      }
      target = region_image_.get();
    }
    ErrorTrap trap;
    XShmGetImage(display_, root_, target, x0, y0, AllPlanes);
    if (int code = trap.check()) {
      throw Error("screen copy: " + error_text(display_, code));
    }
    return view_of(target, x0, y0);
  }
  plain_image_.reset();
  ErrorTrap trap;
  plain_image_.reset(XGetImage(display_, root_, x0, y0, w, h, AllPlanes, ZPixmap));
  const int code = trap.check();
  if (!plain_image_) {
    throw Error("screen copy: " + (code ? error_text(display_, code) : std::string("refused")));
  }
  return view_of(plain_image_.get(), x0, y0);
}

}  // namespace pr::x11
