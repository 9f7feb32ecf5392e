#pragma once

namespace pr::x11 {

// SIGINT, SIGTERM and SIGHUP end the event loop between two events instead
// of killing the process in the middle of one (a file being written, a
// keyboard grab being held). While an instance lives, the signals arrive on
// `fd()` for poll; the previous handlers come back when it goes.
class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  int fd() const;
  // The signal that arrived since the last call, or 0.
  int take();
};

}  // namespace pr::x11
