#include "app/trace.hpp"

#include <cstdlib>

namespace pr {

std::unique_ptr<Trace> Trace::from_environment() {
  const char* path = std::getenv("PAGEROOK_TRACE");
  if (!path || !*path) return nullptr;
  std::FILE* file = std::fopen(path, "w");
  if (!file) return nullptr;
  return std::unique_ptr<Trace>(new Trace(file));
}

Trace::~Trace() {
  std::fclose(file_);
}

double Trace::now_ms() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

void Trace::event(std::string_view what, double at_ms, int value, double duration_ms) {
  std::fprintf(file_, "%.*s %.3f %d %.3f\n", static_cast<int>(what.size()), what.data(), at_ms,
               value, duration_ms);
  std::fflush(file_);
}

}  // namespace pr
