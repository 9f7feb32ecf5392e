// Presses and releases Esc through XTest and prints when the press left for
// the server, in milliseconds on the monotonic clock (the clock of
// Pagerook's trace), so that a benchmark can time what the key did.
//   pagerook_key_probe
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdio>

int main() {
  Display* d = XOpenDisplay(nullptr);
  if (!d) {
    std::fprintf(stderr, "no display\n");
    return 1;
  }
  const KeyCode escape = XKeysymToKeycode(d, XK_Escape);
  XSync(d, False);
  const auto sent = std::chrono::steady_clock::now();
  XTestFakeKeyEvent(d, escape, True, CurrentTime);
  XFlush(d);
  XTestFakeKeyEvent(d, escape, False, CurrentTime);
  XSync(d, False);
  std::printf("%.3f\n", std::chrono::duration<double, std::milli>(sent.time_since_epoch()).count());
  XCloseDisplay(d);
  return 0;
}
