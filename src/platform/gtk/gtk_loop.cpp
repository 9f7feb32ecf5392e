#include "platform/gtk/gtk_loop.hpp"

#include <glib-unix.h>

#include <csignal>
#include <cstring>

#include "platform/report.hpp"

namespace pr::gtk {

namespace {
// Exit status of a program that a signal stopped, as the shell reports it.
constexpr int kSignalStatusBase = 128;
}  // namespace

struct Loop::TimerSource {
  GSource base;
  Loop* loop;
};

Loop::Loop(Handlers handlers) : handlers_(std::move(handlers)) {
  static GSourceFuncs funcs = {nullptr, nullptr, &Loop::dispatch_timers, nullptr, nullptr, nullptr};
  timer_source_ = g_source_new(&funcs, sizeof(TimerSource));
  reinterpret_cast<TimerSource*>(timer_source_)->loop = this;
  g_source_set_name(timer_source_, "pagerook timers");
  g_source_attach(timer_source_, nullptr);
  const int signals[] = {SIGINT, SIGTERM, SIGHUP};
  for (std::size_t i = 0; i < stops_.size(); ++i) {
    stops_[i] = {this, signals[i], 0};
    stops_[i].source = g_unix_signal_add(signals[i], &Loop::on_signal, &stops_[i]);
  }
}

Loop::~Loop() {
  for (const Stop& stop : stops_) {
    if (stop.source) g_source_remove(stop.source);
  }
  if (posted_idle_) g_source_remove(posted_idle_);
  g_source_destroy(timer_source_);
  g_source_unref(timer_source_);
}

gboolean Loop::on_signal(gpointer data) {
  auto* stop = static_cast<Stop*>(data);
  report_error(std::string(strsignal(stop->signal)) + ", stopping");
  stop->loop->quit(kSignalStatusBase + stop->signal);
  if (stop->loop->handlers_.signalled) stop->loop->handlers_.signalled();
  return G_SOURCE_CONTINUE;
}

void Loop::set_timer(TimerId t, std::int32_t interval_ms) {
  timers_.set(t, interval_ms, TimerQueue::Clock::now());
  arm_timers();
}

void Loop::arm_timers() {
  const auto deadline = timers_.next_deadline();
  if (!deadline) {
    g_source_set_ready_time(timer_source_, -1);
    return;
  }
  // The deadline on GLib's monotonic clock, never early.
  const auto ahead =
      std::chrono::ceil<std::chrono::microseconds>(*deadline - TimerQueue::Clock::now());
  g_source_set_ready_time(timer_source_,
                          g_get_monotonic_time() + std::max<gint64>(ahead.count(), 0));
}

gboolean Loop::dispatch_timers(GSource* source, GSourceFunc, gpointer) {
  reinterpret_cast<TimerSource*>(source)->loop->fire_timers();
  return G_SOURCE_CONTINUE;
}

void Loop::fire_timers() {
  const auto now = TimerQueue::Clock::now();
  while (!quit_) {
    const auto due = timers_.take_due(now);
    if (!due) break;
    handlers_.tick(*due);
    handlers_.handler_done();
  }
  arm_timers();
}

void Loop::post_key(WindowId w, int char_code) {
  posted_.emplace_back(w, char_code);
  // Ahead of the events waiting: the key follows the handler that posted it.
  if (!posted_idle_)
    posted_idle_ = g_idle_add_full(G_PRIORITY_HIGH, &Loop::deliver_posted, this, nullptr);
}

gboolean Loop::deliver_posted(gpointer data) {
  auto* self = static_cast<Loop*>(data);
  self->posted_idle_ = 0;
  while (!self->posted_.empty() && !self->quit_) {
    const auto [w, code] = self->posted_.front();
    self->posted_.pop_front();
    self->handlers_.posted_key(w, code);
    self->handlers_.handler_done();
  }
  return G_SOURCE_REMOVE;
}

int Loop::run() {
  while (!quit_) g_main_context_iteration(nullptr, TRUE);
  return exit_status_;
}

void Loop::run_until(const std::function<bool()>& done) {
  while (!quit_ && !done()) g_main_context_iteration(nullptr, TRUE);
}

bool Loop::pump(std::chrono::milliseconds max_wait) {
  const guint wake = g_timeout_add_full(
      G_PRIORITY_HIGH, static_cast<guint>(max_wait.count()),
      [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr, nullptr);
  g_main_context_iteration(nullptr, TRUE);
  g_source_remove(wake);
  // What else is ready now, without waiting; bounded, so that a source that
  // is always ready cannot keep the caller here.
  for (int i = 0; i < 100 && !quit_ && g_main_context_iteration(nullptr, FALSE); ++i) {
  }
  return !quit_;
}

void Loop::quit(int status) {
  if (!quit_) exit_status_ = status;
  quit_ = true;
  g_main_context_wakeup(nullptr);
}

}  // namespace pr::gtk
