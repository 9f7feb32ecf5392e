// A document for the benchmarks: a borderless window over the whole screen
// showing a picture; each Page Down shows the next page (the picture scrolled
// down by a few lines), Ctrl+Home the first. After the last page, Page Down
// changes nothing.
//   pagerook_pager PICTURE.ppm PAGES
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kLinesPerPage = 37;

// A binary PPM (P6, maxval 255) as 32-bit BGRX rows.
bool read_ppm(const char* path, int& width, int& height, std::vector<char>& pixels) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxval = 0;
  in >> magic >> width >> height >> maxval;
  in.get();
  if (!in || magic != "P6" || maxval != 255 || width <= 0 || height <= 0) return false;
  std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
  if (!in.read(reinterpret_cast<char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()))) {
    return false;
  }
  pixels.resize(static_cast<std::size_t>(width) * height * 4);
  for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i) {
    pixels[i * 4] = static_cast<char>(rgb[i * 3 + 2]);
    pixels[i * 4 + 1] = static_cast<char>(rgb[i * 3 + 1]);
    pixels[i * 4 + 2] = static_cast<char>(rgb[i * 3]);
    pixels[i * 4 + 3] = 0;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s PICTURE.ppm PAGES\n", argv[0]);
    return 2;
  }
  const long pages = std::atol(argv[2]);
  int width = 0, height = 0;
  std::vector<char> pixels;
  if (!read_ppm(argv[1], width, height, pixels)) {
    std::fprintf(stderr, "%s: not a binary PPM\n", argv[1]);
    return 1;
  }
  Display* d = XOpenDisplay(nullptr);
  if (!d) return 1;
  const int screen = DefaultScreen(d);
  Window root = RootWindow(d, screen);
  XSetWindowAttributes attrs{};
  attrs.event_mask = KeyPressMask | ExposureMask;
  attrs.background_pixmap = None;
  // One line short of the picture: a window manager may take an undecorated
  // window as large as the screen for a full-screen one, above our own.
  const int shown_height = height - 1;
  Window w = XCreateWindow(d, root, 0, 0, width, shown_height, 0, CopyFromParent, InputOutput,
                           CopyFromParent, CWEventMask | CWBackPixmap, &attrs);
  XSizeHints hints{};
  hints.flags = USPosition | USSize;
  hints.width = width;
  hints.height = shown_height;
  XSetWMNormalHints(d, w, &hints);
  XStoreName(d, w, "pager");
  const long motif[5] = {2, 0, 0, 0, 0};  // no decorations
  Atom motif_hints = XInternAtom(d, "_MOTIF_WM_HINTS", False);
  XChangeProperty(d, w, motif_hints, motif_hints, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(motif), 5);

  // The picture twice, one above the other: page n is a window-sized view of
  // it that starts n × kLinesPerPage lines down.
  Pixmap strip = XCreatePixmap(d, w, width, height * 2, DefaultDepth(d, screen));
  GC gc = XCreateGC(d, w, 0, nullptr);
  XImage* image = XCreateImage(d, DefaultVisual(d, screen), DefaultDepth(d, screen), ZPixmap, 0,
                               pixels.data(), width, height, 32, 0);
  XPutImage(d, strip, gc, image, 0, 0, 0, 0, width, height);
  XPutImage(d, strip, gc, image, 0, 0, 0, height, width, height);
  image->data = nullptr;
  XDestroyImage(image);
  XMapRaised(d, w);

  long page = 1;
  auto show = [&] {
    const int offset = static_cast<int>((page - 1) * kLinesPerPage % height);
    XCopyArea(d, strip, w, gc, 0, offset, width, shown_height, 0, 0);
    XFlush(d);
  };
  for (;;) {
    XEvent e;
    XNextEvent(d, &e);
    if (e.type == Expose && e.xexpose.count == 0) show();
    if (e.type != KeyPress) continue;
    const KeySym sym = XLookupKeysym(&e.xkey, 0);
    if (sym == XK_Next && page < pages) {
      ++page;
      show();
    } else if (sym == XK_Home && (e.xkey.state & ControlMask)) {
      page = 1;
      show();
    }
  }
}
