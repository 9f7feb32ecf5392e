// Asks the window manager to close a window, as its close box would:
//   e2e_close_window WINDOW-ID
// Sends _NET_CLOSE_WINDOW to the root window; the window manager then sends
// WM_DELETE_WINDOW to the window's client.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

struct DisplayCloser {
  void operator()(Display* d) const { XCloseDisplay(d); }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: e2e_close_window WINDOW-ID\n");
    return 2;
  }
  char* end = nullptr;
  const unsigned long window = std::strtoul(argv[1], &end, 0);
  if (end == argv[1] || *end != '\0' || window == 0) {
    std::fprintf(stderr, "e2e_close_window: not a window id: %s\n", argv[1]);
    return 2;
  }
  std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
  if (!display) {
    std::fprintf(stderr, "e2e_close_window: cannot open display %s\n", XDisplayName(nullptr));
    return 1;
  }
  Display* d = display.get();
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(d, "_NET_CLOSE_WINDOW", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = CurrentTime;
  event.xclient.data.l[1] = 2;  // source: a pager or other direct user action
  XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask,
             &event);
  XSync(d, False);
  return 0;
}
