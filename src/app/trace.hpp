#pragma once

#include <chrono>
#include <cstdio>
#include <memory>
#include <string_view>

namespace pr {

// Timings for the benchmarks, written only when PAGEROOK_TRACE names a file;
// otherwise the program ignores it (and PAGEROOK_BENCH_TICK, the tick text,
// and PAGEROOK_BENCH_AUTO, "自动"). One line per event:
// "<what> <ms> ...", milliseconds on the monotonic clock.
class Trace {
 public:
  static std::unique_ptr<Trace> from_environment();
  ~Trace();
  static double now_ms();
  void event(std::string_view what, double at_ms, int value, double duration_ms);

 private:
  explicit Trace(std::FILE* file) : file_(file) {}
  std::FILE* file_;
};

}  // namespace pr
