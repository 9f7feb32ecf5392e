#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.hpp"

namespace pr {

// The one place where the program's errors become text: one line on standard
// error, "pagerook: " and the message. Every part of the program reports
// through here, so a test can take the lines instead.
void report_error(std::string_view message);

// The system's words for an errno value ("No space left on device").
std::string errno_text(int code);

#ifdef _WIN32
// The system's words for a Win32 error code or an HRESULT (FormatMessageW).
std::string win32_error_text(unsigned long code);
// How a failed Win32 call becomes the program's error: "what: the words".
[[noreturn]] void throw_win32_error(std::string_view what, unsigned long code);
#endif

// Where report_error's lines go; an empty function restores standard error.
using ReportSink = std::function<void(std::string_view line)>;
void set_report_sink(ReportSink sink);

// Keeps the lines reported during its life instead of passing them on, so
// that a caller who retries an operation can say each of its errors once.
class HeldReports {
 public:
  HeldReports();
  ~HeldReports();
  HeldReports(const HeldReports&) = delete;
  HeldReports& operator=(const HeldReports&) = delete;
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  ReportSink previous_;
  std::vector<std::string> lines_;
};

}  // namespace pr
