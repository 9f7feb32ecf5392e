#include "platform/report.hpp"

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

namespace pr {

namespace {
ReportSink& sink() {
  static ReportSink instance;
  return instance;
}
}  // namespace

void report_error(std::string_view message) {
  if (sink()) {
    sink()(message);
    return;
  }
  std::string line = "pagerook: ";
  line.append(message);
  line += '\n';
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
}

std::string errno_text(int code) {
  return std::strerror(code);
}

void set_report_sink(ReportSink new_sink) {
  sink() = std::move(new_sink);
}

HeldReports::HeldReports() : previous_(std::move(sink())) {
  sink() = [this](std::string_view line) { lines_.emplace_back(line); };
}

HeldReports::~HeldReports() {
  sink() = std::move(previous_);
}

}  // namespace pr
