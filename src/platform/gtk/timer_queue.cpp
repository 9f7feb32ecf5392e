#include "platform/gtk/timer_queue.hpp"

#include <algorithm>

namespace pr::gtk {

TimerId TimerQueue::create() {
  TimerId id = next_id_++;
  timers_[id] = {};
  return id;
}

void TimerQueue::remove(TimerId t) {
  timers_.erase(t);
}

void TimerQueue::set(TimerId t, std::int32_t interval_ms, TimePoint now) {
  State& s = timers_[t];
  s.interval = std::max(interval_ms, 0);
  s.due = now + std::chrono::milliseconds(s.interval);
}

std::optional<TimerQueue::TimePoint> TimerQueue::next_deadline() const {
  std::optional<TimePoint> next;
  for (const auto& [id, s] : timers_) {
    if (s.interval > 0 && (!next || s.due < *next)) next = s.due;
  }
  return next;
}

std::optional<TimerId> TimerQueue::take_due(TimePoint now) {
  auto first = timers_.end();
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    const State& s = it->second;
    if (s.interval <= 0 || s.due > now) continue;
    if (first == timers_.end() || s.due < first->second.due) first = it;
  }
  if (first == timers_.end()) return std::nullopt;
  State& s = first->second;
  const auto interval = std::chrono::milliseconds(s.interval);
  const auto missed = (now - s.due) / interval;
  s.due += interval * (missed + 1);
  return first->first;
}

}  // namespace pr::gtk
