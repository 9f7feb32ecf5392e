#pragma once

#include <glib.h>

#include <array>
#include <chrono>
#include <deque>
#include <functional>
#include <utility>

#include "platform/gtk/timer_queue.hpp"
#include "platform/platform.hpp"

namespace pr::gtk {

// GLib's main loop with what the program adds to it: timers on a fixed grid
// of the monotonic clock, keys the program posts to its own windows, and
// SIGINT, SIGTERM and SIGHUP ending the loop between two events (never in
// the middle of a file being written or a grab being held).
class Loop {
 public:
  struct Handlers {
    std::function<void(TimerId)> tick;
    std::function<void(WindowId, int)> posted_key;
    // After each tick or posted key.
    std::function<void()> handler_done;
    // SIGTERM, SIGINT or SIGHUP arrived; the loop ends after this.
    std::function<void()> signalled;
  };

  explicit Loop(Handlers handlers);
  ~Loop();
  Loop(const Loop&) = delete;
  Loop& operator=(const Loop&) = delete;

  TimerId create_timer() { return timers_.create(); }
  // An interval above 0 starts a new period now; 0 stops the timer.
  void set_timer(TimerId t, std::int32_t interval_ms);
  void post_key(WindowId w, int char_code);

  // Runs until quit; the exit status.
  int run();
  // Runs until `done` says so or the program quits (a modal window's loop).
  void run_until(const std::function<bool()>& done);
  // Handles what arrives within `max_wait`, then returns; true while the
  // program has not quit.
  bool pump(std::chrono::milliseconds max_wait);
  void quit(int status = 0);
  bool quitting() const { return quit_; }

 private:
  struct TimerSource;
  static gboolean dispatch_timers(GSource* source, GSourceFunc, gpointer);
  static gboolean deliver_posted(gpointer self);
  static gboolean on_signal(gpointer stop);
  void fire_timers();
  void arm_timers();

  Handlers handlers_;
  TimerQueue timers_;
  GSource* timer_source_ = nullptr;
  std::deque<std::pair<WindowId, int>> posted_;
  guint posted_idle_ = 0;
  struct Stop {
    Loop* loop;
    int signal;
    guint source;
  };
  std::array<Stop, 3> stops_{};
  bool quit_ = false;
  int exit_status_ = 0;
};

}  // namespace pr::gtk
