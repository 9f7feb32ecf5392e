#pragma once

#include <X11/Xlib.h>
#include <gdk/gdk.h>

#include <functional>
#include <vector>

#include "platform/gtk/gtk_input.hpp"
#include "platform/keys.hpp"

namespace pr::x11 {

using gtk::button_of;
using gtk::buttons_held;
using gtk::shift_of;

// Types `keys` into whatever window has the focus, through XTest, without
// waiting. A key this keyboard has no keycode for is reported and skipped.
void send_keystrokes(Display* display, const std::vector<KeyChord>& keys);

// Esc taken from the whole desktop while one is alive: a passive grab on the
// root window, whatever Caps Lock and Num Lock say. Each press calls
// `pressed`. When another program holds Esc, says so (unless `told` says it
// was said already, and sets it) and lives on without the grab.
class EscapeGrab {
 public:
  EscapeGrab(Display* display, Window root, std::function<void()> pressed, bool& told);
  ~EscapeGrab();
  EscapeGrab(const EscapeGrab&) = delete;
  EscapeGrab& operator=(const EscapeGrab&) = delete;
  // Esc reaches us whatever the lock keys: every modifier set is held.
  bool complete() const { return code_ != 0 && grabbed_.size() == wanted_; }

 private:
  static GdkFilterReturn filter(GdkXEvent* xevent, GdkEvent* event, gpointer self);

  Display* display_;
  Window root_;
  KeyCode code_ = 0;
  std::vector<unsigned> grabbed_;  // modifier sets held
  std::size_t wanted_ = 0;         // distinct modifier sets asked for
  std::function<void()> pressed_;
};

// The pointer and the keyboard taken by one window while one is alive, so
// that a drag over it and keys typed meanwhile reach no other program.
class SeatGrab {
 public:
  // Retries for a moment: another program may still hold the pointer (a
  // menu closing, a drag ending). Reports when it cannot.
  SeatGrab(GdkWindow* window, GdkCursor* cursor);
  ~SeatGrab();
  SeatGrab(const SeatGrab&) = delete;
  SeatGrab& operator=(const SeatGrab&) = delete;
  bool held() const { return held_; }

 private:
  GdkSeat* seat_;
  bool held_ = false;
};

}  // namespace pr::x11
