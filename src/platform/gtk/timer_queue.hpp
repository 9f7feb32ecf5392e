#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>

#include "platform/platform.hpp"

namespace pr::gtk {

// Periodic timers on a fixed grid: each tick is due one interval after the
// previous deadline, and ticks missed while the program was busy are skipped
// rather than fired in a burst. Knows no clock of its own: every call is given
// the time, so the rules can be checked without waiting.
class TimerQueue {
 public:
  using Clock = std::chrono::steady_clock;
  using TimePoint = Clock::time_point;

  TimerId create();
  void remove(TimerId t);
  // An interval above 0 starts a new period from `now`; 0 stops the timer.
  void set(TimerId t, std::int32_t interval_ms, TimePoint now);
  // The earliest deadline of a running timer.
  std::optional<TimePoint> next_deadline() const;
  // The timer whose deadline has passed first, with its deadline moved on
  // past `now`; nothing when none is due.
  std::optional<TimerId> take_due(TimePoint now);

 private:
  struct State {
    std::int32_t interval = 0;  // 0: stopped
    TimePoint due{};
  };
  std::map<TimerId, State> timers_;
  TimerId next_id_ = 1;
};

}  // namespace pr::gtk
