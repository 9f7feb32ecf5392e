// Another X client that holds Esc: grabs the key on the root window in every
// Lock and Num Lock variant, says "holding" on standard output once the
// server has granted all four, and keeps them until it is killed.
//   hold_escape
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstdio>
#include <initializer_list>

namespace {

int refused = 0;

int note_error(Display*, XErrorEvent* event) {
  refused = event->error_code;
  return 0;
}

unsigned num_lock_mask(Display* display) {
  unsigned mask = 0;
  const KeyCode num = XKeysymToKeycode(display, XK_Num_Lock);
  XModifierKeymap* map = XGetModifierMapping(display);
  for (int m = 0; map && num && m < 8; ++m) {
    for (int k = 0; k < map->max_keypermod; ++k) {
      if (map->modifiermap[m * map->max_keypermod + k] == num) mask = 1u << m;
    }
  }
  if (map) XFreeModifiermap(map);
  return mask;
}

}  // namespace

int main() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "hold_escape: no X display\n");
    return 1;
  }
  XSetErrorHandler(note_error);
  const Window root = DefaultRootWindow(display);
  const KeyCode esc = XKeysymToKeycode(display, XK_Escape);
  const unsigned num = num_lock_mask(display);
  for (unsigned mods : {0u, unsigned{LockMask}, num, LockMask | num}) {
    XGrabKey(display, esc, mods, root, False, GrabModeAsync, GrabModeAsync);
  }
  XSync(display, False);
  if (refused) {
    std::fprintf(stderr, "hold_escape: the server refused the grab (error %d)\n", refused);
    return 1;
  }
  std::printf("holding\n");
  std::fflush(stdout);
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
  }
}
