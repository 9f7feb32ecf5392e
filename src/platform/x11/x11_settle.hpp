#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <functional>
#include <vector>

#include "platform/image.hpp"

namespace pr::x11 {

// Screen copies that show the screen as it is once it has settled after a
// change of ours: our windows taken away, keystrokes sent to a program.
class ScreenSettle {
 public:
  using Clock = std::chrono::steady_clock;

  // A screen nothing of ours changed for this long is copied at once.
  static constexpr auto kQuietEnough = std::chrono::milliseconds(50);
  // How long a program gets to act on keys we sent before it is copied.
  static constexpr auto kKeyReaction = std::chrono::milliseconds(60);
  // Two copies this far apart that agree show a screen that has stopped
  // changing (programs redrawing what our windows uncovered).
  static constexpr auto kRedrawProbeGap = std::chrono::milliseconds(20);
  // The longest wait for that agreement: a screen that keeps changing (a
  // clock, a video) is copied as it is then.
  static constexpr auto kRedrawPatience = std::chrono::milliseconds(150);
  // The longest wait for the window manager to take away the frames of
  // windows we hid.
  static constexpr auto kUnmapPatience = std::chrono::milliseconds(500);

  explicit ScreenSettle(Display* display) : display_(display) {}

  // We took windows away, or sent keys.
  void windows_changed();
  void keys_sent();
  // The handler that ran is over: a change it made is no longer "just now"
  // unless it happened recently.
  void handler_done() { changed_in_handler_ = false; }

  // Runs `grab` once the screen has settled; `hidden` are our windows that
  // must be off the screen first.
  ImageView settled(const std::vector<Window>& hidden, const std::function<ImageView()>& grab);

 private:
  void wait_until_unmapped(const std::vector<Window>& hidden);

  Display* display_;
  Clock::time_point last_change_{};
  Clock::time_point last_keys_{};
  bool changed_in_handler_ = false;
};

}  // namespace pr::x11
