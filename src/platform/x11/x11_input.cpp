#include "platform/x11/x11_input.hpp"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <gdk/gdkx.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "platform/report.hpp"
#include "platform/x11/x11_connection.hpp"
#include "platform/x11/x11_keys.hpp"

namespace pr::x11 {

namespace {

using namespace std::chrono_literals;

// How long the overlay waits for another program to let go of the pointer.
constexpr auto kSeatBusyPatience = 200ms;
constexpr auto kSeatRetryGap = 10ms;
constexpr auto kCapabilities = static_cast<GdkSeatCapabilities>(GDK_SEAT_CAPABILITY_ALL_POINTING |
                                                                GDK_SEAT_CAPABILITY_KEYBOARD);

// The modifier bit Num Lock sits on, 0 when it has none.
unsigned num_lock_mask(Display* display) {
  unsigned mask = 0;
  const KeyCode num = XKeysymToKeycode(display, XK_Num_Lock);
  if (XModifierKeymap* map = XGetModifierMapping(display)) {
    for (int m = 0; m < 8 && num; ++m) {
      for (int k = 0; k < map->max_keypermod; ++k) {
        if (map->modifiermap[m * map->max_keypermod + k] == num) mask = 1u << m;
      }
    }
    XFreeModifiermap(map);
  }
  return mask;
}

const char* grab_refusal(GdkGrabStatus status) {
  switch (status) {
    case GDK_GRAB_ALREADY_GRABBED:
      return "another program holds them";
    case GDK_GRAB_INVALID_TIME:
      return "the request came too late";
    case GDK_GRAB_NOT_VIEWABLE:
      return "the window is not on the screen";
    case GDK_GRAB_FROZEN:
      return "another program has frozen them";
    default:
      return "the X server refused";
  }
}

}  // namespace

void send_keystrokes(Display* display, const std::vector<KeyChord>& keys) {
  auto press = [&](KeySym sym, bool down) {
    if (KeyCode code = XKeysymToKeycode(display, sym)) {
      XTestFakeKeyEvent(display, code, down ? True : False, CurrentTime);
    }
  };
  for (const KeyChord& chord : keys) {
    const KeySym sym = keysym_of(chord);
    const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(display, sym);
    if (!code) {
      report_error("no key on this keyboard types " + describe(chord));
      continue;
    }
    // A character on the shifted level of its key needs Shift.
    bool shift = (chord.modifiers & kShift) != 0;
    if (chord.key == Key::Character && XkbKeycodeToKeysym(display, code, 0, 0) != sym &&
        XkbKeycodeToKeysym(display, code, 0, 1) == sym) {
      shift = true;
    }
    if (chord.modifiers & kCtrl) press(XK_Control_L, true);
    if (chord.modifiers & kAlt) press(XK_Alt_L, true);
    if (shift) press(XK_Shift_L, true);
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
    if (shift) press(XK_Shift_L, false);
    if (chord.modifiers & kAlt) press(XK_Alt_L, false);
    if (chord.modifiers & kCtrl) press(XK_Control_L, false);
  }
  XFlush(display);
}

EscapeGrab::EscapeGrab(Display* display, Window root, std::function<void()> pressed, bool& told)
    : display_(display),
      root_(root),
      code_(XKeysymToKeycode(display, XK_Escape)),
      pressed_(std::move(pressed)) {
  if (!code_) return;
  const unsigned num = num_lock_mask(display_);
  for (unsigned mods : {0u, unsigned{LockMask}, num, LockMask | num}) {
    if (std::find(grabbed_.begin(), grabbed_.end(), mods) != grabbed_.end()) continue;
    ++wanted_;
    ErrorTrap trap;
    XGrabKey(display_, code_, mods, root_, False, GrabModeAsync, GrabModeAsync);
    if (const int error = trap.check()) {
      if (!told) {
        told = true;
        report_error("another program holds the Esc key (" + error_text(display_, error) +
                     "); Esc will stop the capture only while Pagerook's windows have the "
                     "keyboard");
      }
      continue;
    }
    grabbed_.push_back(mods);
  }
  gdk_window_add_filter(gdk_get_default_root_window(), &EscapeGrab::filter, this);
}

EscapeGrab::~EscapeGrab() {
  if (!code_) return;
  gdk_window_remove_filter(gdk_get_default_root_window(), &EscapeGrab::filter, this);
  ErrorTrap trap;
  for (unsigned mods : grabbed_) XUngrabKey(display_, code_, mods, root_);
  // Done at the server on return: another program asking for Esc next is
  // never refused by a release still on its way.
  XSync(display_, False);
}

GdkFilterReturn EscapeGrab::filter(GdkXEvent* xevent, GdkEvent*, gpointer data) {
  auto* self = static_cast<EscapeGrab*>(data);
  const auto* event = static_cast<XEvent*>(xevent);
  if ((event->type != KeyPress && event->type != KeyRelease) || event->xkey.window != self->root_ ||
      event->xkey.keycode != self->code_) {
    return GDK_FILTER_CONTINUE;
  }
  if (event->type == KeyPress) self->pressed_();
  return GDK_FILTER_REMOVE;
}

SeatGrab::SeatGrab(GdkWindow* window, GdkCursor* cursor)
    : seat_(gdk_display_get_default_seat(gdk_window_get_display(window))) {
  const auto deadline = std::chrono::steady_clock::now() + kSeatBusyPatience;
  GdkGrabStatus status = GDK_GRAB_SUCCESS;
  for (;;) {
    status = gdk_seat_grab(seat_, window, kCapabilities, FALSE, cursor, nullptr, nullptr, nullptr);
    if (status == GDK_GRAB_SUCCESS || status == GDK_GRAB_NOT_VIEWABLE ||
        std::chrono::steady_clock::now() >= deadline) {
      break;
    }
    std::this_thread::sleep_for(kSeatRetryGap);
  }
  held_ = status == GDK_GRAB_SUCCESS;
  if (!held_) {
    report_error(std::string("the overlay could not take the pointer and the keyboard: ") +
                 grab_refusal(status));
  }
}

SeatGrab::~SeatGrab() {
  if (held_) gdk_seat_ungrab(seat_);
}

}  // namespace pr::x11
